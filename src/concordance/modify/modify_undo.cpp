#include "concordance/modify/modify_undo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "concordance/modify/modify_text_form.h"
#include "concordance/modify/modify_texts.h"
#include "model/reading/text_reader.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

// What ends a line written before its text was replaced, in place of its closing tab.
constexpr char16_t kPendingEnd = u'?';

bool ReadFileBytes(const std::string& name, std::string& out, mode_t& mode) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAllFromDescriptor(fd, out);
  mode = st.st_mode;
  ::close(fd);
  return ok;
}

// Writes the bytes beside name and renames them over it; the old file stays whole on failure.
bool ReplaceFile(const std::string& name, const std::string& bytes, mode_t mode, UString& error) {
  std::string temp;
  const int fd = CreateTemporarySibling(name, 0600, temp);
  if (fd < 0) {
    error = u"no temporary file can be made beside it (" + LastSystemErrorText() + u")";
    return false;
  }
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    ok = w > 0;
    if (ok) done += static_cast<size_t>(w);
  }
  ok = ok && ::fchmod(fd, mode & 07777) == 0 && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), name.c_str()) != 0) ok = false;
  if (!ok) {
    error = u"it could not be written (" + LastSystemErrorText() + u")";
    ::unlink(temp.c_str());
  }
  return ok;
}

bool WriteWholeAt(int fd, const std::string& bytes, int64_t at) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t w = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

bool HasSignature(const std::string& bytes, TTextBytesKind kind) {
  const auto b = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0; };
  switch (kind) {
    case TTextBytesKind::Utf16LE: return b(0) == 0xFF && b(1) == 0xFE;
    case TTextBytesKind::Utf16BE: return b(0) == 0xFE && b(1) == 0xFF;
    case TTextBytesKind::Utf8: return b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF;
    case TTextBytesKind::CodePage: return false;
  }
  return false;
}

