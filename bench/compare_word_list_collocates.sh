#!/usr/bin/env bash
# The word-list tool's "collocates" of a whole word list, timed against an earlier build of the
# tool on the same list: 117 English-like texts of about 8,000 words (or the texts of a folder),
# the words found at least 6 times, a file a word. Each run is a process of its own, with its
# wall-clock and processor seconds (user + system); the rounds alternate the two programs, so that
# a machine others share weighs on both alike, and the medians are printed. One more run of each
# under strace counts the threads it started, the files it opened and the files it looked at
# (stat). The files the two programs write are compared byte for byte.
# Usage: bench/compare_word_list_collocates.sh [BUILD_DIR (build)] [--baseline PROGRAM]
#        [--rounds N (3)] [--texts FOLDER] [--min-frequency F (6)]
#        --baseline: an earlier linzora_wordlist (without it, ours alone is timed)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build"
baseline=""
rounds=3
texts=""
min_frequency=6
while [ $# -gt 0 ]; do
  case "$1" in
    --baseline) baseline="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --texts) texts="$2"; shift 2 ;;
    --min-frequency) min_frequency="$2"; shift 2 ;;
    *) build="$1"; shift ;;
  esac
done
ours="$build/linzora_wordlist"
bench="$build/bench/bench_word_list_collocates"
for b in "$ours" "$bench"; do
  [ -x "$b" ] || { echo "no $b: build linzora_wordlist and bench_word_list_collocates first" >&2; exit 2; }
done
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "no $baseline" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The runs read their limits from the store: a store of the comparison's own.
export LINZORA_CONFIG_DIR="$work/config"
mkdir -p "$LINZORA_CONFIG_DIR"
if [ -z "$texts" ]; then
  texts="$work/texts"
  "$bench" --make "$texts" 117 8000 > /dev/null
fi
"$ours" list "$texts" -o "$work/corpus.lst" 2> /dev/null
"$bench" --limits "$min_frequency"
echo "texts: $texts ($(ls "$texts" | wc -l) texts), words found at least $min_frequency times"

programs=(ours)
[ -z "$baseline" ] || programs=(baseline ours)
program_of() { if [ "$1" = ours ]; then echo "$ours"; else echo "$baseline"; fi; }

round=1
while [ "$round" -le "$rounds" ]; do
  echo "round $round, load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  for p in "${programs[@]}"; do
    rm -rf "$work/out_$p"
    /usr/bin/time -f "%e %U %S" -o "$work/$p.time" "$(program_of "$p")" collocates "$work/corpus.lst" \
      -o "$work/out_$p" > "$work/$p.out" 2> /dev/null
    read -r wall user sys < "$work/$p.time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    echo "$wall $cpu" >> "$work/$p.times"
    echo "  $p: $(cat "$work/$p.out"); wall $wall s, processor $cpu s"
  done
  round=$((round + 1))
done

median() {  # column of the times file
  sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { printf "%.2f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
for p in "${programs[@]}"; do
  echo "$p: median wall $(median "$work/$p.times" 1) s, processor $(median "$work/$p.times" 2) s over $rounds rounds"
done

if command -v strace > /dev/null; then
  for p in "${programs[@]}"; do
    rm -rf "$work/traced"
    strace -f -c -o "$work/$p.strace" -e trace=clone,clone3,open,openat,stat,lstat,newfstatat,statx \
      "$(program_of "$p")" collocates "$work/corpus.lst" -o "$work/traced" > /dev/null 2>&1
    awk -v p="$p" '
      $NF == "clone" || $NF == "clone3" { threads += $4 }
      $NF == "open" || $NF == "openat" { opens += $4 }
      $NF ~ /stat/ { stats += $4 }
      END { printf "%s: %d threads started, %d opens, %d stats\n", p, threads, opens, stats }' "$work/$p.strace"
  done
fi
if [ -n "$baseline" ]; then
  if diff -r -q "$work/out_baseline" "$work/out_ours" > /dev/null; then
    echo "files written: identical ($(ls "$work/out_ours" | wc -l))"
  else
    echo "files written: DIFFERENT"
    exit 1
  fi
fi
