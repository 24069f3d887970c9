#!/usr/bin/env bash
# The corpus index against three other ways of finding words in a corpus, on one run over one
# corpus: building (ours on one pinned core and on every core, Xapian and SQLite's FTS5, both
# through /usr/bin/python3, on the same pinned core), looking up four words and phrases (each a
# whole process on the pinned core, warm cache, best of 3: ours, Xapian's position lists and
# OP_PHRASE, an FTS5 instance table and MATCH with positions merged, and ripgrep with one thread
# over the raw texts), and the sizes
# on disk. Each look-up prints how many places it found (the programs split words a little
# differently: hyphens, apostrophes and numbers). Every side, ours too, is timed as a whole process
# (its start included: the program's, or python's with its module), never inside a process; the
# output says so.
# Usage: bench/compare_index.sh [BUILD_DIR (build)] [FOLDER (default: a generated 300 MB folder of
#        500 English-like texts)]
# Environment: CORE (the pinned core; unless set, the least busy over a second before the runs).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=process_timing.sh
. "$here/bench/process_timing.sh"
command_line CORE -- "$@"
build="${1:-$here/build}"
bench="$build/bench/bench_index"
[ -x "$bench" ] || { echo "no $bench: build the bench_index target first" >&2; exit 2; }
py=/usr/bin/python3
missing=()
"$py" -c "import xapian" 2>/dev/null || missing+=(python3-xapian)
command -v rg >/dev/null 2>&1 || missing+=(ripgrep)
if [ ${#missing[@]} -gt 0 ]; then
  echo "peers missing: ${missing[*]}; installing them (apt-get install ${missing[*]})" >&2
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q && $SUDO apt-get install -y -q "${missing[@]}"
fi
"$py" -c "import sqlite3; sqlite3.connect(':memory:').execute('create virtual table t using fts5(x)')" ||
  { echo "this python's sqlite3 has no FTS5" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="${2:-}"
if [ -z "$folder" ]; then
  folder="$work/corpus"
  "$bench" --make "$folder" 300 500
fi
core="${CORE:-$(quiet_core)}"
now() { date +%s.%N; }
echo "corpus: $folder ($(du -sm "$folder" | cut -f1) MB, $(ls "$folder" | wc -l) texts); load: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- building -----------------------------------------------------------------------------------
# Each build is timed for its wall-clock seconds, the processor seconds it used (user + system)
# and its peak resident memory;
# ours on one core and FTS5 run twice, in turn, and the better of the two counts (the cores are
# shared: a run can lose its core to other work for a while).
timed() {  # output file, command...
  local out="$1"; shift
  /usr/bin/time -f "%e %U %S %M" -o "$out.time" "$@" > "$out.log"
  awk '{ printf "%.2f %.2f %.0f", $1, $2 + $3, $4 / 1024 }' "$out.time"
}
better() { awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " "); print (x[1] <= y[1] ? a : b) }'; }
cat > "$work/xapian_build.py" <<'PY'
import os, sys, xapian
folder, path = sys.argv[1], sys.argv[2]
db = xapian.WritableDatabase(path, xapian.DB_CREATE_OR_OVERWRITE)
tg = xapian.TermGenerator()
for name in sorted(os.listdir(folder)):
    with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
        doc = xapian.Document()
        tg.set_document(doc)
        tg.index_text(f.read())
        doc.set_data(name)
        db.add_document(doc)
db.commit()
PY
cat > "$work/fts5_build.py" <<'PY'
import os, sys, sqlite3
folder, path = sys.argv[1], sys.argv[2]
con = sqlite3.connect(path)
con.execute("create virtual table t using fts5(name unindexed, body)")
with con:
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
            con.execute("insert into t(name, body) values (?, ?)", (name, f.read()))
con.close()
PY
one_a=$(timed "$work/b1" taskset -c "$core" "$bench" --build "$folder" "$work/one/corpus" 1)
fts_a=$(timed "$work/b2" taskset -c "$core" "$py" "$work/fts5_build.py" "$folder" "$work/fts5.db")
rm -f "$work/fts5.db"
one_b=$(timed "$work/b3" taskset -c "$core" "$bench" --build "$folder" "$work/one/corpus" 1)
fts_b=$(timed "$work/b4" taskset -c "$core" "$py" "$work/fts5_build.py" "$folder" "$work/fts5.db")
many=$(timed "$work/b5" "$bench" --build "$folder" "$work/many/corpus")
xap=$(timed "$work/b6" taskset -c "$core" "$py" "$work/xapian_build.py" "$folder" "$work/xapian")
same=$("$bench" --same "$work/one/corpus" "$work/many/corpus" || true)
one=$(better "$one_a" "$one_b")
fts=$(better "$fts_a" "$fts_b")
awk -v one="$one" -v many="$many" -v x="$xap" -v s="$fts" -v same="$same" -v workers="$(nproc)" 'BEGIN {
  split(one, o, " "); split(many, m, " "); split(x, a, " "); split(s, f, " ");
  printf "\nbuilding (each a whole process timed by the system; seconds)\n";
  printf "                       wall    processor   peak MB   wall ratio to ours on one core\n";
  printf "ours, one core      %7.2f    %7.2f   %7d\n", o[1], o[2], o[3];
  printf "ours, %d workers     %7.2f    %7.2f   %7d     %5.2f   (files %s)\n", workers, m[1], m[2], m[3], m[1] / o[1], same;
  printf "xapian, one core    %7.2f    %7.2f   %7d     %5.2f\n", a[1], a[2], a[3], a[1] / o[1];
  printf "fts5, one core      %7.2f    %7.2f   %7d     %5.2f\n", f[1], f[2], f[3], f[1] / o[1] }'

# --- look-ups -------------------------------------------------------------------------------------
mapfile -t picked < <("$bench" --pick "$work/one/corpus")
cat > "$work/xapian_find.py" <<'PY'
import sys, xapian
db = xapian.Database(sys.argv[1])
words = sys.argv[2].split()
def positions(term):
    out = {}
    for p in db.postlist(term):
        out[p.docid] = list(db.positionlist(p.docid, term))
    return out
if len(words) == 1:
    print(sum(len(v) for v in positions(words[0]).values()))
else:
    enquire = xapian.Enquire(db)
    enquire.set_query(xapian.Query(xapian.Query.OP_PHRASE, words))
    n = 0
    for m in enquire.get_mset(0, db.get_doccount()):
        first = set(db.positionlist(m.docid, words[0]))
        second = set(db.positionlist(m.docid, words[1]))
        n += sum(1 for p in first if p + 1 in second)
    print(n)
PY
cat > "$work/fts5_find.py" <<'PY'
import sys, sqlite3
con = sqlite3.connect(sys.argv[1])
con.execute("create virtual table temp.v using fts5vocab(main, t, instance)")
words = sys.argv[2].split()
if len(words) == 1:
    print(len(con.execute("select doc, offset from v where term = ? and col = 'body'", (words[0],)).fetchall()))
else:
    # The texts holding the phrase, then both words' positions in them, merged.
    docs = set(r for (r,) in con.execute("select rowid from t where t match ?", ('"%s %s"' % (words[0], words[1]),)))
    def places(term):
        out = set()
        for doc, off in con.execute("select doc, offset from v where term = ? and col = 'body'", (term,)):
            if doc in docs:
                out.add((doc, off))
        return out
    first, second = places(words[0]), places(words[1])
    print(sum(1 for (doc, off) in first if (doc, off + 1) in second))
PY
# Best of three runs of a command: "seconds count".
best() {
  local best_t="" out=""
  for _ in 1 2 3; do
    local s e
    s=$(now); out=$("$@"); e=$(now)
    local t; t=$(awk -v a="$s" -v b="$e" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$best_t" ] || awk -v x="$t" -v y="$best_t" 'BEGIN { exit !(x < y) }'; then best_t=$t; fi
  done
  echo "$best_t $out"
}
# Every look-up runs on the one pinned core, ripgrep with one thread like the others.
pinned() { taskset -c "$core" "$@"; }
rg_word() { pinned rg -j1 -o -b -i -w -- "$1" "$folder" | wc -l; }
rg_phrase() { pinned rg -j1 -U -o -b -i -w -- "$1\\s+$2" "$folder" | wc -l; }
printf "\nlook-up (each a whole process on core %s, its start included, wall seconds, best of 3)\n" "$core"
printf "%-40s ours           xapian          fts5            ripgrep\n" ""
for line in "${picked[@]}"; do
  typed="${line%%$'\t'*}"; freq="${line##*$'\t'}"
  if [[ "$typed" == *" "* ]]; then
    ours=$(best pinned "$bench" --phrase "$work/one/corpus" "$typed")
    rgr=$(best rg_phrase ${typed% *} ${typed#* })
  else
    ours=$(best pinned "$bench" --word "$work/one/corpus" "$typed")
    rgr=$(best rg_word "$typed")
  fi
  xap=$(best pinned "$py" "$work/xapian_find.py" "$work/xapian" "$typed")
  fts=$(best pinned "$py" "$work/fts5_find.py" "$work/fts5.db" "$typed")
  printf "%-28s (%8s)  " "\"$typed\"" "$freq"
  for r in "$ours" "$xap" "$fts" "$rgr"; do printf "%7ss %-8s" "${r%% *}" "${r#* }"; done
  awk -v o="${ours%% *}" -v x="${xap%% *}" -v f="${fts%% *}" -v r="${rgr%% *}" \
    'BEGIN { printf "  ratios %.1fx %.1fx %.1fx\n", x / o, f / o, r / o }'
done

# --- sizes ----------------------------------------------------------------------------------------
corpus_mb=$(du -sm "$folder" | cut -f1)
ours_mb=$(du -cm "$work/one/corpus".* | tail -1 | cut -f1)
printf "\nsize on disk: corpus %d MB; ours %d MB (%s); xapian %d MB; fts5 %d MB\n" "$corpus_mb" "$ours_mb" \
  "$(cd "$work/one" && du -m corpus.* | awk '{ printf "%s%s %s MB", (NR > 1 ? ", " : ""), $2, $1 }')" \
  "$(du -sm "$work/xapian" | cut -f1)" "$(du -sm "$work/fts5.db" | cut -f1)"
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