// In the log's encoding; a character a code page lacks is written as "?", as before.
std::string EncodedForLog(const TTextForm& form, UStringView text) {
  std::string out;
  EncodeIn(form, text, out);
  return out;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// True when written is phrase with each blank outside a tag turned into one joiner.
bool IsJoinedForm(UStringView phrase, UStringView written) {
  if (phrase.size() != written.size()) return false;
  bool tag = false, joined = false;
  char16_t joiner = 0;
  for (size_t i = 0; i < phrase.size(); ++i) {
    const char16_t c = phrase[i];
    if (c == u'<') tag = true;
    else if (c == u'>') tag = false;
    if (!tag && IsBlank(c)) {
      if (IsBlank(written[i]) || (joined && written[i] != joiner)) return false;
      joiner = written[i];
      joined = true;
    } else if (written[i] != c) {
      return false;
    }
  }
  return joined;
}

bool AllDigits(UStringView s) {
  if (s.empty() || s.size() > 12) return false;
  for (char16_t c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

std::optional<std::string> Resolved(UStringView name) {
  char buffer[PATH_MAX];
  if (::realpath(Utf16ToUtf8(name).c_str(), buffer) == nullptr) return std::nullopt;
  return std::string(buffer);
}

// The text the entry names, locked and read, with the form the reader gives it.
struct TLockedText {
  std::string name;  // links resolved
  TTextLock lock;
  std::string bytes;
  TTextForm form;
};
bool ReadLockedText(UStringView file, const TTextReadSnapshot& snapshot, TLockedText& text, UString& why) {
  const std::optional<std::string> real = Resolved(file);
  UString error;
  if (!real) {
    why = UString(file) + u" cannot be read";
    return false;
  }
  text.name = *real;
  if (!text.lock.Lock(text.name, error)) {
    why = UString(file) + u": " + error;
    return false;
  }
  if (!ReadAllFromDescriptor(text.lock.Fd(), text.bytes) ||
      !ReadersTextForm(Utf8ToUtf16(text.name), snapshot, text.form)) {
    why = UString(file) + u" cannot be read";
    return false;
  }
  return true;
}

// One entry undone in its text; false with why when it is left alone.
bool UndoEntry(const TModificationLogEntry& e, const TTextReadSnapshot& snapshot, UString& why) {
  const UString file = e.Field(3);
  TLockedText text;
  if (!ReadLockedText(file, snapshot, text, why)) return false;
  const struct stat& st = text.lock.Stat();
  if ((st.st_mode & 0222) == 0 || ::access(text.name.c_str(), W_OK) != 0) {
    why = file + u": it is read-only";
    return false;
  }
  TLoggedChangeSpot spot;
  if (!LocateLoggedChange(e, text.form, text.bytes, spot, why)) return false;
  text.bytes.replace(static_cast<size_t>(spot.byte), static_cast<size_t>(spot.length), spot.restored);
  UString error;
  if (!ReplaceFile(text.name, text.bytes, st.st_mode, error)) {
    why = file + u": " + error;
    return false;
  }
  return true;
}

// Whether a text holds the changes of its pending entries (all of them: one rename put them all
// in); nullopt when the text cannot be read.
std::optional<bool> HoldsChanges(UStringView file, const std::vector<const TModificationLogEntry*>& entries,
                                 const TTextReadSnapshot& snapshot) {
  TLockedText text;
  UString why;
  if (!ReadLockedText(file, snapshot, text, why)) return std::nullopt;
  for (const TModificationLogEntry* e : entries) {
    TLoggedChangeSpot spot;
    if (!LocateLoggedChange(*e, text.form, text.bytes, spot, why)) return false;
  }
  return true;
}

UString WithoutEnd(UStringView line) {
  while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.remove_suffix(1);
  return UString(line);
}

// The entries of the log's lines.
void FindEntries(TModificationLog& log) {
  log.entries.clear();
  log.latest_stamp.clear();
  const int32_t count = static_cast<int32_t>(log.lines.size());
  for (int32_t i = 0; i < count; ++i) {
    TModificationLogEntry e{i, WithoutEnd(log.lines[static_cast<size_t>(i)])};
    if (e.raw.empty() || e.raw[0] == u';' || e.raw.find(u'\t') == UString::npos) continue;
    const TModifySourceTexts kind = StringToModifySourceTexts(e.Field(5));
    if (e.raw.back() == kPendingEnd &&
        (kind == TModifySourceTexts::mst_set || kind == TModifySourceTexts::mst_search_word)) {
      e.raw.back() = u'\t';
      e.pending = true;
    }
    log.entries.push_back(std::move(e));
    if (i >= count - 5) log.latest_stamp = log.entries.back().Field(2);
  }
}

bool IsSixteen(TTextBytesKind kind) { return kind == TTextBytesKind::Utf16LE || kind == TTextBytesKind::Utf16BE; }
size_t UnitSize(TTextBytesKind kind) { return IsSixteen(kind) ? 2 : 1; }

char16_t UnitAt(TTextBytesKind kind, const std::string& b, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<char16_t>(static_cast<uint8_t>(b[i])); };
  if (kind == TTextBytesKind::Utf16LE) return static_cast<char16_t>(byte(at) | (byte(at + 1) << 8));
  if (kind == TTextBytesKind::Utf16BE) return static_cast<char16_t>((byte(at) << 8) | byte(at + 1));
  return byte(at);
}

std::string UnitBytes(TTextBytesKind kind, char16_t c) {
  const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
  if (kind == TTextBytesKind::Utf16LE) return std::string{lo, hi};
  if (kind == TTextBytesKind::Utf16BE) return std::string{hi, lo};
  return std::string(1, lo);
}

UString DecodeLine(TTextBytesKind kind, const std::string& b, int code_page) {
  const auto* d = reinterpret_cast<const uint8_t*>(b.data());
  switch (kind) {
    case TTextBytesKind::Utf16LE: return DecodeUtf16Bytes(d, b.size(), false);
    case TTextBytesKind::Utf16BE: return DecodeUtf16Bytes(d, b.size(), true);
    case TTextBytesKind::Utf8: {
      UString out;
      return DecodeUtf8Strict(d, b.size(), out) ? out : Utf8ToUtf16(b);
    }
    case TTextBytesKind::CodePage: return DecodeCodePage(d, b.size(), code_page);
  }
  return UString();
}

// The log's bytes cut into its lines: what stands before the first (the byte-order mark or the
// signature), then each line's bytes with its end, in whole code units; a torn last byte of
// UTF-16 stays with the last line. A rewrite puts together the bytes of the lines it keeps, so
// every line it does not undo goes back byte for byte, whatever it holds.
struct TLogBytes {
  std::string lead;
  std::vector<std::string> lines;
};

// Cuts the bytes into lines and fills the log with their text and entries.
TLogBytes CutLog(const std::string& bytes, TModificationLog& log) {
  log = TModificationLog();
  UString whole;
  const TTextBytesKind kind = DecodeTextBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), whole);
  const size_t unit = UnitSize(kind);
  TLogBytes out;
  out.lead = bytes.substr(0, IsSixteen(kind) ? 2 : HasSignature(bytes, kind) ? 3 : 0);
  size_t start = out.lead.size();
  for (size_t i = start; i + unit <= bytes.size(); i += unit) {
    const char16_t c = UnitAt(kind, bytes, i);
    if (c != u'\n' && c != u'\r') continue;
    if (c == u'\r' && i + 2 * unit <= bytes.size() && UnitAt(kind, bytes, i + unit) == u'\n') i += unit;
    out.lines.push_back(bytes.substr(start, i + unit - start));
    start = i + unit;
  }
  if (start < bytes.size()) {
    if (bytes.size() - start < unit) (out.lines.empty() ? out.lead : out.lines.back()) += bytes.substr(start);
    else out.lines.push_back(bytes.substr(start));
  }
  log.exists = true;
  log.bytes_kind = static_cast<uint8_t>(kind);
  log.signature = !out.lead.empty() && HasSignature(bytes, kind);
  for (const std::string& line : out.lines) log.lines.push_back(DecodeLine(kind, line, log.code_page));
  FindEntries(log);
  return out;
}

