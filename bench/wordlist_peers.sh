#!/bin/sh
# Times word-list making against two peers on the same input, in one run, and prints the ratios:
#   linzora  bench_wordlist --file (one worker, to the sorted list)
#   python   /usr/bin/python3 reading line by line, Counter.update(re.findall(r"\w+(?:['-]\w+)*", line.lower()))
#   tr       LC_ALL=C tr -cs '[:alpha:]' '\n' | sort | uniq -c
# Usage: wordlist_peers.sh [BUILD_DIR (default build)] [INPUT (default: a generated 300 MB text)]
set -eu
build=${1:-build}
bench="$build/bench/bench_wordlist"
[ -x "$bench" ] || { echo "no $bench: build the bench_wordlist target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=${2:-}
if [ -z "$input" ]; then
  input="$work/input.txt"
  "$bench" --make "$input" 300
fi
mb=$(du -m "$input" | cut -f1)
echo "input: $input ($mb MB)"

now() { date +%s.%N; }
t0=$(now)
"$bench" --file "$input" 1
t1=$(now)
/usr/bin/python3 - "$input" <<'PY'
import re, sys
from collections import Counter
words = Counter()
pattern = re.compile(r"\w+(?:['-]\w+)*")
with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
    for line in f:
        words.update(pattern.findall(line.lower()))
print("python: %d types, %d tokens" % (len(words), sum(words.values())))
PY
t2=$(now)
LC_ALL=C tr -cs '[:alpha:]' '\n' < "$input" | sort | uniq -c > "$work/tr.txt"
t3=$(now)
echo "tr: $(wc -l < "$work/tr.txt") types"
awk -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" -v mb="$mb" 'BEGIN {
  l = b - a; p = c - b; t = d - c;
  printf "linzora %.2f s (%.1f MB/s)\npython  %.2f s (%.1f MB/s)  python/linzora %.1fx\ntr|sort %.2f s (%.1f MB/s)  tr/linzora %.1fx\n",
    l, mb / l, p, mb / p, p / l, t, mb / t, t / l }'
