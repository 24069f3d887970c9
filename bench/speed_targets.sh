#!/usr/bin/env bash
# Every speed target of the concordancer and the word list in one run, on real prose and on the
# generated text, with the load printed beside each figure:
#   - a word of about 1 hit per 5,000 words, about 1 per 260, and "the": ours against ripgrep,
#     each a whole process on one pinned core (compare_concordance.sh: best and median of the
#     runs, wall, user and system time), with our peak memory for "the";
#   - prose beyond ASCII (bench/fortune_prose.sh): German in UTF-8 and in Latin-9 ("nicht", "und"
#     and the rare "Bürger"), Russian and Czech in UTF-8 (a frequent and a rare word each), ours
#     against ripgrep reading the same encoding;
#   - many texts (the real mail bodies, one a text) on 1 to 8 workers: the text reading and
#     MakeConcordance (bench_concordance --folder), the window's run (bench_main_road --folder);
#     a run on n workers pinned to n cores (BENCH_CORES: the quietest first), the worker counts
#     taking turns round by round;
#   - the word list of one core against Python's Counter and the tr | sort | uniq pipeline.
# It ends with one table: each row's figure before and after, ripgrep's, and the target; a time is
# the median of the runs with the best in brackets, a ratio the medians'.
# Usage: bench/speed_targets.sh [BUILD_DIR (default build)]
# Environment: RUNS (each concordance side, default 5), CORE (the core of the one-core rows; unless
# set, the least busy over a second at the start, so not one a build keeps busy), SKIP_FOLDER=1, FOLDER,
# SKIP_WORDLIST=1, GEN_MB (the generated text's size, default 323), PROSE_MB (each corpus beyond
# ASCII, default 85);
#   BEFORE=commit: an earlier state timed beside this build in the same run: a worktree of it is
#     made under BUILD_DIR/before-<short commit> and its bench programs are built there with this
#     build's build type (CMAKE_BUILD_TYPE of BUILD_DIR); BEFORE_BUILD=dir gives such a build
#     instead (its build type is printed beside this one's). Each row then runs both builds in
#     turn, and the lists (".cnc" bytes) of the German rows are compared, on one worker and on 8;
#   PROFILE=1: bench/profile_top.sh for the rare German word and "the", on both builds;
#   BUILD_JOBS (the earlier state's build, default 3).
# The rows beyond ASCII ask bench_concordance for the fast road's share (BENCH_ROAD_SHARE=1) in a
# run of their own, and print it under the row when the build gives it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=process_timing.sh
. "$here/bench/process_timing.sh"
command_line RUNS CORE SKIP_FOLDER FOLDER FOLDER_WORD SKIP_WORDLIST GEN_MB PROSE_MB BEFORE BEFORE_BUILD PROFILE BUILD_JOBS \
  -- "$@"
build="$(cd "${1:-$here/build}" && pwd)"
[ -x "$build/bench/bench_concordance" ] || { echo "build first: cmake --build build --target bench_concordance" >&2; exit 2; }
command -v rg >/dev/null 2>&1 || { peer_missing ripgrep ripgrep "the concordance rows have nothing to compare with, stopped"; exit 2; }
# The cores, least busy first: the one-core rows take the first (or CORE), a folder run on n
# workers the first n.
cores_by_quiet=$(quiet_cores | cut -d' ' -f1)
CORE="${CORE:-$(echo "$cores_by_quiet" | head -n1)}"
export BUILD_DIR="$build" RUNS="${RUNS:-5}" CORE
export BENCH_CORES="$( { echo "$CORE"; echo "$cores_by_quiet" | grep -vx "$CORE"; } | paste -sd,)"
started=$(date +%s)
build_type() { sed -nE 's/^CMAKE_BUILD_TYPE:[A-Z]+=(.*)/\1/p' "$1/CMakeCache.txt" 2>/dev/null; }
type="$(build_type "$build")"

# The earlier build, when one is asked for.
before=""
if [ -n "${BEFORE_BUILD:-}" ]; then
  before="$(cd "$BEFORE_BUILD" && pwd)"
