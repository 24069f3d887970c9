#!/usr/bin/env bash
# Analyses over a corpus index, one run over one corpus: a generated English-like folder is
# indexed, then clusters with phrase frames (one pinned core and every core, the rows compared),
# relationships of the 10,000 most frequent words (one core and every core) and the moving
# window (one core) are timed, each a process of its own, with wall-clock and processor seconds.
# Beside them NLTK (through /usr/bin/python3) counts the same running words, case folded, texts
# kept apart by padding: its trigram finder (frequency filter 5) against our clusters of 2-3
# words, its bigram finder over a window of 6 (our span of 5 to the right) against our pairs,
# counts compared one by one.
# Usage: bench/compare_analyses.sh [BUILD_DIR (build)] [--mb N (100)] [--peer-mb N (same)]
#        --mb: the corpus's size; --peer-mb: the first N MB of it given to both sides of the NLTK
#        comparisons (NLTK keeps every n-gram in memory: cut it when memory is short).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build"
mb=100
peer_mb=""
while [ $# -gt 0 ]; do
  case "$1" in
    --mb) mb="$2"; shift 2 ;;
    --peer-mb) peer_mb="$2"; shift 2 ;;
    *) build="$1"; shift ;;
  esac
done
peer_mb="${peer_mb:-$mb}"
bench="$build/bench/bench_index_analyses"
maker="$build/bench/bench_index"
for b in "$bench" "$maker"; do
  [ -x "$b" ] || { echo "no $b: build the bench_index_analyses and bench_index targets first" >&2; exit 2; }
