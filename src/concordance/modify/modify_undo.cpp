#include "concordance/modify/modify_undo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "concordance/modify/modify_texts.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/text/text_files.h"
#include "platform/text/text_services.h"

namespace {

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

struct TTextBytes {
  TTextBytesKind kind = TTextBytesKind::Utf8;
  size_t signature = 0;
  int code_page = 1252;
};

TTextBytes FormOf(const std::string& bytes, TTextBytesKind kind, int code_page) {
  TTextBytes f{kind, 0, code_page};
  const auto b = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0; };
  if (kind == TTextBytesKind::Utf16LE && b(0) == 0xFF && b(1) == 0xFE) f.signature = 2;
  if (kind == TTextBytesKind::Utf16BE && b(0) == 0xFE && b(1) == 0xFF) f.signature = 2;
  if (kind == TTextBytesKind::Utf8 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) f.signature = 3;
  return f;
}

std::string Encode(const TTextBytes& f, UStringView text) {
  std::string out;
  switch (f.kind) {
    case TTextBytesKind::Utf16LE:
    case TTextBytesKind::Utf16BE:
      for (char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        if (f.kind == TTextBytesKind::Utf16LE) out += lo, out += hi;
        else out += hi, out += lo;
      }
      return out;
    case TTextBytesKind::Utf8: return Utf16ToUtf8(text);
    case TTextBytesKind::CodePage: return EncodeCodePage(text, f.code_page);
  }
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

// One entry undone in its text; false with why when it is left alone.
bool UndoEntry(const TModificationLogEntry& e, int code_page, UString& why) {
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
  size_t at = 0;
  for (char16_t c : offset_text) at = at * 10 + static_cast<size_t>(c - u'0');
  const std::string name = Utf16ToUtf8(file);
  std::string bytes;
  mode_t mode = 0;
  if (!FileExists(file) || !ReadFileBytes(name, bytes, mode)) {
    why = file + u" cannot be read";
    return false;
  }
  UString text;
  const TTextBytesKind bytes_kind =
      DecodeTextBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), text, code_page);
  const TTextBytes form = FormOf(bytes, bytes_kind, code_page);

  UString written, restored;
  if (kind == TModifySourceTexts::mst_set) {
    written = e.Field(9);
  } else {
    const UString marker = e.Field(4), phrase = e.Field(7);
    UString joined = e.Field(8);
    if (marker.empty() || phrase.empty()) {
      why = u"it names no marker or phrase";
      return false;
    }
    if (joined.empty() && at + marker.size() + phrase.size() <= text.size())
      joined = text.substr(at + marker.size(), phrase.size());  // older lines: read it, checked below
    if (!IsJoinedForm(phrase, joined)) {
      why = u"the phrase after its marker is not \"" + phrase + u"\" joined";
      return false;
    }
    written = marker + joined;
    restored = phrase;
  }
  if (written.empty() || at + written.size() > text.size() || UStringView(text).substr(at, written.size()) != written) {
    why = file + u" no longer holds \"" + written + u"\" at character " + offset_text;
    return false;
  }
  // Only bytes that read back exactly are replaced; anything else would change more than the change.
  const std::string before = Encode(form, UStringView(text).substr(0, at));
  const std::string change = Encode(form, written);
  if (bytes.compare(form.signature, before.size(), before) != 0 ||
      bytes.compare(form.signature + before.size(), change.size(), change) != 0) {
    why = file + u": its bytes do not read back to the logged text";
    return false;
  }
  const std::string replacement = Encode(form, restored);
  UString check;
  DecodeTextBytes(reinterpret_cast<const uint8_t*>(replacement.data()), replacement.size(), check, code_page);
  if (form.kind == TTextBytesKind::CodePage && check != restored) {
    why = file + u": its code page cannot carry \"" + restored + u"\"";
    return false;
  }
  bytes.replace(form.signature + before.size(), change.size(), replacement);
  UString error;
  if (!ReplaceFile(name, bytes, mode, error)) {
    why = file + u": " + error;
    return false;
  }
  return true;
}