// Whether bytes read back as exactly these lines (their text, line ends aside).
bool ReadsBackAs(const std::string& bytes, const std::vector<UString>& texts) {
  TModificationLog back;
  CutLog(bytes, back);
  if (back.lines.size() != texts.size()) return false;
  for (size_t i = 0; i < texts.size(); ++i)
    if (WithoutEnd(back.lines[i]) != WithoutEnd(texts[i])) return false;
  return true;
}

// The log as it is on disk (no lock); a missing log is empty.
bool ReadLogFile(UStringView log_name, TModificationLog& log, int64_t& size, UString& error,
                 TLogBytes* cut = nullptr) {
  log = TModificationLog();
  size = 0;
  if (!FileExists(log_name)) return true;
  std::string bytes;
  mode_t mode = 0;
  if (!ReadFileBytes(Utf16ToUtf8(log_name), bytes, mode)) {
    error = u"The modification log " + UString(log_name) + u" cannot be read (" + LastSystemErrorText() + u")";
    return false;
  }
  TLogBytes lines = CutLog(bytes, log);
  if (cut) *cut = std::move(lines);
  size = static_cast<int64_t>(bytes.size());
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

UString TModificationLogEntry::Field(int n) const { return NthDelimitedField(raw, u'\t', n); }

UString TModificationLogEntry::Shown() const {
  UString s = raw;
  for (char16_t& c : s)
    if (c == u'\t') c = u',';
  return s;
}

// --- the log under its lock ---------------------------------------------------------------------

TModificationLogSession::~TModificationLogSession() {
  if (fd_ >= 0) ::close(fd_);
}

bool TModificationLogSession::Open(UStringView log_name, const TTextReadSnapshot* snapshot, UString& error) {
  name_ = UString(log_name);
  const std::string name = Utf16ToUtf8(name_);
  if (name.empty()) {
    error = u"no modification log is named";
    return false;
  }
  const UString folder = Utf8ToUtf16(FolderOf(name));
  if (!DirectoryExists(folder)) ForceDirectories(folder);
  if (!lock_.Lock(name, error)) return false;
  TLogBytes cut;
  if (!ReadLogFile(name_, log_, size_, error, &cut)) return false;
  lead_ = std::move(cut.lead);
  line_bytes_ = std::move(cut.lines);
  Settle(snapshot);
  return true;
}

void TModificationLogSession::Settle(const TTextReadSnapshot* snapshot) {
  std::map<UString, std::vector<const TModificationLogEntry*>> pending;
  for (const TModificationLogEntry& e : log_.entries)
    if (e.pending) pending[e.Field(3)].push_back(&e);
  if (pending.empty()) return;
  std::optional<TTextReadSnapshot> taken;
  if (!snapshot) snapshot = &taken.emplace(TakeTextReadSnapshot(nullptr));
  const auto kind = static_cast<TTextBytesKind>(log_.bytes_kind);
  const size_t unit = UnitSize(kind);
  std::vector<std::string> lines = line_bytes_;
  std::vector<UString> texts = log_.lines;
  std::vector<bool> drop(lines.size(), false);
  bool settled = false;
  for (const auto& [file, entries] : pending) {
    const std::optional<bool> holds = HoldsChanges(file, entries, *snapshot);
    if (!holds) continue;
    settled = true;
    for (const TModificationLogEntry* e : entries) {
      const size_t i = static_cast<size_t>(e->line);
      if (!*holds) {
        drop[i] = true;
        continue;
      }
      // The "?" before the line's end becomes the closing tab, in the log's own bytes.
      std::string& line = lines[i];
      size_t at = line.size() / unit * unit;
      while (at >= unit && (UnitAt(kind, line, at - unit) == u'\n' || UnitAt(kind, line, at - unit) == u'\r')) at -= unit;
      if (at >= unit && UnitAt(kind, line, at - unit) == kPendingEnd) line.replace(at - unit, unit, UnitBytes(kind, u'\t'));
      texts[i] = e->raw + texts[i].substr(WithoutEnd(texts[i]).size());
    }
  }
  UString error;
  if (settled && !WriteLines(drop, lines, texts, error)) AddToLogFile(error);
}

bool TModificationLogSession::WriteLines(const std::vector<bool>& drop, std::vector<std::string> lines,
                                         std::vector<UString> texts, UString& error) {
  std::vector<std::string> kept;
  std::vector<UString> kept_texts;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i < drop.size() && drop[i]) continue;
    kept.push_back(std::move(lines[i]));
    kept_texts.push_back(std::move(texts[i]));
  }
  const auto kind = static_cast<TTextBytesKind>(log_.bytes_kind);
  // A line that ends in a lone CR before one that is a lone LF would read as one line with it:
  // it takes the LF too.
  for (size_t i = 0; i + 1 < kept.size(); ++i)
    if (!kept_texts[i].empty() && kept_texts[i].back() == u'\r' && kept_texts[i + 1].starts_with(u'\n')) {
      kept[i] += UnitBytes(kind, u'\n');
      kept_texts[i] += u'\n';
    }
  std::string bytes = lead_;
  for (const std::string& l : kept) bytes += l;
  if (!ReadsBackAs(bytes, kept_texts)) {
    // Without what went, the bytes would read otherwise (a mark or signature now first, another
    // encoding decided): the kept lines are written as the modifications write them, in UTF-16
    // after its mark, their text as it was read.
    bytes = UnitBytes(TTextBytesKind::Utf16LE, u'\uFEFF');
    for (const UString& t : kept_texts)
      for (char16_t c : t) bytes += UnitBytes(TTextBytesKind::Utf16LE, c);
    if (!ReadsBackAs(bytes, kept_texts)) {
      error = u"The modification log " + name_ + u" cannot be written back with its lines as they were";
      return false;
    }
  }
  const std::string name = Utf16ToUtf8(name_);
  struct stat st {};
  const mode_t mode = ::stat(name.c_str(), &st) == 0 ? st.st_mode : 0644;
  if (!ReplaceFile(name, bytes, mode, error)) {
    error = u"The modification log " + name_ + u": " + error;
    return false;
  }
  TLogBytes cut = CutLog(bytes, log_);
  lead_ = std::move(cut.lead);
  line_bytes_ = std::move(cut.lines);
  size_ = static_cast<int64_t>(bytes.size());
  return true;
}

