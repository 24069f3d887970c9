#!/usr/bin/env bash
# Two builds side by side on one folder of many texts: the text reading (bench_concordance
# --folder), MakeConcordance and the window's run (bench_main_road --folder) on 1, 2, 4 and 8
# workers, each figure the median of five runs or more (BENCH_TRIES), with the load before and
# after each; then the processor time of the window's thread in the window's run on 8 workers
# (the part of the run that does not spread over the workers).
# Usage: bench/compare_folder_runs.sh OLD_BUILD NEW_BUILD FOLDER [WORD (time)]
# Each build folder needs bench_concordance and bench_main_road. The two builds take turns,
# program by program, so that a change in the machine's load falls on both alike.
set -euo pipefail
if [[ $# -lt 3 ]]; then
  echo "usage: $0 OLD_BUILD NEW_BUILD FOLDER [WORD]" >&2
  exit 1
fi
old="$1"
new="$2"
folder="$3"
word="${4:-time}"
[[ -d "$folder" ]] || { echo "compare_folder_runs: no folder $folder" >&2; exit 1; }
for b in "$old" "$new"; do
  for p in bench_concordance bench_main_road; do
    [[ -x "$b/bench/$p" ]] || { echo "compare_folder_runs: $b/bench/$p not built" >&2; exit 1; }
  done
done

echo "folder $folder, word \"$word\"; $(nproc) cores; load now: $(cut -d' ' -f1-3 /proc/loadavg)"
for p in bench_concordance bench_main_road; do
  for b in "$old" "$new"; do
    echo "== $p of $b"
    "$b/bench/$p" --folder "$folder" "$word" 2>&1 | grep -E 'median|texts, ' || true
  done
done
echo "== the window's thread in the window's run, 8 workers (processor seconds, each try)"
for b in "$old" "$new"; do
  echo "-- $b"
  BENCH_ROAD=window BENCH_WORKERS=8 BENCH_PHASES=1 "$b/bench/bench_main_road" --folder "$folder" "$word" 2>&1 |
    grep -E "window's thread|median" || true
done
