#!/usr/bin/env bash
# Makes corpora of real prose beyond ASCII for the benchmarks, from Debian's fortune files in
# German, Russian and Czech (the packages fortunes-de, fortunes-ru and fortunes-cs, installed with
# ripgrep when missing): every UTF-8 file of a language end to end, repeated to about MB megabytes.
# Usage: bench/fortune_prose.sh [DIR (default build/fortune_prose)] [MB (default 85)]
# Writes DIR/de.txt (UTF-8), DIR/de_latin9.txt (the same in ISO-8859-15; the few characters it
# cannot hold, such as typographic quotes, are left out), DIR/ru.txt and DIR/cs.txt (UTF-8).
# Prints the four paths, one a line, and on stderr each corpus's share of characters beyond ASCII.
# Does nothing that is already there.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build/fortune_prose}"
mb="${2:-85}"
source_root=/usr/share/games/fortunes

missing=()
for p in fortunes-de fortunes-ru fortunes-cs ripgrep; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q >&2
  $SUDO apt-get install -y -q "${missing[@]}" >&2
fi

# The files of one language: regular files only (the .u8 names are links to them, the .dat files
# are fortune's indexes), and of those only the ones `file` takes for UTF-8 (one Czech file is
# in another encoding).
sources() {  # LANGUAGE
  local f
  for f in "$source_root/$1"/*; do
    [ -f "$f" ] && [ ! -L "$f" ] || continue
    case "$f" in *.dat) continue ;; esac
    [ "$(file -b --mime-encoding "$f")" = utf-8 ] && echo "$f"
  done
}

# One corpus: the language's files end to end once, then that as many times as makes MB megabytes.
make_corpus() {  # LANGUAGE OUT
  local once="$2.once" copies size
  mapfile -t files < <(sources "$1")
  [ "${#files[@]}" -gt 0 ] || { echo "no UTF-8 fortune files under $source_root/$1" >&2; exit 2; }
  cat "${files[@]}" > "$once"
  size=$(stat -c %s "$once")
  copies=$(( (mb * 1000000 + size - 1) / size ))
  : > "$2.part"
  for ((i = 0; i < copies; i++)); do cat "$once" >> "$2.part"; done
  rm -f "$once"
  mv "$2.part" "$2"
}

# Characters beyond ASCII against all characters, in per cent: in UTF-8 a character beyond ASCII
# starts with a byte from 0xC0 and goes on with bytes 0x80 to 0xBF; in an 8-bit text each byte
# from 0x80 is one.
share() {  # FILE utf-8|8bit
  local bytes lead cont
  bytes=$(stat -c %s "$1")
  if [ "$2" = utf-8 ]; then
    lead=$(LC_ALL=C tr -dc '\300-\377' < "$1" | wc -c)
    cont=$(LC_ALL=C tr -dc '\200-\277' < "$1" | wc -c)
    awk -v l="$lead" -v c="$((bytes - cont))" 'BEGIN { printf "%.1f", 100 * l / c }'
  else
    lead=$(LC_ALL=C tr -dc '\200-\377' < "$1" | wc -c)
    awk -v l="$lead" -v c="$bytes" 'BEGIN { printf "%.1f", 100 * l / c }'
  fi
}

mkdir -p "$dir"
if [ ! -f "$dir/.done" ] || [ "$(cat "$dir/.done")" != "$mb" ]; then
  rm -f "$dir/.done" "$dir/shares"
  make_corpus de "$dir/de.txt"
  make_corpus ru "$dir/ru.txt"
  make_corpus cs "$dir/cs.txt"
  # iconv -c answers 1 when it left characters out: that is expected here, an empty text is not.
  iconv -c -f UTF-8 -t ISO-8859-15 "$dir/de.txt" > "$dir/de_latin9.part" || true
  [ -s "$dir/de_latin9.part" ] || { echo "iconv made no Latin-9 text" >&2; exit 2; }
  mv "$dir/de_latin9.part" "$dir/de_latin9.txt"
  {
    echo "de.txt: $(share "$dir/de.txt" utf-8)% of characters beyond ASCII"
    echo "de_latin9.txt: $(share "$dir/de_latin9.txt" 8bit)% of characters beyond ASCII"
    echo "ru.txt: $(share "$dir/ru.txt" utf-8)% of characters beyond ASCII"
    echo "cs.txt: $(share "$dir/cs.txt" utf-8)% of characters beyond ASCII"
  } > "$dir/shares"
  echo "$mb" > "$dir/.done"
fi
cat "$dir/shares" >&2
for name in de.txt de_latin9.txt ru.txt cs.txt; do echo "$dir/$name"; done