bool TModificationLogSession::Rewrite(const std::vector<bool>& drop, UString& error) {
  return WriteLines(drop, line_bytes_, log_.lines, error);
}

bool TModificationLogSession::Appendable(UString& error) const {
  if (size_ == 0 || (static_cast<TTextBytesKind>(log_.bytes_kind) == TTextBytesKind::Utf16LE && log_.signature))
    return true;
  error = u"the modification log " + name_ + u" is not a UTF-16 text with its byte-order mark";
  return false;
}

bool TModificationLogSession::AppendPending(const std::vector<UString>& lines, UString& error) {
  if (!Appendable(error)) return false;
  UString text;
  if (!log_.lines.empty() && WithoutEnd(log_.lines.back()).size() == log_.lines.back().size()) text += u'\n';
  const size_t before = text.size();
  marks_.clear();
  for (const UString& l : lines) {
    text += l;
    if (!l.empty() && l.back() == u'\t') {
      marks_.push_back(2 * (text.size() - 1 - before));
      text.back() = kPendingEnd;
    }
    text += u'\n';
  }
  TTextForm form;
  form.encoding = TTextEncoding::Utf16LE;
  std::string out = size_ == 0 ? EncodedForLog(form, u"\uFEFF") : std::string();
  out += EncodedForLog(form, UStringView(text).substr(0, before));
  pending_ = EncodedForLog(form, UStringView(text).substr(before));
  pending_at_ = size_ + static_cast<int64_t>(out.size());
  out += pending_;
  const std::string name = Utf16ToUtf8(name_);
  made_ = !log_.exists;
  fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0 || !WriteWholeAt(fd_, out, size_) || ::fsync(fd_) != 0) {
    error = u"the modification log " + name_ + u" could not be written (" + LastSystemErrorText() + u")";
    DropPending();
    return false;
  }
  return true;
}