std::vector<UString> SplitKeepingEnds(UStringView text) {
  std::vector<UString> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n' && text[i] != u'\r') continue;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    lines.emplace_back(text.substr(start, i + 1 - start));
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

UString WithoutEnd(UStringView line) {
  while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.remove_suffix(1);
  return UString(line);
}

}  // namespace

UString TModificationLogEntry::Field(int n) const { return NthDelimitedField(raw, u'\t', n); }

UString TModificationLogEntry::Shown() const {
  UString s = raw;
  for (char16_t& c : s)
    if (c == u'\t') c = u',';
  return s;
}

bool ReadModificationLog(UStringView log_name, TModificationLog& log, UString& error) {
  log = TModificationLog();
  if (!FileExists(log_name)) return true;
  std::string bytes;
  mode_t mode = 0;
  if (!ReadFileBytes(Utf16ToUtf8(log_name), bytes, mode)) {
    error = u"The modification log " + UString(log_name) + u" cannot be read (" + LastSystemErrorText() + u")";
    return false;
  }
  UString text;
  const TTextBytesKind kind = DecodeTextBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), text);
  const TTextBytes form = FormOf(bytes, kind, 1252);
  log.exists = true;
  log.bytes_kind = static_cast<uint8_t>(kind);
  log.signature = form.signature > 0;
  log.lines = SplitKeepingEnds(text);
  const int32_t count = static_cast<int32_t>(log.lines.size());
  for (int32_t i = 0; i < count; ++i) {
    UString raw = WithoutEnd(log.lines[static_cast<size_t>(i)]);
    if (raw.empty() || raw[0] == u';' || raw.find(u'\t') == UString::npos) continue;
    log.entries.push_back(TModificationLogEntry{i, std::move(raw)});
    if (i >= count - 5) log.latest_stamp = log.entries.back().Field(2);
  }
  return true;
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

TUndoResult UndoModifications(UStringView log_name, const std::vector<int32_t>& lines, int code_page) {
  TUndoResult result;
  const std::string name = Utf16ToUtf8(log_name);
  // Held for the whole undo: the modification step appends under the same lock.
  const int lock = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
    result.log_problem = u"The modification log " + UString(log_name) + u" cannot be opened (" + LastSystemErrorText() + u")";
    if (lock >= 0) ::close(lock);
    return result;
  }
  TModificationLog log;
  if (!ReadModificationLog(log_name, log, result.log_problem)) {
    ::close(lock);
    return result;
  }
  std::vector<bool> drop(log.lines.size(), false);
  for (auto it = log.entries.rbegin(); it != log.entries.rend(); ++it) {
    bool chosen = false;
    for (int32_t l : lines) chosen = chosen || l == it->line;
    if (!chosen) continue;
    UString why;
    if (UndoEntry(*it, code_page, why)) {
      drop[static_cast<size_t>(it->line)] = true;
      ++result.undone;
    } else {
      result.notes.push_back(u"Line " + IntToUStr(it->line + 1) + u" of the log: " + why);
    }
  }
  if (result.undone > 0) {
    UString kept;
    for (size_t i = 0; i < log.lines.size(); ++i)
      if (!drop[i]) kept += log.lines[i];
    TTextBytes form{static_cast<TTextBytesKind>(log.bytes_kind), 0, log.code_page};
    std::string bytes;
    if (log.signature) {
      if (form.kind == TTextBytesKind::Utf8) bytes = "\xEF\xBB\xBF";
      else bytes = Encode(form, u"\uFEFF");
    }
    bytes += Encode(form, kept);
    struct stat st {};
    const mode_t mode = ::fstat(lock, &st) == 0 ? st.st_mode : 0644;
    UString error;
    if (!ReplaceFile(name, bytes, mode, error))
      result.log_problem = u"The modification log " + UString(log_name) + u": " + error;
  }
  ::close(lock);
  return result;
}
