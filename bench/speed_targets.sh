#!/usr/bin/env bash
# Every speed target of the concordancer and the word list in one run, on real prose and on the
# generated text, with the load printed beside each figure:
#   - a word of about 1 hit per 5,000 words, about 1 per 260, and "the": ours against ripgrep,
#     one pinned core (compare_concordance.sh), with our peak memory for "the";
#   - many texts (the real mail bodies, one a text) on 1 to 8 workers: the text reading and
#     MakeConcordance (bench_concordance --folder), the window's run (bench_main_road --folder);
#   - the word list of one core against Python's Counter and the tr | sort | uniq pipeline.
# Usage: bench/speed_targets.sh [BUILD_DIR (default build)]
# Environment: RUNS (each concordance side, default 5), CORE (default 2), SKIP_FOLDER=1,
# SKIP_WORDLIST=1, GEN_MB (the generated text's size, default 323).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
export BUILD_DIR="$build" RUNS="${RUNS:-5}" CORE="${CORE:-2}"
mapfile -t made < <("$here/bench/real_prose.sh" "$build/real_prose")
texts="${made[0]}" prose="${made[1]}"
gen="$build/gen/english${GEN_MB:-323}.txt"
mkdir -p "$build/gen"
[ -e "$gen" ] || "$build/bench/bench_concordance" --make "$gen" "${GEN_MB:-323}" concordance

peak() {  # our peak resident megabytes for one run: FILE WORD
  /usr/bin/time -f '%M' -o /tmp/speed_targets_peak.$$ taskset -c "$CORE" \
    "$build/bench/bench_concordance" --file "$1" "$2" >/dev/null
  echo "$(( $(cat /tmp/speed_targets_peak.$$) / 1024 )) MB"
  rm -f /tmp/speed_targets_peak.$$
}
concordance() {  # LABEL FILE WORD
  echo "== $1: \"$3\" in $(basename "$2") ($(du -mL "$2" | cut -f1) MB)"
  "$here/bench/compare_concordance.sh" "$2" "$3" | grep -E 'load|ripgrep|ours|ratio|corrected'
}
# Real prose: "insurance" about 1 in 4,800 words, "your" about 1 in 250, and "the".
concordance "rare word, real prose" "$prose" insurance
concordance "1 in 250, real prose" "$prose" your
concordance "the, real prose" "$prose" the
echo "peak memory, \"the\", real prose: $(peak "$prose" the)"
# The generated text: "concordance" about 1 in 1,000 words, "the" about 1 in 67.
concordance "1 in 1,000, generated" "$gen" concordance
concordance "the, generated" "$gen" the
echo "peak memory, \"the\", generated: $(peak "$gen" the)"

if [ -z "${SKIP_FOLDER:-}" ]; then
  echo "== many texts: $texts"
  "$build/bench/bench_concordance" --folder "$texts" your
  QT_QPA_PLATFORM=offscreen "$build/bench/bench_main_road" --folder "$texts" your
fi
if [ -z "${SKIP_WORDLIST:-}" ]; then
  echo "== word list, real prose"
  CPU="$CORE" "$here/bench/wordlist_peers.sh" "$build" "$prose"
  echo "== word list, generated"
  CPU="$CORE" "$here/bench/wordlist_peers.sh" "$build"
fi