elif [ -n "${BEFORE:-}" ]; then
  short=$(git -C "$here" rev-parse --short "$BEFORE^{commit}")
  tree="$build/before-$short"
  [ -e "$tree/.git" ] || git -C "$here" worktree add --detach "$tree" "$BEFORE" >&2
  before="$tree/build"
  # Made, or made again, with this build's type: a "before" built otherwise compares unlike things.
  if [ ! -f "$before/build.ninja" ] || [ "$(build_type "$before")" != "$type" ]; then
    (cd "$tree" && QT_QPA_PLATFORM=offscreen cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$type" >&2)
  fi
  targets=(bench_concordance bench_main_road)
  [ -n "${SKIP_WORDLIST:-}" ] || targets+=(bench_wordlist)
  echo "== building ${targets[*]} of $BEFORE in $before" >&2
  cmake --build "$before" -j"${BUILD_JOBS:-3}" --target "${targets[@]}" >&2
fi
[ -z "$before" ] || [ -x "$before/bench/bench_concordance" ] || { echo "no $before/bench/bench_concordance" >&2; exit 2; }
if [ -z "${SKIP_FOLDER:-}" ]; then
  for dir in "$build" ${before:+"$before"}; do
    [ -x "$dir/bench/bench_main_road" ] || { echo "no $dir/bench/bench_main_road: build it, or SKIP_FOLDER=1" >&2; exit 2; }
  done
fi
export BEFORE_BUILD="$before"
echo "after: $build (${type:-no build type}); ${before:+before: $before ($(build_type "$before")); }one-core rows on core $CORE; folder runs pinned to the first n of $BENCH_CORES"
[ -z "$before" ] || [ "$(build_type "$before")" = "$type" ] ||
  echo "NOTE: the two builds' types differ: their figures compare unlike builds"

mapfile -t made < <("$here/bench/real_prose.sh" "$build/real_prose")
texts="${made[0]}" prose="${made[1]}"
# FOLDER=dir (or FOLDER=fortunes, below): the many texts of the folder rows (the mail bodies unless
# set; a larger folder gives steadier figures for 8 workers against 1); FOLDER_WORD: the word sought there ("your" unless set).
texts="${FOLDER:-$texts}" folder_word="${FOLDER_WORD:-your}"
gen="$build/gen/english${GEN_MB:-323}.txt"
mkdir -p "$build/gen"
[ -e "$gen" ] || "$build/bench/bench_concordance" --make "$gen" "${GEN_MB:-323}" concordance
mapfile -t beyond < <("$here/bench/fortune_prose.sh" "$build/fortune_prose" "${PROSE_MB:-85}")
de="${beyond[0]}" de_latin9="${beyond[1]}" ru="${beyond[2]}" cs="${beyond[3]}"
# FOLDER=fortunes: the three languages' UTF-8 prose cut at line ends into 1,200 texts (600 German,
# 300 Czech, 300 Russian; about 250 MB), a folder large enough for steady figures on 8 workers.
if [ "${FOLDER:-}" = fortunes ]; then
  texts="$build/fortune_prose/texts"
  if [ ! -f "$texts/.done" ]; then
    rm -rf "$texts" && mkdir -p "$texts"
    split -n l/600 -d -a 4 --additional-suffix=.txt "$de" "$texts/de"
    split -n l/300 -d -a 4 --additional-suffix=.txt "$cs" "$texts/cs"
    split -n l/300 -d -a 4 --additional-suffix=.txt "$ru" "$texts/ru"
    touch "$texts/.done"
  fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The rows of the last table: row|before|after|ripgrep|after/ripgrep (wall, and processor in
# brackets)|target|met|hits (ours against ripgrep's corrected)|load (the last minute's, before and
# after the row's runs)
table=()
lists=()   # the ".cnc" comparisons of before and after
shown() { awk -v b="${1% *}" -v m="${1#* }" 'BEGIN { printf "%.3f s (%.3f)", m, b }'; }  # "BEST MEDIAN" as printed
# met: yes or no for a figure against a target of the form "<= x" or ">= x"; - without a figure.
met() {  # FIGURE TARGET
  case "$1" in ''|-|n/a) echo -; return ;; esac
  case "$2" in
    "<= "*) awk -v f="$1" -v t="${2#<= }" 'BEGIN { print (f <= t) ? "yes" : "no" }' ;;
    ">= "*) awk -v f="$1" -v t="${2#>= }" 'BEGIN { print (f >= t) ? "yes" : "no" }' ;;
    *) echo - ;;
  esac
}

