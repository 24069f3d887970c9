#!/usr/bin/env bash
# Two builds side by side on one folder of many texts: the text reading (bench_concordance
# --folder), MakeConcordance and the window's run (bench_main_road --folder) on 1, 2, 4 and 8
# workers, each figure the median of five rounds or more (BENCH_TRIES); in each round every worker
# count runs once, every other round in the reverse order (bench/bench_folder_runs.h). Each figure
# has its wall seconds, the processor seconds of the whole process (user and system apart) and the
# load before and after. Then the processor time of the window's thread in the window's run on 8
# workers (the part of the run that does not spread over the workers).
# Usage: bench/compare_folder_runs.sh OLD_BUILD NEW_BUILD FOLDER [WORD (time)]
# Environment: CORES=c0,c1,... the cores to pin to, a run on n workers taking the first n of them
# (the whole process: so 8 workers against 1 is 8 cores against 1); unless set, every core, the
# least busy over a second before the runs first. BENCH_TRIES (rounds, 5 unless set).
# Each build folder needs bench_concordance and bench_main_road. The two builds take turns,
# program by program, the second program in the other order, so that a change in the machine's
# load falls on both alike.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=process_timing.sh
. "$here/bench/process_timing.sh"
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
command_line CORES BENCH_TRIES -- "$@"
export BENCH_CORES="${CORES:-$(quiet_cores | cut -d' ' -f1 | paste -sd,)}"

echo "folder $folder, word \"$word\"; $(nproc) cores, pinned in this order: $BENCH_CORES; load now: $(cut -d' ' -f1-3 /proc/loadavg)"
order=("$old" "$new")
for p in bench_concordance bench_main_road; do
  for b in "${order[@]}"; do
    echo "== $p of $b"
    QT_QPA_PLATFORM=offscreen "$b/bench/$p" --folder "$folder" "$word" 2>&1 | grep -E 'median|texts, ' || true
  done
  order=("$new" "$old")
done
echo "== the window's thread in the window's run, 8 workers (processor seconds, each try)"
for b in "$old" "$new"; do
  echo "-- $b"
  QT_QPA_PLATFORM=offscreen BENCH_ROAD=window BENCH_WORKERS=8 BENCH_PHASES=1 "$b/bench/bench_main_road" --folder "$folder" "$word" 2>&1 |
    grep -E "window's thread|median" || true
done
