# Sourced by the bench scripts: how they choose their cores, time a whole process and sum up runs.
#   quiet_cores [SECONDS]      the online cores, least busy first, each with its busy share, from a
#                              look at /proc/stat over SECONDS (1 unless given): "core percent" a line
#   quiet_core                 the least busy core alone
#   timed_process FILE CMD...  runs CMD as a whole process and appends "wall user system" (seconds)
#                              to FILE; CMD's output passes through, its exit code is not acted on
#   best_and_median FILE COL   the best (least) and the median of column COL of FILE: "best median"
#                              (of an even count, the upper middle one, as the C++ benches take it)
#   peer_missing NAME PACKAGE WHAT   says on stderr that a peer is missing, how to install it and
#                              what the script does without it
#   command_line VAR... -- ARG...   the command that started the script (its ARGs), with those of
#                              the environment variables VAR it reads that are set, for the head of
#                              its output: the line runs it again as it was run
# The machine is shared: the figures are whole processes timed by the system (wait4), quoted as
# medians, and each run's core is one no other work kept busy when the script began.

quiet_cores() {
  local a b
  a=$(grep '^cpu[0-9]' /proc/stat)
  sleep "${1:-1}"
  b=$(grep '^cpu[0-9]' /proc/stat)
  # Busy is everything but idle and waiting for the disk (columns 5 and 6 of a cpuN line), steal
  # (the host running something else) included; the guest columns after it are in user already.
  paste -d' ' <(echo "$a") <(echo "$b") | awk '{
    n = NF / 2; total = 0; idle = 0
    for (i = 2; i <= n && i <= 9; ++i) { d = $(n + i) - $i; total += d; if (i == 5 || i == 6) idle += d }
    printf "%s %.0f\n", substr($1, 4), (total > 0 ? 100 * (total - idle) / total : 0)
  }' | sort -k2,2n -k1,1n
}

quiet_core() { quiet_cores "$@" | head -n1 | cut -d' ' -f1; }

timed_process() {
  local file="$1" raw start end
  shift
  raw=$(mktemp)
  start=$(date +%s.%N)
  /usr/bin/time -f '%U %S' -o "$raw" "$@" || true
  end=$(date +%s.%N)
  # A command that fails has /usr/bin/time write a line about it before the times: the times are
  # its last line.
  echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }') $(tail -n1 "$raw")" >> "$file"
  rm -f "$raw"
}

best_and_median() {
  cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 } END { if (NR) printf "%s %s\n", v[1], v[int(NR / 2) + 1] }'
}

peer_missing() {
  echo "the peer $1 is missing (install it with: apt-get install $2): $3" >&2
}

command_line() {
  local shown=""
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    [ -z "${!1:-}" ] || shown+="$1=$(printf '%q' "${!1}") "
    shift
  done
  [ $# -eq 0 ] || shift
  printf 'command: cd %q && %s%q' "$PWD" "$shown" "$0"
  [ $# -eq 0 ] || printf ' %q' "$@"
  echo
}