times() { if [ "$1" = - ]; then echo -; else echo "$1×"; fi; }  # a target as printed

# Words in a text as ripgrep counts them (runs of \w), kept beside the text once counted.
words() {  # FILE [ENCODING]
  local cache="$1.words"
  if [ ! -s "$cache" ] || [ "$1" -nt "$cache" ]; then
    rg -j1 ${2:+-E "$2"} -o -- '\w+' "$1" | wc -l > "$cache"
  fi
  cat "$cache"
}

# One bench_concordance run per build, untimed, for what the timed runs leave out: the fast road's
# share (when asked and given) and, with SAVE, the list saved, before's against after's.
extras() {  # LABEL FILE WORD SHARE(0|1) SAVE(0|1)
  local side dir out asked
  for side in before after; do
    if [ "$side" = before ]; then dir="$before"; else dir="$build"; fi
    [ -n "$dir" ] || continue
    rm -f "$work/$side".*
    asked=()
    [ "$4" = 0 ] || asked+=(BENCH_ROAD_SHARE=1)
    [ "$5" = 0 ] || asked+=(BENCH_SAVE_LIST="$work/$side")
    out=$(env "${asked[@]}" taskset -c "$CORE" "$dir/bench/bench_concordance" --file "$2" "$3" || true)
    [ "$4" = 1 ] || continue
    echo "$out" | grep '^road share:' | sed "s/^/${before:+$side: }/" || true
  done
  if [ "$5" = 1 ] && [ -n "$before" ]; then
    if cmp -s "$work/before.1" "$work/after.1"; then lists+=("$1 \"$3\", 1 worker: identical")
    else lists+=("$1 \"$3\", 1 worker: DIFFER"); fi
    echo "\".cnc\" bytes, before against after, 1 worker: ${lists[-1]##*: }"
  fi
}

# One row: ours (and before) against ripgrep on one text.
concordance() {  # LABEL FILE WORD TARGET (e.g. "<= 1.5", or -) [ENCODING] [BEYOND (1: beyond ASCII)] [SAVE]
  local label="$1" file="$2" word="$3" target="$4" enc="${5:-}" out rg after b ratio cpu_ratio same hits load
  echo "== $label: \"$word\" in $(basename "$file") ($(du -mL "$file" | cut -f1) MB${enc:+, $enc})"
  out=$(ENCODING="$enc" "$here/bench/compare_concordance.sh" "$file" "$word")
  echo "$out"
  hits=$(echo "$out" | sed -nE 's/^ripgrep: .* ([0-9]+) matches$/\1/p')
  if [ "${hits:-0}" -gt 0 ]; then
    echo "frequency: $hits hits for ripgrep, about 1 in $(( $(words "$file" "$enc") / hits )) words"
  fi
  # Each side's best and median wall seconds.
  rg=$(echo "$out" | sed -nE 's/^ripgrep: +([0-9.]+) +([0-9.]+) .*/\1 \2/p')
  after=$(echo "$out" | sed -nE 's/^ours: +([0-9.]+) +([0-9.]+) .*/\1 \2/p')
  b=$(echo "$out" | sed -nE 's/^before: +([0-9.]+) +([0-9.]+) .*/\1 \2/p')
  ratio=$(awk -v a="${after#* }" -v r="${rg#* }" 'BEGIN { if (r > 0) printf "%.2f", a / r; else print "n/a" }')
  cpu_ratio=$(echo "$out" | sed -nE 's/^ratio \(ours \/ ripgrep\), of the medians: .* wall, (.*) cpu$/\1/p')
  same=$(echo "$out" | sed -nE 's/^hits, ours: .*(the same|DIFFER by -?[0-9]+).*/\1/p')
  load=$(echo "$out" | sed -nE 's/^load before: ([0-9.]+) .*, after: ([0-9.]+) .*/\1 to \2/p')
  if [ "${6:-0}" = 1 ] || [ "${7:-0}" = 1 ]; then extras "$label" "$file" "$word" "${6:-0}" "${7:-0}"; fi
  table+=("$label \"$word\"|${b:+$(shown "$b")}|$(shown "$after")|$(shown "$rg")|$ratio ($cpu_ratio)|$(times "$target")|$(met "$ratio" "$target")|${same:-?}|$load")
}

