#!/usr/bin/env bash
# Our one-core concordance against ripgrep on one text: each side a whole process on one pinned
# core, timed by the system (wall, user and system seconds), best and median of the runs.
# Usage: bench/compare_concordance.sh FILE WORD   (build first: cmake --build build)
# Environment:
#   RUNS=n          runs of each side (5 unless set); the sides take turns, and every other round
#                   in the reverse order, so that a change in the machine's load falls on all alike
#   CORE=c          the core every run is pinned to; unless set, the one least busy over a second
#                   before the runs (so not one a build or another benchmark keeps busy), printed
#   MAKE_MB=m       writes FILE first, when it is missing, as m MB of the generated English-like
#                   text with WORD about once in 1,000 words
#   ENCODING=e      e.g. iso-8859-15, for an 8-bit text: ripgrep reads it through `-E e`, as we
#                   read it ourselves; WORD is given in UTF-8 either way
#   BEFORE_BUILD=dir  that build's bench_concordance too, in each round beside ours ("before")
#   BUILD_DIR=dir   our build (build unless set)
# The sides: ripgrep (rg -j1 -o -w -i, one thread, every match written out and counted) and ours
# (bench_concordance --file: the text read, the word found and a line with its context made and
# kept in a concordance list for each hit). ripgrep counts whole-word matches ignoring case; we
# make a line for each hit. The word rules differ in three places, counted here with further
# ripgrep patterns: a hyphen joins words for us (one word), an underscore joins them for ripgrep,
# and a word inside mark-up (<...> up to 1,000 characters) is hidden by our default settings. A
# possessive ("word's") is a hit on both sides. Our count against ripgrep's, corrected by those
# three, is printed last: "the same", or the difference that none of them explains.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=process_timing.sh
. "$here/bench/process_timing.sh"
file="${1:?usage: compare_concordance.sh FILE WORD}"
word="${2:?usage: compare_concordance.sh FILE WORD}"
bench="${BUILD_DIR:-$here/build}/bench/bench_concordance"
[ -x "$bench" ] || { echo "build first: cmake --build build" >&2; exit 2; }
before_bench=""
if [ -n "${BEFORE_BUILD:-}" ]; then
  before_bench="$BEFORE_BUILD/bench/bench_concordance"
  [ -x "$before_bench" ] || { echo "no $before_bench: build the bench_concordance target there first" >&2; exit 2; }
fi
command -v rg >/dev/null 2>&1 || { peer_missing ripgrep ripgrep "nothing to compare with, stopped"; exit 2; }
if [ ! -e "$file" ] && [ -n "${MAKE_MB:-}" ]; then
  "$bench" --make "$file" "$MAKE_MB" "$word" || { echo "could not write $file" >&2; exit 2; }
fi
[ -r "$file" ] || { echo "no such text: $file" >&2; exit 2; }
command_line RUNS CORE MAKE_MB ENCODING BEFORE_BUILD BUILD_DIR -- "$@"
if [ -n "${CORE:-}" ]; then
  core="$CORE" busy="given"
else
  read -r core busy < <(quiet_cores | head -n1)
  busy="busy $busy% in the second before"
