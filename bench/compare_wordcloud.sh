#!/usr/bin/env bash
# Times our word cloud against Debian's python3-wordcloud on the same 200 words, on one pinned
# core. Usage: bench/compare_wordcloud.sh [TEXT] [CORE]   (defaults: generated prose, core 2)
#
# The 200 most frequent words of a word list our word-list machinery makes from TEXT (or from
# generated English-like prose) are laid out on a 1000 x 700 picture in the same DejaVu font:
# ours through DisplayTheWords (measuring, placing and painting), theirs through
# WordCloud(width=1000, height=700, max_words=200, font_path=...).generate_from_frequencies(...)
# inside Python, the interpreter's start-up and imports left out. Each is the best of five runs.
# Needs a build folder with bench_word_cloud (BUILD_DIR, default build).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
text="${1:-}"
core="${2:-2}"
build="${BUILD_DIR:-$here/build}"
bench="$build/bench/bench_word_cloud"
if [[ ! -x "$bench" ]]; then
  echo "compare_wordcloud: $bench not built (cmake --build $build --target bench_word_cloud)" >&2
  exit 1
fi

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
# Debian's own interpreter: the package installs its module there.
py=/usr/bin/python3
if ! "$py" -c 'import wordcloud' 2>/dev/null || [[ ! -f "$font" ]]; then
  as_root apt-get install -y python3-wordcloud fonts-dejavu-core >/dev/null
fi
"$py" -c 'import wordcloud' || { echo "compare_wordcloud: python3-wordcloud is not installed" >&2; exit 1; }
[[ -f "$font" ]] || { echo "compare_wordcloud: $font is missing" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
args=(--font "$font" --tsv "$work/words.tsv" --png "$work/ours.png" --repeat 5)
[[ -n "$text" ]] && args+=(--text "$text")
ours="$(QT_QPA_PLATFORM=offscreen taskset -c "$core" "$bench" "${args[@]}")"

cat >"$work/theirs.py" <<'PY'
import sys, time
from wordcloud import WordCloud
words = {}
with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        w, n = line.rstrip("\n").split("\t")
        words[w] = int(n)
best = None
placed = 0
for _ in range(5):
    t = time.perf_counter()
    wc = WordCloud(width=1000, height=700, max_words=200, font_path=sys.argv[2]).generate_from_frequencies(words)
    wc.to_image()
    s = time.perf_counter() - t
    best = s if best is None else min(best, s)
    placed = len(wc.layout_)
print("%.2f %d %d" % (best * 1000.0, placed, len(words)))
PY
read -r theirs_ms theirs_placed theirs_words < <(taskset -c "$core" "$py" "$work/theirs.py" "$work/words.tsv" "$font")

ours_ms="$(sed -n 's/^ours: \([0-9.]*\) ms.*/\1/p' <<<"$ours")"
echo "words: the 200 most frequent of our word list${text:+ of $text}; core $core"
echo "$ours"
printf 'python3-wordcloud: %.2f ms (best of 5, drawing included), %s of %s words placed\n' "$theirs_ms" "$theirs_placed" "$theirs_words"
printf 'ratio theirs / ours: %.1f\n' "$(awk -v t="$theirs_ms" -v o="$ours_ms" 'BEGIN { print t / o }')"
