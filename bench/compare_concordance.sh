#!/usr/bin/env bash
# Our one-core concordance against ripgrep on one text, both pinned to one core.
# Usage: bench/compare_concordance.sh FILE WORD   (build first: cmake --build build; RUNS=n runs of
# each side, best taken, 3 unless set; CORE=c pins both to core c, 0 unless set; MAKE_MB=m writes
# FILE first, when it is missing, as m MB of the generated English-like text with WORD about once
# in 1,000 words; ENCODING=e, e.g. iso-8859-15, for an 8-bit text: ripgrep reads it through
# `-E e`, as we read it ourselves, and WORD is given in UTF-8 either way; BEFORE_BUILD=dir times
# that build's bench_concordance too, in each round beside ours, printed as "before")
# ripgrep counts whole-word matches ignoring case; we make a line with context for each hit. The
# word rules differ in two places, counted here with further ripgrep patterns: a hyphen joins words
# for us (one word), an underscore joins them for ripgrep. A possessive ("word's") is a hit on both
# sides, so it is not subtracted.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
file="${1:?usage: compare_concordance.sh FILE WORD}"
word="${2:?usage: compare_concordance.sh FILE WORD}"
bench="${BUILD_DIR:-$here/build}/bench/bench_concordance"
[ -x "$bench" ] || { echo "build first: cmake --build build" >&2; exit 2; }
before_bench=""
if [ -n "${BEFORE_BUILD:-}" ]; then
  before_bench="$BEFORE_BUILD/bench/bench_concordance"
  [ -x "$before_bench" ] || { echo "no $before_bench: build the bench_concordance target there first" >&2; exit 2; }
fi
if [ ! -e "$file" ] && [ -n "${MAKE_MB:-}" ]; then
  "$bench" --make "$file" "$MAKE_MB" "$word" || { echo "could not write $file" >&2; exit 2; }
fi
[ -r "$file" ] || { echo "no such text: $file" >&2; exit 2; }
if ! command -v rg >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q && $SUDO apt-get install -y -q ripgrep
fi
core="${CORE:-0}"
enc=()
[ -z "${ENCODING:-}" ] || enc=(-E "$ENCODING")
runs="${RUNS:-3}"   # each side runs this many times, alternating; the best time counts
load() { cut -d' ' -f1-3 /proc/loadavg; }
load_before=$(load)
best() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

# Wall time and processor time (user + system) of each side: on a shared machine the processor
# time is the steadier of the two.
rg_time="" rg_cpu="" our_time="" our_cpu="" before_time="" before_cpu="" before_lines=""
cpu_file=$(mktemp)
near_file=$(mktemp)
trap 'rm -f "$cpu_file" "$near_file"' EXIT
# ripgrep answers 1 when it finds nothing (its count is then 0); /usr/bin/time then writes a line
# saying so before the times, so the times are its last line.
for ((r = 0; r < runs; r++)); do
  start=$(date +%s.%N)
  rg_count=$(/usr/bin/time -f '%U %S' -o "$cpu_file" taskset -c "$core" rg -j1 ${enc[@]+"${enc[@]}"} -o -w -i -- "$word" "$file" | wc -l || true)
  end=$(date +%s.%N)
  rg_time=$(best "$rg_time" "$(echo "$end - $start" | bc -l)")
  rg_cpu=$(best "$rg_cpu" "$(tail -n1 "$cpu_file" | awk '{print $1 + $2}')")

  if [ -n "$before_bench" ]; then
    theirs=$(taskset -c "$core" "$before_bench" --file "$file" "$word" | grep '^file')
    before_time=$(best "$before_time" "$(echo "$theirs" | sed -E 's/.* ([0-9.]+) s .*/\1/')")
    before_cpu=$(best "$before_cpu" "$(echo "$theirs" | sed -E 's/.*cpu ([0-9.]+)s.*/\1/')")
    before_lines=$(echo "$theirs" | sed -E 's/.* ([0-9]+) lines .*/\1/')
  fi
  # Only the figures' line counts: a build may print more below it.
  ours=$(taskset -c "$core" "$bench" --file "$file" "$word" | grep '^file')
  our_time=$(best "$our_time" "$(echo "$ours" | sed -E 's/.* ([0-9.]+) s .*/\1/')")
  our_cpu=$(best "$our_cpu" "$(echo "$ours" | sed -E 's/.*cpu ([0-9.]+)s.*/\1/')")
  our_lines=$(echo "$ours" | sed -E 's/.* ([0-9]+) lines .*/\1/')
done

# Hits where the word rules differ: "word-x" / "x-word" are other words for us but whole-word
# matches for ripgrep; "word_x" is one word for ripgrep. The lines where WORD meets a hyphen or an
# underscore are taken first (a plain search, quick), and only those are searched with \w and \b,
# which are slow over a whole text beyond ASCII; ripgrep writes them in UTF-8 whatever it read.
rg -j1 ${enc[@]+"${enc[@]}"} -i -- "[-_]$word|$word[-_]" "$file" > "$near_file" || true
joined=$(rg -j1 -o -i -- "(\\w-$word\\b|\\b$word-\\w)" "$near_file" | wc -l || true)
underscored=$(rg -j1 -o -i -- "(_$word\\b|\\b${word}_)" "$near_file" | wc -l || true)

load_after=$(load)
printf 'load before: %s, after: %s (other work on the machine slows both sides)\n' "$load_before" "$load_after"
printf 'best of %s runs each, wall and processor (user + system) seconds\n' "$runs"
printf 'ripgrep: %8s s  cpu %6s s  %s matches\n' "$rg_time" "$rg_cpu" "$rg_count"
[ -z "$before_bench" ] || printf 'before:  %8s s  cpu %6s s  %s lines\n' "$before_time" "$before_cpu" "$before_lines"
printf 'ours:    %8s s  cpu %6s s  %s lines\n' "$our_time" "$our_cpu" "$our_lines"
# A run too short for the processor clock gives no processor time: that ratio is then left out.
ratio() { if [ "$(echo "$2 > 0" | bc -l)" = 1 ]; then printf '%.2f' "$(echo "$1 / $2" | bc -l)"; else echo n/a; fi; }
[ -z "$before_bench" ] || printf 'ratio (before / ripgrep): %s wall, %s cpu\n' \
  "$(ratio "$before_time" "$rg_time")" "$(ratio "$before_cpu" "$rg_cpu")"
printf 'ratio (ours / ripgrep): %s wall, %s cpu\n' "$(ratio "$our_time" "$rg_time")" "$(ratio "$our_cpu" "$rg_cpu")"
printf 'where the rules differ: %s joined by a hyphen (ours: no hit), %s by an underscore (ripgrep: no hit)\n' \
  "$joined" "$underscored"
printf 'ripgrep corrected: %s\n' "$((rg_count - joined + underscored))"
