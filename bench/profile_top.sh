#!/usr/bin/env bash
# Where one concordance run over one text spends its time: a perf record of bench_concordance
# --file FILE WORD, pinned to one core, per build, and its ten functions of the largest self share
# (perf report --no-children --sort symbol), one block a build headed by its folder and the load,
# then the run's wall, user and system seconds (the whole process, under perf), the huge pages the
# machine faulted in while it ran (/proc/vmstat's thp_fault_alloc: every process's, so other work
# may add to it), and the memory the run held at its end with its share in huge pages. Clearing a
# huge page is kernel work: it shows as system time and as clear_page_* in the profile.
# Usage: bench/profile_top.sh FILE WORD [BUILD_DIR ...]   (default: build)
# Environment: CORE (default: the least busy core over a second before the runs). perf comes from
# Debian's linux-perf, installed when missing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=process_timing.sh
. "$here/bench/process_timing.sh"
file="${1:?usage: profile_top.sh FILE WORD [BUILD_DIR ...]}"
word="${2:?usage: profile_top.sh FILE WORD [BUILD_DIR ...]}"
shift 2
[ "$#" -gt 0 ] || set -- "$here/build"
[ -r "$file" ] || { echo "no such text: $file" >&2; exit 2; }
command_line CORE -- "$file" "$word" "$@"
core="${CORE:-$(quiet_core)}"
if ! command -v perf >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q >&2 && $SUDO apt-get install -y -q linux-perf >&2
fi
data=$(mktemp)
trap 'rm -f "$data" "$data.old" "$data.times"' EXIT
thp_faults() { awk '$1 == "thp_fault_alloc" { print $2 }' /proc/vmstat; }
for build in "$@"; do
  bench="$build/bench/bench_concordance"
  [ -x "$bench" ] || { echo "no $bench: build the bench_concordance target there first" >&2; exit 2; }
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  faults_before=$(thp_faults)
  out=$(perf record -q -o "$data" -- /usr/bin/time -f '%e %U %S' -o "$data.times" \
    taskset -c "$core" "$bench" --file "$file" "$word" 2>/dev/null || true)
  faults=$(( $(thp_faults) - faults_before ))
  figures=$(echo "$out" | grep '^file' || true)
  echo "== $build: \"$word\" in $(basename "$file"), core $core (load before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg))"
  echo "   ${figures:-(no figures: the run failed)}" | sed -E 's/ +/ /g'
  read -r wall user system < <(tail -n1 "$data.times")
  echo "   whole process: wall $wall s, user $user s, system $system s; huge-page faults on the machine meanwhile: $faults"
  echo "$out" | grep '^memory at the end' | sed 's/^/   /' || true
  # The largest self shares first; "(anonymous namespace)::" is left out and long parameter lists (a
  # lambda's function's) are shortened to (...), which leaves the lambda's own name readable; perf's
  # empty IPC columns go.
  { perf report -q -i "$data" --no-children --sort symbol -F overhead,sym --stdio 2>/dev/null || true; } |
    grep -E '^ *[0-9.]+%' | sort -rn | head -n 10 |
    sed -E 's/\(anonymous namespace\):://g; s/\(([^()]{16,})\)/(...)/g; s/ +$//; s/ +- +-$//' | cut -c1-140 || true
done
