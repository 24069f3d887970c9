#!/bin/sh
# The grid tools beside awk and sed on the same rows, one pinned core, one run:
#   computed column   bench_grid_tools (SQRT(A / B) over every row)  awk '{print sqrt($3/$4)}'
#   conditions        find all: a text kind and a number kind       awk, the same tests
#   replace, yes All  a plain word and a trailing wildcard           sed -E 's/PATTERN/REPL/g'
# The replaced texts of both are compared row by row before any time is reported. Times are CPU
# seconds (user + system) of each program, so that other work on the machine does not count.
# Usage: compare_grid_tools.sh [BUILD_DIR (default build)] [ROWS (default 1000000)] [CORE (default 0)]
set -eu
build=${1:-build}
rows=${2:-1000000}
core=${3:-0}
bench="$build/bench/bench_grid_tools"
[ -x "$bench" ] || { echo "no $bench: build the bench_grid_tools target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pin() { taskset -c "$core" "$@"; }
# cpu OUT COMMAND...: runs the command into OUT and prints its CPU seconds (wall seconds where
# /usr/bin/time is missing).
cpu() {
  out=$1; shift
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" > "$out"
    awk '{printf "%.3f", $1 + $2}' "$work/time"
  else
    s0=$(date +%s.%N); "$@" > "$out"; s1=$(date +%s.%N)
    awk -v a="$s0" -v b="$s1" 'BEGIN {printf "%.3f (wall)", b - a}'
  fi
}
"$bench" --rows "$rows" --export "$work/rows.tsv"
cut -f2 "$work/rows.tsv" > "$work/texts.txt"
echo "rows: $rows, core $core, load $(cut -d' ' -f1-3 /proc/loadavg)"

pin "$bench" --rows "$rows"
a=$(cpu "$work/awk_sqrt.txt" taskset -c "$core" awk -F'\t' '{print sqrt($3/$4)}' "$work/rows.tsv")
b=$(cpu "$work/awk_text.txt" taskset -c "$core" awk -F'\t' '$2 ~ /(^| )walking( |$)/ {n++} END {print n " found"}' "$work/rows.tsv")
c=$(cpu "$work/awk_number.txt" taskset -c "$core" awk -F'\t' '$3 > 500 {n++} END {print n " found"}' "$work/rows.tsv")
echo "awk computed column $a s"
echo "awk text condition  $b s ($(cat "$work/awk_text.txt"))"
echo "awk number condition $c s ($(cat "$work/awk_number.txt"))"

compare() {  # word replacement sed-pattern
  pin "$bench" --rows "$rows" --replaced "$work/ours.txt" "$1" "$2"
  t=$(cpu "$work/sed.txt" env LC_ALL=C taskset -c "$core" sed -E "s/$3/$2/g" "$work/texts.txt")
  if cmp -s "$work/ours.txt" "$work/sed.txt"; then same="same output"; else
    same="OUTPUTS DIFFER: $(diff "$work/ours.txt" "$work/sed.txt" | head -4 | tr '\n' ' ')"; fi
  echo "sed replace $1           $t s  ($same)"
}
compare walk stroll '\<walk\>'
compare 'walk*' stroll '\<walk[[:alnum:]]*\>'