fi
enc=()
[ -z "${ENCODING:-}" ] || enc=(-E "$ENCODING")
runs="${RUNS:-5}"
load() { cut -d' ' -f1-3 /proc/loadavg; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sides=(ripgrep)
[ -z "$before_bench" ] || sides+=(before)
sides+=(ours)
# One run of one side: its times appended to $work/SIDE.times, its count to $work/SIDE.count.
run_side() {  # SIDE
  case "$1" in
    ripgrep)
      timed_process "$work/ripgrep.times" taskset -c "$core" rg -j1 ${enc[@]+"${enc[@]}"} -o -w -i -- "$word" "$file" |
        wc -l > "$work/ripgrep.count" ;;
    *)
      local program="$bench"
      [ "$1" = ours ] || program="$before_bench"
      # Only the figures' line: a build may print more below it.
      timed_process "$work/$1.times" taskset -c "$core" "$program" --file "$file" "$word" > "$work/$1.out"
      grep '^file' "$work/$1.out" | sed -E 's/.* ([0-9]+) lines .*/\1/' > "$work/$1.count" || echo "?" > "$work/$1.count" ;;
  esac
}
cat "$file" > /dev/null  # the text in the file cache before the first round, for every side alike
load_before=$(load)
for ((r = 0; r < runs; r++)); do
  if ((r % 2 == 0)); then order=("${sides[@]}"); else order=(); for ((i = ${#sides[@]} - 1; i >= 0; i--)); do order+=("${sides[i]}"); done; fi
  for side in "${order[@]}"; do run_side "$side"; done
done
load_after=$(load)
# Processor time of each run: user + system, as a fourth column.
for side in "${sides[@]}"; do
  awk '{ printf "%s %s %s %.2f\n", $1, $2, $3, $2 + $3 }' "$work/$side.times" > "$work/$side.all"
done

# Hits where the word rules differ. The word inside mark-up, which our default settings hide:
# each tag (over lines too), then the word's whole-word matches in the tags. Outside the mark-up
# (the tags blanked out, so that a hit in a tag counts there alone): "word-x" / "x-word" are other
# words for us but whole-word matches for ripgrep; "word_x", "x_word" and "_word_" are one word
# for ripgrep. The lines
# where WORD meets a hyphen or an underscore are taken first (a plain search, quick), and only
# those are searched with \w and \b, which are slow over a whole text beyond ASCII; ripgrep
# writes them in UTF-8 whatever it read.
tag='<[^<>]{1,1000}>'
in_markup=$(rg -j1 ${enc[@]+"${enc[@]}"} -U -o -- "$tag" "$file" | rg -j1 -o -w -i -- "$word" | wc -l || true)
near_file="$work/near"
perl -0777 -pe "s/$tag/ /g" "$file" | rg -j1 ${enc[@]+"${enc[@]}"} -i -- "[-_]$word|$word[-_]" > "$near_file" || true
joined=$(rg -j1 -o -i -- "(\\w-$word\\b|\\b$word-\\w)" "$near_file" | wc -l || true)
underscored=$(rg -j1 -o -i -- "(_$word(_|\\b)|\\b${word}_)" "$near_file" | wc -l || true)

printf '%s\n' "core $core ($busy); $runs runs a side, the sides taking turns (every other round in the reverse order);" \
  "each run a whole process timed by the system"
printf 'load before: %s, after: %s (other work on the machine slows every side)\n' "$load_before" "$load_after"
printf '%-9s %17s %17s %17s %17s\n' "" "wall s" "user s" "system s" "cpu s (user+sys)"
printf '%-9s %8s %8s %8s %8s %8s %8s %8s %8s\n' "" best median best median best median best median
for side in "${sides[@]}"; do
  what=lines
  [ "$side" = ripgrep ] && what=matches
  printf '%-9s' "$side:"
  for column in 1 2 3 4; do printf ' %8s %8s' $(best_and_median "$work/$side.all" "$column"); done
  printf '   %s %s\n' "$(cat "$work/$side.count")" "$what"
done
# A run too short for the processor clock gives no processor time: that ratio is then left out.
median() { best_and_median "$work/$1.all" "$2" | cut -d' ' -f2; }
ratio() { awk -v a="$(median "$1" "$3")" -v b="$(median "$2" "$3")" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "n/a" }'; }
[ -z "$before_bench" ] || printf 'ratio (before / ripgrep), of the medians: %s wall, %s cpu\n' \
  "$(ratio before ripgrep 1)" "$(ratio before ripgrep 4)"
printf 'ratio (ours / ripgrep), of the medians: %s wall, %s cpu\n' "$(ratio ours ripgrep 1)" "$(ratio ours ripgrep 4)"
[ -z "$before_bench" ] || printf 'ratio (ours / before), of the medians: %s wall, %s cpu\n' \
  "$(ratio ours before 1)" "$(ratio ours before 4)"
printf 'where the rules differ: %s joined by a hyphen (ours: no hit), %s by an underscore (ripgrep: no hit), %s inside mark-up (ours: hidden)\n' \
  "$joined" "$underscored" "$in_markup"
rg_count=$(cat "$work/ripgrep.count")
corrected=$((rg_count - joined + underscored - in_markup))
printf 'ripgrep corrected: %s\n' "$corrected"
for side in "${sides[@]:1}"; do
  lines=$(cat "$work/$side.count")
  if ! [[ "$lines" =~ ^[0-9]+$ ]]; then
    echo "hits, $side: no count (the run printed no figures)"
  elif [ "$lines" -eq "$corrected" ]; then
    echo "hits, $side: $lines, the same as ripgrep's corrected"
  else
    echo "hits, $side: $lines against ripgrep's corrected $corrected: DIFFER by $((lines - corrected)), which the rules above do not explain"
  fi
done
