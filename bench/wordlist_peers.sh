#!/bin/sh
# Times word-list making against two peers on the same input, in one run, and prints the ratios:
#   linzora  bench_wordlist --file (one worker, to the sorted list, numbers included)
#   python   /usr/bin/python3 reading line by line, Counter.update(pattern.findall(line.lower())),
#            the pattern our word rules: a word is letters and digits of any script; "." or ","
#            between two digits ("3.14", "1,000") and a hyphen (-, U+2010, U+2011) with a letter
#            on one side ("well-known", "3-D"; "1-2" is two) join; an apostrophe (' or U+2019:
#            "don't" is two words), an underscore or any other mark ends a word; a soft hyphen is
#            left out; mark-up (<...> of up to 1,000 characters, over line ends too), which our
#            default settings hide, is taken out first. It counts as we do, but for characters
#            Python's \w takes otherwise (it has no combining marks) and case folding beyond the
#            simple (lower() against our upper).
#   tr       the whole pipeline under LC_ALL=C: tr -cs '[:alpha:]' '\n' | tr A-Z a-z | sort | uniq -c
#            (lower-cased, as the other two count). It counts differently, and says so: only
#            ASCII letters make words (a letter beyond ASCII, a digit, an apostrophe, a hyphen, "."
#            or "," ends one, and numbers are not words) and mark-up is counted, so its types and
#            running words differ.
# Each program's types and running words are printed after the times.
# Usage: wordlist_peers.sh [BUILD_DIR (default build)] [INPUT (default: a generated 300 MB text)]
# Environment:
#   CPU=n             every program runs pinned to core n (taskset), one core for all
#   ROUNDS=n          n rounds (default 1), each timing all of them; the median and the best of
#                     each are printed last
#   BASELINE=program  another bench_wordlist (an earlier build) timed in each round beside ours
# Each program's processor time (user + system) is printed beside its wall time: on a shared
# machine the processor times compare more fairly.
set -eu
echo "command: cd $(pwd) && ${CPU:+CPU=$CPU }${ROUNDS:+ROUNDS=$ROUNDS }${BASELINE:+BASELINE=$BASELINE }$0${*:+ $*}"
build=${1:-build}
bench="$build/bench/bench_wordlist"
[ -x "$bench" ] || { echo "no $bench: build the bench_wordlist target first" >&2; exit 1; }
baseline=${BASELINE:-}
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "no $baseline" >&2; exit 1; }
rounds=${ROUNDS:-1}
pin=""
[ -z "${CPU:-}" ] || pin="taskset -c $CPU"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=${2:-}
if [ -z "$input" ]; then
  input="$work/input.txt"
  "$bench" --make "$input" 300
fi
mb=$(du -m "$input" | cut -f1)
echo "input: $input ($mb MB); pinned: ${CPU:-no}"