done
py=/usr/bin/python3
if ! "$py" -c "import nltk" 2>/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q && $SUDO apt-get install -y -q python3-nltk
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The analyses read their settings from the store: a store of the run's own.
export LINZORA_CONFIG_DIR="$work/config"
mkdir -p "$LINZORA_CONFIG_DIR"
core="${CORE:-0}"
timed() {  # output file, command...
  local out="$1"; shift
  /usr/bin/time -f "%e %U %S %M" -o "$out.time" "$@" > "$out.log"
  cat "$out.log"
  awk '{ printf "  wall %.2f s, processor %.2f s, peak %.0f MB\n", $1, $2 + $3, $4 / 1024 }' "$out.time"
}
load() { echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"; }

"$maker" --make "$work/corpus" "$mb" 200
"$maker" --build "$work/corpus" "$work/index/corpus" > /dev/null
echo "corpus: $(du -sm "$work/corpus" | cut -f1) MB, $(ls "$work/corpus" | wc -l) texts; $(load)"

echo "--- clusters of 3-5 words, all words, at least 5 times, with phrase frames (target: 6 s on one core, 1.5 s on 8)"
timed "$work/c1" taskset -c "$core" "$bench" --clusters "$work/index/corpus" 1 "$work/rows1"
timed "$work/c8" "$bench" --clusters "$work/index/corpus" 8 "$work/rows8"
if cmp -s "$work/rows1" "$work/rows8"; then echo "  rows of one core and 8: identical"; else echo "  rows of one core and 8: DIFFERENT"; fi
load

echo "--- relationships of the 10,000 most frequent words, span 5 each side, joint at least 10 (target: 5 s on one core)"
timed "$work/r1" taskset -c "$core" "$bench" --relationships "$work/index/corpus" 1
timed "$work/r8" "$bench" --relationships "$work/index/corpus" 8
load

echo "--- moving window of 1,000 words, 3 runs, both files (target: 6 s on one core)"
mkdir -p "$work/out"
timed "$work/w1" taskset -c "$core" "$bench" --window "$work/index/corpus" "$work/out/window"
load

# --- NLTK on the same running words ------------------------------------------------------------
peer_index="$work/index/corpus"
if [ "$peer_mb" != "$mb" ]; then
  mkdir -p "$work/peer"
  total=0
  for f in $(ls "$work/corpus" | sort); do
    [ "$total" -ge $((peer_mb * 1000000)) ] && break
    cp "$work/corpus/$f" "$work/peer/"
    total=$((total + $(stat -c %s "$work/corpus/$f")))
  done
  "$maker" --build "$work/peer" "$work/index/peer" > /dev/null
  peer_index="$work/index/peer"
fi
"$bench" --words "$peer_index" "$work/words.txt"
echo "NLTK comparisons on $(du -sm "$work/words.txt" | cut -f1) MB of running words ($(grep -c . "$work/words.txt") words); $(load)"
cat > "$work/peer.py" <<'PY'
import sys
from nltk.collocations import BigramCollocationFinder, TrigramCollocationFinder
from nltk.metrics import BigramAssocMeasures
kind, words_file, out = sys.argv[1], sys.argv[2], sys.argv[3]
pad = 5 if kind == "bigrams" else 2
words = []
with open(words_file, encoding="utf-8") as f:
    for line in f:
        w = line.rstrip("\n")
        if w:
            words.append(sys.intern(w))
        else:
            words.extend([None] * pad)
if kind == "trigrams":
    finder = TrigramCollocationFinder.from_words(words)
    finder.apply_freq_filter(5)
    rows = sorted("%s\t%d" % (" ".join(g), n) for g, n in finder.ngram_fd.items())
else:
    # Our selection of the 10,000 most frequent words (ties as our index orders them).
    with open(sys.argv[4], encoding="utf-8") as f:
        top = set(line.rstrip("\n") for line in f)
    finder = BigramCollocationFinder.from_words(words, window_size=6)
    finder.apply_ngram_filter(lambda w1, w2: w1 not in top)
    finder.apply_freq_filter(10)
    m = BigramAssocMeasures()
    for measure in (m.pmi, m.likelihood_ratio, m.student_t, m.dice):
        finder.score_ngrams(measure)
    rows = sorted("%s %s\t%d" % (a, b, n) for (a, b), n in finder.ngram_fd.items())
with open(out, "w", encoding="utf-8") as f:
    f.write("\n".join(rows) + ("\n" if rows else ""))
print("%s: %d rows" % (kind, len(rows)))
PY
compare() {  # ours, theirs
  local ours="$1" theirs="$2"
  local a b same
  a=$(wc -l < "$ours"); b=$(wc -l < "$theirs")
  same=$(comm -12 "$ours" "$theirs" | wc -l)
  echo "  ours $a, NLTK $b, identical (words and count) $same"
  comm -3 "$ours" "$theirs" | head -5 | sed 's/^/  differs: /'
}
echo "--- ours: clusters of 2-3 words (not stopped by sentences) against NLTK's trigram finder"
timed "$work/n1" taskset -c "$core" "$bench" --ngrams "$peer_index" "$work/ours_tri.txt" 1
timed "$work/p3" taskset -c "$core" "$py" "$work/peer.py" trigrams "$work/words.txt" "$work/nltk_tri.txt"
LC_ALL=C sort -o "$work/ours_tri.txt" "$work/ours_tri.txt"; LC_ALL=C sort -o "$work/nltk_tri.txt" "$work/nltk_tri.txt"
compare "$work/ours_tri.txt" "$work/nltk_tri.txt"
echo "--- ours: pairs within 5 words to the right against NLTK's bigram finder (window 6, scored 4 ways)"
timed "$work/m1" taskset -c "$core" "$bench" --relationships "$peer_index" 1 "$work/ours_bi.txt" --right
timed "$work/p2" taskset -c "$core" "$py" "$work/peer.py" bigrams "$work/words.txt" "$work/nltk_bi.txt" "$work/ours_bi.txt.words"
LC_ALL=C sort -o "$work/ours_bi.txt" "$work/ours_bi.txt"; LC_ALL=C sort -o "$work/nltk_bi.txt" "$work/nltk_bi.txt"
compare "$work/ours_bi.txt" "$work/nltk_bi.txt"
load