peak() {  # our peak resident megabytes for one run: BUILD_DIR FILE WORD
  /usr/bin/time -f '%M' -o "$work/peak" taskset -c "$CORE" "$1/bench/bench_concordance" --file "$2" "$3" >/dev/null
  echo "$(( $(cat "$work/peak") / 1024 ))"
}
peak_row() {  # LABEL FILE WORD
  local b="" a load
  load=$(cut -d' ' -f1 /proc/loadavg)
  [ -z "$before" ] || b=$(peak "$before" "$2" "$3")
  a=$(peak "$build" "$2" "$3")
  load="$load to $(cut -d' ' -f1 /proc/loadavg)"
  echo "peak memory, \"$3\", $1: ${b:+before $b MB, after }$a MB (load $load)"
  table+=("peak memory \"$3\", $1|${b:+$b MB}|$a MB|||<= 1.5 GB|$(met "$a" "<= 1536")||$load")
}

# Real prose: "insurance" about 1 in 4,800 words, "your" about 1 in 250, and "the".
concordance "rare word, real prose" "$prose" insurance -
concordance "1 in 250, real prose" "$prose" your -
concordance "the, real prose" "$prose" the "<= 3"
peak_row "real prose" "$prose" the
# The generated text: "concordance" about 1 in 1,000 words, "the" about 1 in 67.
concordance "1 in 1,000, generated" "$gen" concordance -
concordance "the, generated" "$gen" the "<= 3"
peak_row generated "$gen" the
# Prose beyond ASCII. German: "nicht" about 1 in 75 words, "und" about 1 in 45, "Bürger" about 1
# in 14,000; the Latin-9 text is the same prose. Russian: "что" about 1 in 85, "наконец" about 1
# in 9,000; Czech: "že" about 1 in 95, "řešit" about 1 in 11,000 (the frequencies are printed).
concordance "German UTF-8, frequent" "$de" nicht "<= 1.5" "" 1 1
concordance "German UTF-8, frequent" "$de" und "<= 1.5" "" 1 1
concordance "German UTF-8, rare" "$de" Bürger "<= 1.5" "" 1 1
concordance "German Latin-9, frequent" "$de_latin9" nicht "<= 1.5" iso-8859-15 1 1
concordance "German Latin-9, frequent" "$de_latin9" und "<= 1.5" iso-8859-15 1 1
concordance "German Latin-9, rare" "$de_latin9" Bürger "<= 1.5" iso-8859-15 1 1
concordance "Russian UTF-8, frequent" "$ru" что "<= 1.5" "" 1
concordance "Russian UTF-8, rare" "$ru" наконец "<= 1.5" "" 1
concordance "Czech UTF-8, frequent" "$cs" že "<= 1.5" "" 1
concordance "Czech UTF-8, rare" "$cs" řešit "<= 1.5" "" 1

# The German lists on 8 workers: the texts cut into 64 texts at line ends, one folder a text
# encoding, through bench_concordance --folder on 8 workers alone (its last run's list is saved).
if [ -n "$before" ]; then
  for pair in "UTF-8:$de" "Latin-9:$de_latin9"; do
    name="${pair%%:*}" text="${pair#*:}"
    folder="${text%.txt}_texts"
    if [ ! -f "$folder/.done" ] || [ "$text" -nt "$folder/.done" ]; then
      rm -rf "$folder" && mkdir -p "$folder"
      split -n l/64 -d -a 2 --additional-suffix=.txt "$text" "$folder/part"
      touch "$folder/.done"
    fi
    for word in nicht Bürger; do
      rm -f "$work"/before.* "$work"/after.*
      BENCH_WORKERS=8 BENCH_SAVE_LIST="$work/before" "$before/bench/bench_concordance" --folder "$folder" "$word" >/dev/null
      BENCH_WORKERS=8 BENCH_SAVE_LIST="$work/after" "$build/bench/bench_concordance" --folder "$folder" "$word" >/dev/null
      if cmp -s "$work/before.8" "$work/after.8"; then lists+=("German $name \"$word\", 64 texts, 8 workers: identical")
      else lists+=("German $name \"$word\", 64 texts, 8 workers: DIFFER"); fi
      echo "== \".cnc\" bytes, before against after: ${lists[-1]}"
    done
  done
