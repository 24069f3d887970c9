#!/usr/bin/env bash
# Where one concordance run over one text spends its time: a perf record of bench_concordance
# --file FILE WORD, pinned to one core, per build, and its ten functions of the largest self share
# (perf report --no-children --sort symbol), one block a build headed by its folder and the load.
# Usage: bench/profile_top.sh FILE WORD [BUILD_DIR ...]   (default: build)
# Environment: CORE (default 2). perf comes from Debian's linux-perf, installed when missing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
file="${1:?usage: profile_top.sh FILE WORD [BUILD_DIR ...]}"
word="${2:?usage: profile_top.sh FILE WORD [BUILD_DIR ...]}"
shift 2
[ "$#" -gt 0 ] || set -- "$here/build"
[ -r "$file" ] || { echo "no such text: $file" >&2; exit 2; }
core="${CORE:-2}"
if ! command -v perf >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q >&2 && $SUDO apt-get install -y -q linux-perf >&2
fi
data=$(mktemp)
trap 'rm -f "$data" "$data.old"' EXIT
for build in "$@"; do
  bench="$build/bench/bench_concordance"
  [ -x "$bench" ] || { echo "no $bench: build the bench_concordance target there first" >&2; exit 2; }
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  figures=$(perf record -q -o "$data" -- taskset -c "$core" "$bench" --file "$file" "$word" 2>/dev/null |
    grep '^file' || true)
  echo "== $build: \"$word\" in $(basename "$file") (load before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg))"
  echo "   ${figures:-(no figures: the run failed)}" | sed -E 's/ +/ /g'
  # The largest self shares first; "(anonymous namespace)::" is left out and long parameter lists (a
  # lambda's function's) are shortened to (...), which leaves the lambda's own name readable; perf's
  # empty IPC columns go.
  { perf report -q -i "$data" --no-children --sort symbol -F overhead,sym --stdio 2>/dev/null || true; } |
    grep -E '^ *[0-9.]+%' | sort -rn | head -n 10 |
    sed -E 's/\(anonymous namespace\):://g; s/\(([^()]{16,})\)/(...)/g; s/ +$//; s/ +- +-$//' | cut -c1-140 || true
done