# Runs a command, keeping its wall and processor seconds (user + system, its children's too) in
# $work/NAME as "wall processor".
timed() {
  name=$1
  shift
  /usr/bin/time -f "%e %U %S" -o "$work/$name.raw" "$@"
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/$name.raw" > "$work/$name"
}
python_peer() {
  timed python $pin /usr/bin/python3 - "$input" <<'PY'
import re, sys
from collections import Counter
words = Counter()
# Our word rules (the head of this script).
pattern = re.compile(r"[^\W_]+(?:(?:(?<=\d)[.,](?=\d)|(?<=[^\W\d_])[-\u2010\u2011](?=[^\W_])|[-\u2010\u2011](?=[^\W\d_]))[^\W_]+)*")
tag = re.compile(r"<[^<>]{1,1000}>")
def count(text):
    words.update(pattern.findall(tag.sub(" ", text).replace("\u00ad", "").lower()))
# A tag still open at a line's end goes on to the next line, up to its 1,000 characters.
carry = ""
with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
    for line in f:
        text = carry + line if carry else line
        carry = ""
        at = text.rfind("<")
        if at >= 0 and text.find(">", at) < 0 and len(text) - at <= 1000:
            text, carry = text[:at], text[at:]
        count(text)
count(carry)
print("python: %d types, %d tokens" % (len(words), sum(words.values())))
PY
}
round=1
: > "$work/times"
while [ "$round" -le "$rounds" ]; do
  echo "round $round, load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "0 0" > "$work/baseline"
  [ -z "$baseline" ] || timed baseline $pin "$baseline" --file "$input" 1
  timed linzora $pin "$bench" --file "$input" 1
  python_peer
  timed tr sh -c "export LC_ALL=C; $pin tr -cs '[:alpha:]' '\n' < '$input' | $pin tr 'A-Z' 'a-z' | $pin sort | $pin uniq -c > '$work/tr.txt'"
  echo "tr: $(awk '{ n += $1 } END { printf "%d types, %d tokens", NR, n }' "$work/tr.txt") (ASCII letters alone make its words); load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  line="$(cat "$work/linzora") $(cat "$work/python") $(cat "$work/tr") $(cat "$work/baseline")"
  echo "$line" | awk -v mb="$mb" -v base="$baseline" '{
    l = $1; lc = $2; p = $3; pc = $4; t = $5; tc = $6; o = $7; oc = $8
    printf "linzora  %6.2f s (%5.1f MB/s), processor %6.2f s\n", l, mb / l, lc
    printf "python   %6.2f s (%5.1f MB/s), processor %6.2f s   python/linzora %4.1fx, by processor time %4.1fx\n", p, mb / p, pc, p / l, pc / lc
    printf "tr|sort  %6.2f s (%5.1f MB/s), processor %6.2f s   tr/linzora     %4.1fx, by processor time %4.1fx\n", t, mb / t, tc, t / l, tc / lc
    if (base != "")
      printf "baseline %6.2f s (%5.1f MB/s), processor %6.2f s   python/baseline %4.1fx (%4.1fx), tr/baseline %4.1fx (%4.1fx)\n",
        o, mb / o, oc, p / o, pc / oc, t / o, tc / oc
  }'
  echo "$line" >> "$work/times"
  round=$((round + 1))
done
if [ "$rounds" -gt 1 ]; then
  # The median of each column over the rounds (of an even number, the lower middle one), then
  # the ratios of the medians.
  mid=$(( (rounds + 1) / 2 ))
  medians=""
  for column in 1 2 3 4 5 6 7 8; do
    medians="$medians $(cut -d' ' -f$column "$work/times" | sort -g | sed -n "${mid}p")"
  done
  echo "$medians" | awk -v n="$rounds" -v base="$baseline" '{
    printf "median of %d, wall:      linzora %.2f s, python %.2f s (%.1fx), tr|sort %.2f s (%.1fx)\n", n, $1, $3, $3 / $1, $5, $5 / $1
    printf "median of %d, processor: linzora %.2f s, python %.2f s (%.1fx), tr|sort %.2f s (%.1fx)\n", n, $2, $4, $4 / $2, $6, $6 / $2
    if (base != "")
      printf "median of %d, baseline:  wall %.2f s (python %.1fx, linzora/baseline %.3f), processor %.2f s (python %.1fx, linzora/baseline %.3f)\n",
        n, $7, $3 / $7, $1 / $7, $8, $4 / $8, $2 / $8
  }'
  # The best wall time of each program over the rounds, and the best processor time.
  awk -v base="$baseline" '
    { for (i = 1; i <= 8; ++i) if (NR == 1 || $i < best[i]) best[i] = $i }
    END {
      printf "best of %d, wall:      linzora %.2f s, python %.2f s (%.1fx), tr|sort %.2f s (%.1fx)\n", NR, best[1], best[3],
        best[3] / best[1], best[5], best[5] / best[1]
      printf "best of %d, processor: linzora %.2f s, python %.2f s (%.1fx), tr|sort %.2f s (%.1fx)\n", NR, best[2], best[4],
        best[4] / best[2], best[6], best[6] / best[2]
      if (base != "")
        printf "best of %d, baseline:  wall %.2f s (python %.1fx), processor %.2f s (python %.1fx)\n", NR, best[7],
          best[3] / best[7], best[8], best[4] / best[8]
    }' "$work/times"
fi