fi

# 8 workers against 1 for one road of the folder runs' output, and the load of that line: FIGURES ROAD
eight_to_one() { echo "$1" | sed -nE "s/^$2 +8 worker\\(s\\):.* ([0-9.]+)x one worker.*/\\1/p" | tail -n1; }
eight_load() { echo "$1" | sed -nE "s/^$2 +8 worker\\(s\\):.*\\(load ([0-9.]+) before, ([0-9.]+) after\\).*/\\1 to \\2/p" | tail -n1; }
if [ -z "${SKIP_FOLDER:-}" ]; then
  folder_out_before="" folder_out_after=""
  for side in before after; do
    if [ "$side" = before ]; then dir="$before"; else dir="$build"; fi
    [ -n "$dir" ] || continue
    echo "== many texts, $side: $texts"
    out=$( { "$dir/bench/bench_concordance" --folder "$texts" "$folder_word"
             QT_QPA_PLATFORM=offscreen "$dir/bench/bench_main_road" --folder "$texts" "$folder_word"; } 2>&1 |
           grep -v -e 'waits: workers' -e 'This plugin does not support' -e '^folder  ' || true)
    echo "$out"
    if [ "$side" = before ]; then folder_out_before="$out"; else folder_out_after="$out"; fi
  done
  for road in "texts into list" MakeConcordance "window's run"; do
    b=$(eight_to_one "$folder_out_before" "$road") a=$(eight_to_one "$folder_out_after" "$road")
    target=-; [ "$road" = "window's run" ] && target=">= 6"
    table+=("$road, 8 workers against 1|${b:+${b}×}|${a:+${a}×}|||$(times "$target")|$(met "$a" "$target")||$(eight_load "$folder_out_after" "$road")")
  done
  echo "window's run, 8 workers against 1: ${before:+before $(eight_to_one "$folder_out_before" "window's run")×, after }$(eight_to_one "$folder_out_after" "window's run")× (target >= 6×)"
fi

if [ -n "${PROFILE:-}" ]; then
  echo "== where the time goes"
  "$here/bench/profile_top.sh" "$de" Bürger ${before:+"$before"} "$build"
  "$here/bench/profile_top.sh" "$prose" the ${before:+"$before"} "$build"
fi

if [ -z "${SKIP_WORDLIST:-}" ]; then
  baseline=""
  if [ -n "$before" ]; then
    if [ -x "$before/bench/bench_wordlist" ]; then baseline="$before/bench/bench_wordlist"
    else echo "(no bench_wordlist in $before: the word list is timed for this build alone)"; fi
  fi
  echo "== word list, real prose"
  BASELINE="$baseline" CPU="$CORE" "$here/bench/wordlist_peers.sh" "$build" "$prose"
  echo "== word list, generated"
  BASELINE="$baseline" CPU="$CORE" "$here/bench/wordlist_peers.sh" "$build"
fi

echo
echo "== targets (load now $(cut -d' ' -f1-3 /proc/loadavg); concordance rows: median wall seconds of $RUNS runs (the best in brackets), whole processes on core $CORE, the ratio of the medians; 8 workers against 1: n workers on n cores${before:+; before: $before})"
{
  echo "row|before|after|ripgrep|after/ripgrep (cpu)|target|met|hits|load"
  printf '%s\n' "${table[@]}"
} | LC_ALL=C.UTF-8 column -t -s '|' -o ' | '
for l in "${lists[@]+"${lists[@]}"}"; do echo "\".cnc\" bytes, before against after: $l"; done
echo "($(( $(date +%s) - started )) s in all)"
