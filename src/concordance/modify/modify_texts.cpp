#include "concordance/modify/modify_texts.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "concordance/lines/character_scans.h"
#include "concordance/lines/concordance_list.h"
#include "concordance/modify/modify_locks.h"
#include "concordance/modify/modify_text_form.h"
#include "concordance/modify/modify_undo.h"
#include "concordance/document/source_files.h"
#include "concordance/run/text_processor.h"
#include "model/reading/chosen_texts.h"
#include "model/documents/work_derived.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

constexpr TTessorineList kConcordanceListKind = 10;
constexpr int64_t kLargestText = (int64_t{1} << 32) - 1;

std::mutex& LogNameMutex() {
  static std::mutex m;
  return m;
}
UString& LogName() {
  static UString name;
  return name;
}

UString Two(int v) {
  UString s = IntToUStr(v);
  return s.size() < 2 ? u"0" + s : s;
}

// A field of the stamp read as a number; fallback when it is not one.
int StampNumber(UStringView s, int fallback) {
  int v = 0;
  for (char16_t c : s) {
    if (c < u'0' || c > u'9') return fallback;
    v = v * 10 + (c - u'0');
  }
  return v;
}

UString SystemUserName() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return Utf8ToUtf16(pw->pw_name);
  if (const char* u = std::getenv("USER")) return Utf8ToUtf16(u);
  return u"user";
}

