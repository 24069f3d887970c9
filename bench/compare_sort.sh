#!/usr/bin/env bash
# Times our three-level sort of concordance keys against GNU sort on the same keys, on one pinned
# core. Usage: bench/compare_sort.sh [LINES] [CORE]   (defaults: 1000000 lines, core 2)
#
# The keys (R1, R2, R3) are written once as TAB-separated UTF-8; GNU sort orders them stably on
# the three fields by the en_US.UTF-8 collation; ours reads the same file, sorts it by collation
# with case counting (as the C library's collation does) and writes it out. Both times cover
# reading, sorting and writing; the two outputs are then compared line by line.
# Needs a build folder with bench_sort_lines (BUILD_DIR, default build).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
lines="${1:-1000000}"
core="${2:-2}"
build="${BUILD_DIR:-$here/build}"
bench="$build/bench/bench_sort_lines"
if [[ ! -x "$bench" ]]; then
  echo "compare_sort: $bench not built (cmake --build $build --target bench_sort_lines)" >&2
  exit 1
fi

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

# GNU sort needs the locale compiled; make it when missing.
if ! locale -a 2>/dev/null | grep -qiE '^en_US\.utf-?8$'; then
  if [[ ! -f /usr/share/i18n/locales/en_US ]]; then
    as_root apt-get install -y locales >/dev/null
  fi
  if command -v locale-gen >/dev/null && [[ -f /etc/locale.gen ]]; then
    as_root sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
  else
    as_root localedef -i en_US -f UTF-8 en_US.UTF-8
  fi
fi
locale -a 2>/dev/null | grep -qiE '^en_US\.utf-?8$' || { echo "compare_sort: could not make en_US.UTF-8" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$bench" --write-tsv "$work/keys.tsv" --lines "$lines" >/dev/null

now() { date +%s.%N; }
tab=$'\t'

t0=$(now)
LC_ALL=en_US.UTF-8 taskset -c "$core" sort -s -t"$tab" -k1,1 -k2,2 -k3,3 --parallel=1 -S 1G \
  -T "$work" "$work/keys.tsv" >"$work/gnu.tsv"
t1=$(now)
ours_line="$(taskset -c "$core" "$bench" --tsv "$work/keys.tsv" --threads 1 --case-sensitive --out "$work/ours.tsv")"
t2=$(now)

gnu_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
ours_s=$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')
printf 'lines: %s, core %s\n' "$lines" "$core"
printf 'GNU sort (en_US.UTF-8, -s, 3 keys, 1 thread): %.3f s\n' "$gnu_s"
printf 'ours (read, rank, sort, write; 1 thread):     %.3f s   [%s]\n' "$ours_s" "$ours_line"
printf 'ratio GNU / ours: %.2f\n' "$(awk -v g="$gnu_s" -v o="$ours_s" 'BEGIN { print g / o }')"
# The C library's and ICU's collation tables are alike for such words but not the same, so
# the orders could differ in places.
if cmp -s "$work/gnu.tsv" "$work/ours.tsv"; then
  echo "outputs: identical"
  exit 0
fi
same=$(paste -d'\n' "$work/gnu.tsv" "$work/ours.tsv" | awk 'NR%2{a=$0;next} a==$0{n++} END{print n+0}')
printf 'lines in the same place in both outputs: %s of %s\n' "$same" "$lines"
