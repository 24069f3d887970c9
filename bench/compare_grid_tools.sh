#!/bin/sh
# The grid tools beside awk and sed on the same rows, one pinned core, one run:
#   computed column   bench_grid_tools (SQRT(A / B) over every row)  awk '{print sqrt($3/$4)}'
#   conditions        find all: a text kind and a number kind       awk, the same tests
#   replace, yes All  a plain word and a trailing wildcard           sed -E 's/PATTERN/REPL/g'
# The replaced texts of both are compared row by row before any time is reported.
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
now() { date +%s.%N; }
"$bench" --rows "$rows" --export "$work/rows.tsv"
cut -f2 "$work/rows.tsv" > "$work/texts.txt"
echo "rows: $rows, core $core, load $(cut -d' ' -f1-3 /proc/loadavg)"

pin "$bench" --rows "$rows"
t0=$(now); pin awk -F'\t' '{print sqrt($3/$4)}' "$work/rows.tsv" > "$work/awk_sqrt.txt"; t1=$(now)
pin awk -F'\t' '$2 ~ /(^| )walking( |$)/ {n++} END {print n " found"}' "$work/rows.tsv"; t2=$(now)
pin awk -F'\t' '$3 > 500 {n++} END {print n " found"}' "$work/rows.tsv"; t3=$(now)
awk -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN {
  printf "awk computed column %.3f s\nawk text condition  %.3f s\nawk number condition %.3f s\n", b - a, c - b, d - c }'

compare() {  # word replacement sed-pattern
  pin "$bench" --rows "$rows" --replaced "$work/ours.txt" "$1" "$2"
  s0=$(now); LC_ALL=C pin sed -E "s/$3/$2/g" "$work/texts.txt" > "$work/sed.txt"; s1=$(now)
  if cmp -s "$work/ours.txt" "$work/sed.txt"; then same="same output"; else
    same="OUTPUTS DIFFER: $(diff "$work/ours.txt" "$work/sed.txt" | head -4 | tr '\n' ' ')"; fi
  awk -v a="$s0" -v b="$s1" -v w="$1" -v s="$same" 'BEGIN { printf "sed replace %-8s         %.3f s  (%s)\n", w, b - a, s }'
}
compare walk stroll '\<walk\>'
compare 'walk*' stroll '\<walk[[:alnum:]]*\>'
