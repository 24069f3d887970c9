#!/usr/bin/env bash
# Our one-core concordance against ripgrep on one text, both pinned to one core.
# Usage: bench/compare_concordance.sh FILE WORD   (build first: cmake --build build)
# ripgrep counts whole-word matches ignoring case; we make a line with context for each hit. The
# word rules differ in two places, counted here with further ripgrep patterns: a hyphen or an
# in-word symbol joins words for us (one word), an underscore joins them for ripgrep.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
file="${1:?usage: compare_concordance.sh FILE WORD}"
word="${2:?usage: compare_concordance.sh FILE WORD}"
bench="${BUILD_DIR:-$here/build}/bench/bench_concordance"
[ -x "$bench" ] || { echo "build first: cmake --build build" >&2; exit 2; }
if ! command -v rg >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q && $SUDO apt-get install -y -q ripgrep
fi
core="${CORE:-0}"
load() { cut -d' ' -f1-3 /proc/loadavg; }
load_before=$(load)

start=$(date +%s.%N)
rg_count=$(taskset -c "$core" rg -j1 -o -w -i -- "$word" "$file" | wc -l)
end=$(date +%s.%N)
rg_time=$(echo "$end - $start" | bc -l)

ours=$(taskset -c "$core" "$bench" --file "$file" "$word")
our_time=$(echo "$ours" | sed -E 's/.* ([0-9.]+) s .*/\1/')
our_lines=$(echo "$ours" | sed -E 's/.* ([0-9]+) lines .*/\1/')

# Hits where the word rules differ: "word-x" / "x-word" / "word'x" are other words for us but
# whole-word matches for ripgrep; "word_x" is one word for ripgrep.
joined=$(rg -j1 -o -i -- "(\\w[-'’]$word\\b|\\b$word[-'’]\\w)" "$file" | wc -l || true)
underscored=$(rg -j1 -o -i -- "(_$word\\b|\\b${word}_)" "$file" | wc -l || true)

load_after=$(load)
printf 'load before: %s, after: %s (other work on the machine slows both sides)\n' "$load_before" "$load_after"
printf 'ripgrep: %8s s  %s matches\n' "$rg_time" "$rg_count"
printf 'ours:    %8s s  %s lines\n' "$our_time" "$our_lines"
printf 'ratio (ours / ripgrep): %.2f\n' "$(echo "$our_time / $rg_time" | bc -l)"
printf 'where the rules differ: %s joined by a hyphen or symbol (ours: no hit), %s by an underscore (ripgrep: no hit)\n' \
  "$joined" "$underscored"
printf 'ripgrep corrected: %s\n' "$((rg_count - joined + underscored))"