bool TModificationLogSession::MarkDone(UString& error) {
  if (fd_ < 0) return true;
  std::string done = pending_;
  for (size_t m : marks_) done[m] = '\t', done[m + 1] = '\0';
  const bool ok = WriteWholeAt(fd_, done, pending_at_) && ::fsync(fd_) == 0;
  if (!ok)
    error = u"the modification log " + name_ + u" could not be marked done; its lines wait (" +
            LastSystemErrorText() + u")";
  ::close(fd_);
  fd_ = -1;
  return ok;
}

void TModificationLogSession::DropPending() {
  if (fd_ < 0) return;
  if (made_) ::unlink(Utf16ToUtf8(name_).c_str());
  else if (::ftruncate(fd_, static_cast<off_t>(size_)) == 0) ::fsync(fd_);
  ::close(fd_);
  fd_ = -1;
}

// --- reading and undoing ----------------------------------------------------------------------------

bool ReadModificationLog(UStringView log_name, TModificationLog& log, UString& error) {
  log = TModificationLog();
  if (!FileExists(log_name)) return true;
  TModificationLogSession session;
  UString why;
  if (session.Open(log_name, nullptr, why)) {
    log = session.Log();
    return true;
  }
  int64_t size = 0;
  return ReadLogFile(log_name, log, size, error);
}

std::vector<bool> EntriesByInitials(const std::vector<TModificationLogEntry>& entries, UStringView initials) {
  std::vector<bool> out;
  for (const auto& e : entries) out.push_back(e.Field(1) == initials);
  return out;
}

std::vector<bool> EntriesAtStamp(const std::vector<TModificationLogEntry>& entries, UStringView stamp) {
  std::vector<bool> out;
  for (const auto& e : entries) out.push_back(e.Field(2) == stamp);
  return out;
}

bool LocateLoggedChange(const TModificationLogEntry& e, const TTextForm& form, const std::string& bytes,
                        TLoggedChangeSpot& spot, UString& why) {
  const UString file = e.Field(3);
  const TModifySourceTexts kind = StringToModifySourceTexts(e.Field(5));
  const UString offset_text = e.Field(6);
  if (kind != TModifySourceTexts::mst_set && kind != TModifySourceTexts::mst_search_word) {
    why = u"it is not a change that can be undone";
    return false;
  }
  if (!AllDigits(offset_text)) {
    why = u"its offset \"" + offset_text + u"\" is not a number";
    return false;
  }
  int64_t at = 0;
  for (char16_t c : offset_text) at = at * 10 + (c - u'0');
  const int64_t byte = ByteOfCharacter(form, bytes, at);
  UString written, restored;
  if (kind == TModifySourceTexts::mst_set) {
    written = e.Field(9);
  } else {
    const UString marker = e.Field(4), phrase = PhraseFromLog(e.Field(7));
    UString joined = PhraseFromLog(e.Field(8));
    if (marker.empty() || phrase.empty()) {
      why = u"it names no marker or phrase";
      return false;
    }
    std::string marker_bytes;
    if (joined.empty() && byte >= 0 && EncodeIn(form, marker, marker_bytes)) {
      // Older lines: read it, checked below.
      const size_t from = std::min(bytes.size(), static_cast<size_t>(byte) + marker_bytes.size());
      const size_t n = std::min(bytes.size() - from, 4 * phrase.size());
      joined = DecodeIn(form, bytes.data() + from, n).substr(0, phrase.size());
    }
    if (!IsJoinedForm(phrase, joined)) {
      why = u"the phrase after its marker is not \"" + phrase + u"\" joined";
      return false;
    }
    written = marker + joined;
    restored = phrase;
  }
  std::string change;
  if (written.empty() || byte < 0 || !EncodeIn(form, written, change) ||
      bytes.compare(static_cast<size_t>(byte), change.size(), change) != 0) {
    why = file + u" no longer holds \"" + written + u"\" at character " + offset_text;
    return false;
  }
  if (!EncodeIn(form, restored, spot.restored)) {
    why = file + u": its encoding cannot carry \"" + restored + u"\"";
    return false;
  }
  spot.byte = byte;
  spot.length = static_cast<int64_t>(change.size());
  return true;
}