std::string Narrow(UStringView s) { return Utf16ToUtf8(s); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool WriteWhole(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

int64_t WriteNs(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// A file written beside `target` and flushed; its name is given back. False (nothing left
// behind) when it could not be made.
bool WriteSibling(const std::string& target, const std::vector<std::pair<const char*, size_t>>& pieces, mode_t mode,
                  std::string& temp, UString& error) {
  const int fd = CreateTemporarySibling(target, 0600, temp);
  if (fd < 0) {
    error = u"cannot make a temporary file beside it (" + LastSystemErrorText() + u")";
    return false;
  }
  bool ok = true;
  for (const auto& [data, n] : pieces) ok = ok && WriteWhole(fd, data, n);
  ok = ok && ::fchmod(fd, mode & 07777) == 0;
  ok = ok && ::fsync(fd) == 0;
  if (!ok) error = u"cannot write a temporary file beside it (" + LastSystemErrorText() + u")";
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = u"cannot write a temporary file beside it (" + LastSystemErrorText() + u")";
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool IsBlankUnit(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

char16_t UnitAt(const TTextForm& form, const std::string& bytes, int64_t at) {
  const auto b0 = static_cast<uint8_t>(bytes[static_cast<size_t>(at)]);
  if (!form.IsUtf16()) return b0;
  const auto b1 = static_cast<uint8_t>(bytes[static_cast<size_t>(at + 1)]);
  return form.encoding == TTextEncoding::Utf16LE ? static_cast<char16_t>(b0 | b1 << 8)
                                                 : static_cast<char16_t>(b1 | b0 << 8);
}

// --- finding the hits with the reader's rules -------------------------------------------------------

struct TSpot {
  size_t change = 0;  // index into the request's changes
  int64_t position = 0;
  int32_t hit = 0;
  UString hit_text;
  bool found = false;
  int64_t end = -1;  // file byte after the hit
  UString why;       // when not found
};

class TChangeLocator : public TBufferProcessor {
 public:
  TChangeLocator(TTextReadRun& run, TTextTagHandler* tags, const TChosenFileDetailsFullRec& chosen,
                 std::vector<TSpot>& spots)
      : TBufferProcessor(
            nullptr, [](const TFileHandledRec&, bool) {}, [](bool) {}, tags, chosen, kConcordanceListKind,
            run.Settings().text_settings.PrecomposedCharacters(), false, true, &run),
        spots_(spots) {}

  bool ProcessAChunkOfFile(int32_t) override {
    const int32_t n = Length() + LookAheadLength();
    const int64_t chunk_end = ChunkEndInFile();
    while (next_ < spots_.size() && (IsLastChunk() || spots_[next_].position < chunk_end)) {
      Locate(spots_[next_], n);
      ++next_;
    }
    return true;
  }

 private:
  void Locate(TSpot& s, int32_t n) {
    int32_t lo = ChunkStartIndex(), hi = n;
    while (lo < hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      if (FileByteOf(mid) < s.position) lo = mid + 1;
      else hi = mid;
    }
    if (lo >= n || FileByteOf(lo) != s.position) {
      s.why = u"no character of the text starts at byte " + IntToUStr(s.position);
      return;
    }
    const int32_t hit = std::max(s.hit, 0);
    if (hit == 0 || lo + hit > n) {
      s.why = u"the hit at byte " + IntToUStr(s.position) + u" cannot be read whole";
      return;
    }
    // The hit as its line shows it: a phrase over a line end reads "river bank" there.
    const UStringView there(Text() + lo, static_cast<size_t>(hit));
    const int32_t shown = s.hit_text.empty() ? -1 : TextUnitsShownAs(there, s.hit_text);
    if (shown <= 0) {
      s.why = u"the text at byte " + IntToUStr(s.position) + u" reads \"" + PhraseForLog(there) + u"\", not \"" +
              s.hit_text + u"\"";
      return;
    }
    s.found = true;
    s.end = FileByteOf(lo + hit);
  }

  std::vector<TSpot>& spots_;
  size_t next_ = 0;
};

// --- a backup ---------------------------------------------------------------------------------------

// "name.original" beside the file, made from the bytes read unless one is there already.
bool EnsureBackup(const std::string& real, const std::string& bytes, mode_t mode, UString& backup, UString& error) {
  const std::string name = real + ".original";
  backup = Utf8ToUtf16(name);
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0) {
    if (S_ISREG(st.st_mode)) return true;  // an older backup stays
    error = u"no backup can be made: " + backup + u" is there and is not a file";
    return false;
  }
  std::string temp;
  if (!WriteSibling(name, {{bytes.data(), bytes.size()}}, mode, temp, error)) {
    error = u"no backup could be made: " + error;
    return false;
  }
  // A link never replaces: a backup made meanwhile by someone else is kept.
  const int linked = ::link(temp.c_str(), name.c_str());
  const int link_errno = errno;
  ::unlink(temp.c_str());
  if (linked != 0 && link_errno != EEXIST) {
    errno = link_errno;
    error = u"no backup could be made (" + LastSystemErrorText() + u")";
    return false;
  }
  SyncFolder(FolderOf(name));
  return true;
}

struct TPlannedEdit {
  TByteEdit edit;
  std::string bytes;
  size_t change = 0;  // the request's change it belongs to
  bool marker = false;  // an insertion named in the log (its character offset is logged)
};

}  // namespace

// --- small pieces -------------------------------------------------------------------------------------

UString ModifySourceTextsKeyword(TModifySourceTexts kind) {
  switch (kind) {
    case TModifySourceTexts::mst_set: return u"SET";
    case TModifySourceTexts::mst_search_word: return u"SEARCHWORD";
    case TModifySourceTexts::mst_undo: return u"UNDO";
    default: return UString();
  }
}

TModifySourceTexts StringToModifySourceTexts(UStringView keyword) {
  for (auto k : {TModifySourceTexts::mst_set, TModifySourceTexts::mst_search_word, TModifySourceTexts::mst_undo})
    if (keyword == ModifySourceTextsKeyword(k)) return k;
  return TModifySourceTexts::mst_none;
}

UString DateTimeAsTimeStamp(TDateTime t) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  DecodeDateTime(t, y, mo, d, h, mi, s);
  UString year = IntToUStr(y);
  while (year.size() < 4) year = u"0" + year;
  return year + Two(mo) + Two(d) + Two(h) + Two(mi);
}

UString NowAsTimeStamp() { return DateTimeAsTimeStamp(Now()); }

TDateTime TimeStampToDateTime(UStringView stamp) {
  if (stamp.size() != 12 || stamp.find(u' ') != UStringView::npos) return Now();
  const int year = StampNumber(stamp.substr(0, 4), 2006);
  const int month = StampNumber(stamp.substr(4, 2), 1);
  const int day = StampNumber(stamp.substr(6, 2), 1);
  const int hour = StampNumber(stamp.substr(8, 2), 1);
  const int minute = StampNumber(stamp.substr(10, 2), 1);
  TDateTime out = 0;
  if (!TryEncodeDateTime(year, month, day, hour, minute, 0, out)) return Now();
  return out;
}

UString NthDelimitedField(UStringView text, char16_t delimiter, int n) {
  if (n < 1) return UString();
  size_t start = 0;
  for (int field = 1; field < n; ++field) {
    const size_t at = text.find(delimiter, start);
    if (at == UStringView::npos) return UString();
    start = at + 1;
  }
  const size_t end = text.find(delimiter, start);
  return UString(text.substr(start, end == UStringView::npos ? UStringView::npos : end - start));
}

UString WrappedAsMarker(UStringView text) {
  UString out(text);
  if (out.empty() || out.front() != u'<') out = u"<ut_" + out;
  if (out.back() != u'>') out += u"/>";
  return out;
}

void SetModificationLogFileName(UStringView name) {
  std::lock_guard<std::mutex> lock(LogNameMutex());
  LogName() = UString(name);
}

UString ModificationLogFileName() {
  {
    std::lock_guard<std::mutex> lock(LogNameMutex());
    if (!LogName().empty()) return LogName();
  }
  return IncludeTrailingPathDelimiter(GetUserReadWriteFolder()) + u"modified_source_texts_log.txt";
}

namespace {
constexpr char16_t kBreaksInLog[][2] = {{u'\t', u'\u2409'}, {u'\n', u'\u240A'}, {u'\r', u'\u240D'}};
UString MappedPhrase(UStringView text, int from, int to) {
  UString out(text);
  for (char16_t& c : out)
    for (const auto& pair : kBreaksInLog)
      if (c == pair[from]) c = pair[to];
  return out;
}
}  // namespace

UString PhraseForLog(UStringView phrase) { return MappedPhrase(phrase, 0, 1); }
UString PhraseFromLog(UStringView field) { return MappedPhrase(field, 1, 0); }

UString MarkupValueProblem(UStringView value, UStringView what, bool blank_allowed) {
  for (char16_t c : value) {
    if (c == u'\t' || c == u'\r' || c == u'\n') return UString(what) + u" holds a tab or line break";
    if (c == u'"' || c == u'<' || c == u'>') return UString(what) + u" holds a quote or angle bracket";
    if (c < 0x20 || c == 0x7F) return UString(what) + u" holds a control character";
    if (!blank_allowed && c == u' ') return UString(what) + u" holds a blank";
  }
  return UString();
}

int64_t MovedBytePosition(const std::vector<TByteEdit>& edits, int64_t position) {
  int64_t moved = position;
  for (const TByteEdit& e : edits) {
    const bool applies = e.old_length == 0 ? e.old_offset <= position : e.old_offset + e.old_length <= position;
    if (!applies) break;
    moved += e.new_length - e.old_length;
  }
  return moved;
}

// --- one text -----------------------------------------------------------------------------------------

TTextModifyResult ModifyOneText(const TTextToModify& text, const TModifyOptions& options) {
  TTextModifyResult result;
  for (const TTextChange& c : text.changes) result.changes.push_back(TChangeResult{c.line, false, UString()});
  auto refuse = [&](UStringView why) {
    result.refusal = text.full_name + u": " + UString(why);
    result.edits.clear();
    for (TChangeResult& c : result.changes) c.changed = false;
    return result;
  };
  const bool set = options.mode == TModifySourceTexts::mst_set;
  if (!set && options.mode != TModifySourceTexts::mst_search_word) return refuse(u"no modification was asked for");
  if (text.changes.empty()) return result;

  // 1. the name
  for (char16_t c : text.full_name)
    if (c == u'\t' || c == u'\r' || c == u'\n') return refuse(u"its name holds a tab or line break");
  if (text.archive_member) return refuse(u"it is a member of an archive");

  // 2. the file: the one the name leads to, links followed; the log names it, so that an undo
  // changes it back and a link stays a link.
  const std::string given = Narrow(text.full_name);
  char resolved[PATH_MAX];
  if (::realpath(given.c_str(), resolved) == nullptr) return refuse(u"it cannot be found (" + LastSystemErrorText() + u")");
  const std::string real(resolved);
  const UString real_name = Utf8ToUtf16(real);
  for (char16_t c : real_name)
    if (c == u'\t' || c == u'\r' || c == u'\n') return refuse(u"the file it leads to has a tab or line break in its name");
  const TTextReadSnapshot snapshot = options.snapshot ? *options.snapshot : TakeTextReadSnapshot(nullptr);

  // The log's lock, then the text's (that order everywhere): the log's from reading its line
  // count (which numbers the markers) until the lines are marked done, the text's from the
  // fingerprint check until the rename, logging on or off.
  TModificationLogSession log;
  if (options.logging) {
    UString error;
    if (!log.Open(options.log_file.empty() ? ModificationLogFileName() : options.log_file, &snapshot, error) ||
        !log.Appendable(error))
      return refuse(error);
  }
  TTextLock lock;
  {
    UString error;
    if (!lock.Lock(real, error)) return refuse(error);
  }
  const struct stat st = lock.Stat();
  if (static_cast<int64_t>(st.st_size) > kLargestText) return refuse(u"it has 4 GiB or more");
  if ((st.st_mode & 0222) == 0 || ::access(real.c_str(), W_OK) != 0) return refuse(u"it is read-only");
  if (::access(FolderOf(real).c_str(), W_OK | X_OK) != 0) return refuse(u"its folder is not writable");

  // 3. the fingerprint
  const int64_t size_now = static_cast<int64_t>(st.st_size), ns_now = WriteNs(st);
  if (text.fingerprint_size != 0 || text.fingerprint_write_ns != 0) {
    if (text.fingerprint_size != size_now || text.fingerprint_write_ns != ns_now)
      return refuse(u"it has changed since the concordance was made");
  } else if (text.known_size > 0 && text.known_size != 0x7FFFFFFF && text.known_size != size_now) {
    return refuse(u"its size is not the size the concordance knows");
  }

  // 4. the hits, read as the reader reads the text
  std::vector<TSpot> spots;
  for (size_t i = 0; i < text.changes.size(); ++i) {
    const TTextChange& c = text.changes[i];
    spots.push_back(TSpot{i, c.byte_position, c.hit_characters, c.hit_text});
  }
  std::stable_sort(spots.begin(), spots.end(),
                   [](const TSpot& a, const TSpot& b) { return a.position < b.position; });
  TTextForm form;
  {
    TTextReadRun run(snapshot);
    std::unique_ptr<TTextTagHandler> tags =
        options.make_tag_handler ? options.make_tag_handler() : MakeWorkerTagHandler(run.Settings());
    TChosenFileDetailsFullRec chosen;
    chosen.rec.filename = ExtractFileName(real_name);
    chosen.folder = ExcludeTrailingPathDelimiter(ExtractFilePath(real_name));
    chosen.rec.size = size_now;
    chosen.rec.wanted = kWantedFound;
    chosen.rec.jumps = std::make_shared<TJumpList>();
    TChangeLocator reader(run, tags.get(), chosen, spots);
    if (!reader.SetupTheBuffer() || !reader.ReadAndProcess()) return refuse(u"it could not be read");
    form.encoding = reader.Encoding();
    form.code_page = reader.CodePage();
    form.signature_bytes = reader.FileSignatureBytes;
  }
  // A hit that is not where its line says is passed over and named; the others go ahead.
  for (const TSpot& s : spots)
    if (!s.found)
      result.changes[s.change].note =
          u"its hit is not in the text: " + (s.why.empty() ? UString(u"it lies beyond the text's end") : s.why);

  // The bytes, still those the fingerprint names (another program may write without the lock).
  std::string bytes;
  {
    struct stat again {};
    const bool read = ReadAllFromDescriptor(lock.Fd(), bytes) && ::fstat(lock.Fd(), &again) == 0;
    if (!read) return refuse(u"it could not be read (" + LastSystemErrorText() + u")");
    if (static_cast<int64_t>(bytes.size()) != size_now || again.st_size != st.st_size || WriteNs(again) != ns_now)
      return refuse(u"it changed while it was being read");
  }

  // 5. the edits, in byte order
  std::vector<TPlannedEdit> planned;
  std::vector<UString> phrase_before(text.changes.size()), phrase_after(text.changes.size());
  std::vector<UString> inserted(text.changes.size());
  int64_t phrase_end = -1, phrase_start = -1;
  size_t phrase_owner = 0;
  for (const TSpot& s : spots) {
    if (!s.found) continue;
    const TTextChange& c = text.changes[s.change];
    TChangeResult& r = result.changes[s.change];
    if (set) {
      if (UString p = MarkupValueProblem(c.set_text, u"the Set value", true); !p.empty()) {
        r.note = p;
        continue;
      }
      UString value = c.set_text;
      if (!options.attribute.empty()) value += u" tid=\"" + options.attribute + u"\"";
      inserted[s.change] = WrappedAsMarker(value);
      TPlannedEdit e;
      if (!EncodeIn(form, inserted[s.change], e.bytes))
        return refuse(u"its encoding cannot carry \"" + inserted[s.change] + u"\"");
      e.edit = TByteEdit{s.position, 0, static_cast<int64_t>(e.bytes.size())};
      e.change = s.change;
      e.marker = true;
      planned.push_back(std::move(e));
      r.changed = true;
      continue;
    }
    if (s.position == phrase_start && s.end == phrase_end) {
      r.note = u"the same hit as line " + IntToUStr(text.changes[phrase_owner].line);
      continue;
    }
    if (s.position < phrase_end) {
      r.note = u"its phrase overlaps the phrase of line " + IntToUStr(text.changes[phrase_owner].line);
      continue;
    }
    std::string joiner;
    if (!EncodeIn(form, options.joiner, joiner)) return refuse(u"its encoding cannot carry the joiner");
    std::vector<TPlannedEdit> joins;
    bool in_tag = false;
    const int unit = form.UnitBytes();
    for (int64_t at = s.position; at + unit <= s.end; at += unit) {
      const char16_t u = UnitAt(form, bytes, at);
      if (u == u'<') in_tag = true;
      else if (u == u'>') in_tag = false;
      else if (!in_tag && IsBlankUnit(u)) {
        TPlannedEdit e;
        e.bytes = joiner;
        e.edit = TByteEdit{at, unit, static_cast<int64_t>(joiner.size())};
        e.change = s.change;
        joins.push_back(std::move(e));
      }
    }
    if (joins.empty()) {
      r.note = u"its phrase has no blank to join";
      continue;
    }
    phrase_before[s.change] = DecodeIn(form, bytes.data() + s.position, static_cast<size_t>(s.end - s.position));
    UString after = phrase_before[s.change];
    {
      // The same blanks, one joiner each, as the decoded phrase shows them.
      bool tag = false;
      for (char16_t& ch : after) {
        if (ch == u'<') tag = true;
        else if (ch == u'>') tag = false;
        else if (!tag && IsBlankUnit(ch)) ch = options.joiner[0];
      }
    }
    phrase_after[s.change] = after;
    if (options.logging) {
      TPlannedEdit e;  // the marker's text is known once the log's number is: filled below
      e.edit = TByteEdit{s.position, 0, 0};
      e.change = s.change;
      e.marker = true;
      planned.push_back(std::move(e));
    }
    for (TPlannedEdit& j : joins) planned.push_back(std::move(j));
    phrase_start = s.position;
    phrase_end = s.end;
    phrase_owner = s.change;
    r.changed = true;
  }
  if (planned.empty()) return result;

  // Markers and log lines, numbered after the log's lines, in byte order.
  const UString first_column = options.initials.empty() ? SystemUserName() : options.initials;
  const UString name_part = options.initials.empty() ? UString(u"_") : options.initials;
  const UString stamp = options.stamp.empty() ? NowAsTimeStamp() : options.stamp;
  std::vector<UString> markers(text.changes.size());
  int64_t number = static_cast<int64_t>(log.Log().lines.size());
  for (TPlannedEdit& e : planned) {
    if (!e.marker) continue;
    markers[e.change] = WrappedAsMarker(name_part + IntToUStr(++number));
    if (!set) {
      if (!EncodeIn(form, markers[e.change], e.bytes)) return refuse(u"its encoding cannot carry the marker");
      e.edit.new_length = static_cast<int64_t>(e.bytes.size());
    }
  }

  // Character offsets of the logged changes, in the text as the run leaves it before each.
  std::vector<int64_t> char_offset(text.changes.size(), 0);
  {
    int64_t chars = 0, from = form.signature_bytes;
    for (const TPlannedEdit& e : planned) {
      if (e.edit.old_offset > from) {
        chars += static_cast<int64_t>(
            DecodeIn(form, bytes.data() + from, static_cast<size_t>(e.edit.old_offset - from)).size());
        from = e.edit.old_offset;
      }
      if (e.marker) {
        char_offset[e.change] = chars;
        chars += static_cast<int64_t>(set ? inserted[e.change].size() : markers[e.change].size());
      } else {
        // A blank becomes one joiner: the same number of characters.
        chars += 1;
        from = e.edit.old_offset + e.edit.old_length;
      }
    }
  }

  // 6. the backup
  UString error;
  if (!EnsureBackup(real, bytes, st.st_mode, result.backup, error)) return refuse(error);

  // 7. the rewrite, beside the text
  std::vector<std::pair<const char*, size_t>> pieces;
  int64_t from = 0;
  for (const TPlannedEdit& e : planned) {
    pieces.emplace_back(bytes.data() + from, static_cast<size_t>(e.edit.old_offset - from));
    pieces.emplace_back(e.bytes.data(), e.bytes.size());
    from = e.edit.old_offset + e.edit.old_length;
  }
  pieces.emplace_back(bytes.data() + from, bytes.size() - static_cast<size_t>(from));
  std::string temp;
  if (!WriteSibling(real, pieces, st.st_mode, temp, error)) return refuse(error);

  // 8. the log's lines, on disk and pending before the text is replaced: a text is never changed
  // without its lines, and lines whose change never reached the text are dropped when the log is
  // next read.
  if (options.logging) {
    const UString keyword = ModifySourceTextsKeyword(options.mode);
    for (const TPlannedEdit& e : planned) {
      if (!e.marker) continue;
      UString line = first_column + u"\t" + stamp + u"\t" + real_name + u"\t" + markers[e.change] + u"\t" +
                     keyword + u"\t" + IntToUStr(char_offset[e.change]) + u"\t";
      if (set) line += u"\t\t" + inserted[e.change] + u"\t";
      else line += PhraseForLog(phrase_before[e.change]) + u"\t" + PhraseForLog(phrase_after[e.change]) + u"\t\t";
      result.log_lines.push_back(std::move(line));
    }
    if (!log.AppendPending(result.log_lines, error)) {
      ::unlink(temp.c_str());
      result.log_lines.clear();
      return refuse(error);
    }
  }
  auto abandon = [&](UStringView why) {
    ::unlink(temp.c_str());
    log.DropPending();
    result.log_lines.clear();
    return refuse(why);
  };
  if (options.before_replacing && !options.before_replacing(text.full_name))
    return abandon(u"the change was abandoned before the text was replaced");
  struct stat before {};
  if (::stat(real.c_str(), &before) != 0 || before.st_size != st.st_size || WriteNs(before) != ns_now)
    return abandon(u"it changed while it was being modified");
  if (::rename(temp.c_str(), real.c_str()) != 0) {
    const UString why = LastSystemErrorText();
    return abandon(u"it could not be replaced (" + why + u")");
  }
  SyncFolder(FolderOf(real));
  struct stat after {};
  if (::stat(real.c_str(), &after) == 0) {
    result.new_size = static_cast<int64_t>(after.st_size);
    result.new_write_ns = WriteNs(after);
  }
  result.modified = true;
  for (const TPlannedEdit& e : planned) result.edits.push_back(e.edit);
  // A line not marked done stays pending; its change is in the text, so it stays undoable.
  if (options.logging && !log.MarkDone(error)) result.log_problem = text.full_name + u": " + error;
  return result;
}

// --- a concordance ------------------------------------------------------------------------------------

int32_t ModifyConcordanceSourceTexts(TConcordanceList& list, TLinzoraFilenamelist& files,
                                     const TModifyOptions& options, TModifyReport& report) {
  const bool set = options.mode == TModifySourceTexts::mst_set;
  if (!set && options.mode != TModifySourceTexts::mst_search_word) {
    report.refusals.push_back(u"Only a Set value or a search phrase can be written into the texts");
    return -1;
  }
  if (!set) {
    const UString& j = options.joiner;
    if (j.size() != 1 || (j[0] >= 0xD800 && j[0] <= 0xDFFF) || IsBlankUnit(j[0]) ||
        !MarkupValueProblem(j, u"", false).empty()) {
      report.refusals.push_back(u"The character that joins a phrase must be exactly one character, not a blank, "
                                u"tab, line break, quote or angle bracket");
      return -1;
    }
  }
  if (UString p = MarkupValueProblem(options.initials, u"The initials", false); !p.empty()) {
    report.refusals.push_back(p);
    return -1;
  }
  if (UString p = MarkupValueProblem(options.attribute, u"The attribute", false); !p.empty()) {
    report.refusals.push_back(p);
    return -1;
  }

  TModifyOptions run = options;
  if (run.stamp.empty()) run.stamp = NowAsTimeStamp();
  TTextReadSnapshot snapshot;
  if (!run.snapshot) {
    snapshot = TakeTextReadSnapshot(dynamic_cast<const TTessorineholder*>(list.Holder()));
    run.snapshot = &snapshot;
  }
  std::vector<UString> phrases;
  if (!set && list.Document()) phrases = list.Document()->TypedSearchWords();

  // Lines per text, in list order; texts in the order their first line comes.
  std::map<int32_t, std::vector<int>> lines_of;
  std::vector<int32_t> order;
  for (int i = 0; i < list.Count(); ++i) {
    const TConcordanceEntry* line = list.Line(i);
    if (!line) continue;
    const int32_t f = line->Data().filename_num_original;
    auto [it, fresh] = lines_of.try_emplace(f);
    if (fresh) order.push_back(f);
    it->second.push_back(i);
  }

  int32_t changed = 0;
  for (int32_t f : order) {
    const std::vector<int>& lines = lines_of[f];
    TTextToModify text;
    for (int i : lines) {
      const TConcordanceEntry* line = list.Line(i);
      const TConcordanceLineData& d = line->Data();
      TTextChange c;
      c.line = i + 1;
      c.byte_position = d.byte_position;
      c.hit_characters = d.hit_characters;
      const TLineText shown = line->Text();
      const int32_t start = std::clamp<int32_t>(line->SearchWordStart(), 0, static_cast<int32_t>(shown.size()));
      c.hit_text = shown.substr(static_cast<size_t>(start), static_cast<size_t>(line->HitWidthInLine())).ToUString();
      if (set) {
        c.set_text = UString(line->SetText());
        if (c.set_text.empty()) continue;
      } else {
        const bool typed_phrase = d.sw_number >= 0 && static_cast<size_t>(d.sw_number) < phrases.size() &&
                                  phrases[static_cast<size_t>(d.sw_number)].find(u' ') != UString::npos;
        const bool hit_phrase = std::any_of(c.hit_text.begin(), c.hit_text.end(), IsBlankUnit);
        if (!(typed_phrase || (phrases.empty() && hit_phrase))) continue;
      }
      text.changes.push_back(std::move(c));
    }
    if (text.changes.empty()) continue;
    TLinzoraFilenameEntry* row = files.Row(f - 1, true);
    if (!row) {
      report.refusals.push_back(u"Line " + IntToUStr(text.changes.front().line) + u" names no source text");
      continue;
    }
    const TLinzoraFilenameEntryAdditionalRec& o = row->fdata.other_data;
    text.full_name = row->fdata.full_filename;
    text.archive_member = (o.KindOfFile[0] & kContentsZip) != 0;
    text.fingerprint_size = o.fingerprint_size;
    text.fingerprint_write_ns = o.fingerprint_write_ns;
    text.known_size = o.file_size;
    const TTextModifyResult r = ModifyOneText(text, run);
    if (!r.refusal.empty()) {
      report.refusals.push_back(r.refusal);
      continue;
    }
    for (const TChangeResult& c : r.changes)
      if (!c.note.empty()) report.refusals.push_back(text.full_name + u", line " + IntToUStr(c.line) + u": " + c.note);
    if (!r.log_problem.empty()) report.problems.push_back(r.log_problem);
    if (!r.modified) continue;
    for (int i : lines) {
      TConcordanceLineData& d = list.Line(i)->Data();
      d.byte_position = MovedBytePosition(r.edits, d.byte_position);
    }
    for (const TChangeResult& c : r.changes) changed += c.changed ? 1 : 0;
    row->fdata.other_data.file_size = r.new_size;
    row->fdata.other_data.fingerprint_size = r.new_size;
    row->fdata.other_data.fingerprint_write_ns = r.new_write_ns;
    ++report.texts_changed;
  }
  report.lines_changed = changed;
  if (report.texts_changed > 0 && list.Holder()) list.Holder()->NoteDataChanged();
  return changed;
}

int32_t TConcordanceList::ModifySourceTexts(int mode, UStringView text, UStringView initials, bool dated) {
  last_modify_report.clear();
  TLinzoraFilenamelist* files = Document() ? Document()->SourceFiles() : nullptr;
  if (!files) {
    last_modify_report.push_back(u"The concordance has no list of source texts");
    return -1;
  }
  TModifyOptions options;
  options.mode = static_cast<TModifySourceTexts>(mode);
  if (options.mode == TModifySourceTexts::mst_search_word) options.joiner = UString(text);
  options.initials = UString(initials);
  options.logging = dated;
  TModifyReport report;
  const int32_t n = ModifyConcordanceSourceTexts(*this, *files, options, report);
  last_modify_report = report.refusals;
  last_modify_report.insert(last_modify_report.end(), report.problems.begin(), report.problems.end());
  return n;
}