namespace {

// Undoes the entries of the log as it is under its lock that `chosen` picks (true for an entry
// of the log); notes name the chosen entries not found in it.
TUndoResult UndoChosen(UStringView log_name, int code_page, const TTextReadSnapshot* snapshot,
                       const std::function<std::vector<bool>(const TModificationLog&, std::vector<UString>&)>& choose) {
  TUndoResult result;
  TTextReadSnapshot settings = snapshot ? *snapshot : TakeTextReadSnapshot(nullptr);
  if (code_page != 0) {
    Tfixed_lang_details32 language = settings.text_settings.Language();
    language.SetWindowsCodePage(static_cast<uint16_t>(code_page));
    settings.text_settings.SetLanguage(language);
  }
  // Held for the whole undo: a modification appends under the same lock.
  TModificationLogSession session;
  if (!session.Open(log_name, &settings, result.log_problem)) return result;
  const TModificationLog& log = session.Log();
  const std::vector<bool> chosen = choose(log, result.notes);
  std::vector<bool> drop(log.lines.size(), false);
  for (size_t k = log.entries.size(); k-- > 0;) {
    if (!chosen[k]) continue;
    const TModificationLogEntry& e = log.entries[k];
    UString why;
    if (UndoEntry(e, settings, why)) {
      drop[static_cast<size_t>(e.line)] = true;
      ++result.undone;
    } else {
      result.notes.push_back(u"Line " + IntToUStr(e.line + 1) + u" of the log: " + why);
    }
  }
  UString error;
  if (result.undone > 0 && !session.Rewrite(drop, error)) result.log_problem = error;
  return result;
}

}  // namespace

TUndoResult UndoModifications(UStringView log_name, const std::vector<int32_t>& lines, int code_page,
                              const TTextReadSnapshot* snapshot) {
  return UndoChosen(log_name, code_page, snapshot, [&](const TModificationLog& log, std::vector<UString>&) {
    std::vector<bool> chosen;
    for (const TModificationLogEntry& e : log.entries)
      chosen.push_back(std::find(lines.begin(), lines.end(), e.line) != lines.end());
    return chosen;
  });
}

TUndoResult UndoListedModifications(UStringView log_name, const std::vector<TModificationLogEntry>& entries,
                                  int code_page, const TTextReadSnapshot* snapshot) {
  return UndoChosen(log_name, code_page, snapshot, [&](const TModificationLog& log, std::vector<UString>& notes) {
    std::vector<bool> chosen(log.entries.size(), false);
    for (const TModificationLogEntry& wanted : entries) {
      // The entry at its place, else the last one that reads the same and is not taken yet.
      size_t found = log.entries.size();
      for (size_t k = log.entries.size(); k-- > 0;) {
        if (chosen[k] || log.entries[k].raw != wanted.raw) continue;
        if (found == log.entries.size() || log.entries[k].line == wanted.line) found = k;
      }
      if (found < log.entries.size()) chosen[found] = true;
      else notes.push_back(u"Line " + IntToUStr(wanted.line + 1) + u" of the log: it is no longer in the log");
    }
    return chosen;
  });
}
