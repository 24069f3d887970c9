#include "wordlist/wordlist_indexer_streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "model/documents/document_notes.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_tools.h"
#include "shell/services/suite_services.h"
#include "wordlist/index_type_table.h"

namespace {

std::atomic<int64_t> g_fail_at{-1};
std::atomic<int64_t> g_counted{0};


std::string Native(const UString& name) { return ToFsPath(name).string(); }

UString SystemReason(int error) { return Utf8ToUtf16(std::strerror(error)); }

}  // namespace

bool IndexWriteSeamFails() {
  const int64_t n = g_counted.fetch_add(1);
  const int64_t at = g_fail_at.load();
  return at >= 0 && n == at;
}

void SetIndexWriteFailureAfter(int64_t n) {
  g_counted.store(0);
  g_fail_at.store(n);
}

int64_t IndexWritesCounted() { return g_counted.load(); }

// --- TIndexFile ----------------------------------------------------------------------------------

TIndexFile::~TIndexFile() {
  if (fd_ >= 0) ::close(fd_);
  if (temporary_ && !keep_) ::unlink(Native(name_).c_str());
}

bool TIndexFile::Fail(const char16_t* what) {
  error_ = UString(what) + u" " + (temporary_ ? final_name_ : name_) + u": " + SystemReason(errno);
  return false;
}

std::unique_ptr<TIndexFile> TIndexFile::OpenRead(const UString& name, UString* error) {
  std::unique_ptr<TIndexFile> f(new TIndexFile);
  f->name_ = name;
  f->final_name_ = name;
  f->fd_ = ::open(Native(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (f->fd_ < 0) {
    if (error) *error = u"cannot open " + name + u": " + SystemReason(errno);
    return nullptr;
  }
  return f;
}

std::unique_ptr<TIndexFile> TIndexFile::CreateTemp(const UString& final_name, UString* error) {
  UString folder = ExtractFilePath(final_name);
  if (folder.empty()) folder = u"./";
  std::unique_ptr<TIndexFile> f(new TIndexFile);
  f->final_name_ = final_name;
  f->temporary_ = true;
  for (int attempt = 0; attempt < 16 && f->fd_ < 0; ++attempt) {
    f->name_ = UniqueTempName(folder, u".~" + ExtractFileName(final_name) + u".", u".tmp");
    f->fd_ = ::open(Native(f->name_).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (f->fd_ < 0 && errno != EEXIST) break;
  }
  // Held while the file lives: an opener that finds the lock free knows its writer is gone and
  // may remove the file (RecoverIndexCommit).
  if (f->fd_ >= 0) ::flock(f->fd_, LOCK_EX | LOCK_NB);
  if (f->fd_ < 0) {
    if (error) *error = u"cannot create a file beside " + final_name + u": " + SystemReason(errno);
    f->temporary_ = false;
    return nullptr;
  }
  return f;
}

std::unique_ptr<TIndexFile> TIndexFile::TempHolding(const UString& final_name, const std::vector<uint8_t>& bytes,
                                                    UString& error) {
  auto file = CreateTemp(final_name, &error);
  if (!file) return nullptr;
  if (!file->WriteAt(0, bytes.data(), static_cast<int64_t>(bytes.size()))) {
    error = file->Error();
    return nullptr;
  }
  return file;
}

bool TIndexFile::ReadAt(int64_t position, void* buffer, int64_t count) {
  if (position < 0 || count < 0) return false;
  auto* p = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t n = ::pread(fd_, p, static_cast<size_t>(std::min<int64_t>(count, 1 << 30)), position);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return Fail(u"could not read");
    }
    p += n;
    position += n;
    count -= n;
  }
  return true;
}

bool TIndexFile::WriteAt(int64_t position, const void* data, int64_t count) {
  if (position < 0 || count < 0) return false;
  if (IndexWriteSeamFails()) {
    errno = ENOSPC;
    return Fail(u"could not write");
  }
  const auto* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    const ssize_t n = ::pwrite(fd_, p, static_cast<size_t>(std::min<int64_t>(count, 1 << 30)), position);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return Fail(u"could not write");
    }
    p += n;
    position += n;
    count -= n;
  }
  return true;
}

int64_t TIndexFile::Size() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

bool TIndexFile::Truncate(int64_t size) { return ::ftruncate(fd_, size) == 0 || Fail(u"could not cut"); }

bool TIndexFile::Sync() { return ::fsync(fd_) == 0 || Fail(u"could not write"); }

bool TIndexFile::CopyFrom(TIndexFile& from, int64_t from_position, int64_t to_position, int64_t count) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), int64_t{4} << 20)));
  while (count > 0) {
    const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    if (!from.ReadAt(from_position, buffer.data(), n)) {
      error_ = from.Error();
      return false;
    }
    if (!WriteAt(to_position, buffer.data(), n)) return false;
    from_position += n;
    to_position += n;
    count -= n;
  }
  return true;
}

// --- TIndexFileWriter ----------------------------------------------------------------------------

TIndexFileWriter::TIndexFileWriter(TIndexFile& file, int64_t position, size_t buffer_bytes)
    : file_(file), position_(position), buffer_(buffer_bytes) {}

TIndexFileWriter::~TIndexFileWriter() = default;

bool TIndexFileWriter::Write(const void* data, size_t count) {
  if (failed_) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    if (used_ == buffer_.size() && !Flush()) return false;
    const size_t n = std::min(count, buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
    p += n;
    count -= n;
  }
  return true;
}

bool TIndexFileWriter::PutString(UStringView s) {
  if (s.size() > static_cast<size_t>(INT32_MAX / 2)) return failed_ = true, false;
  return Put(static_cast<int32_t>(s.size())) && Write(s.data(), 2 * s.size());
}

bool TIndexFileWriter::Flush() {
  if (failed_) return false;
  if (used_ == 0) return true;
  if (!file_.WriteAt(position_, buffer_.data(), static_cast<int64_t>(used_))) return failed_ = true, false;
  position_ += static_cast<int64_t>(used_);
  used_ = 0;
  return true;
}

// --- TIndexFileStream ----------------------------------------------------------------------------

TIndexFileStream::TIndexFileStream(TVXBaseHolder* holder, std::unique_ptr<TIndexFile> file)
    : VXHolder(holder), file_(std::move(file)) {}

TIndexFileStream::~TIndexFileStream() = default;

bool TIndexFileStream::CheckSignature() {
  std::memset(&fcheck, 0, sizeof fcheck);
  list = kListNone;
  if (!file_ || !file_->ReadAt(0, &fcheck, kCheckSignatureSize)) return false;
  TTessorineList kind = kListNone;
  if (CheckSignatureListType(fcheck, kind)) list = kind;
  return fcheck.signature == ToolSignature(kToolWordLister) && list == kListIndex;
}

int32_t TIndexFileStream::ReadNEntries() {
  if (!CheckSignature()) return -1;
  int32_t n = -1;
  if (!file_->ReadAt(kCheckSignatureSize, &n, 4)) return -1;
  return n;
}

bool TIndexFileStream::WriteNEntries(int32_t total_entries_now) {
  if (!file_) return false;
  TCheckSignature h;
  FillCheckSignature(h, kToolWordLister, kListIndex, kIndexVersionNum, kIndexSaveWidth, 0);
  uint8_t head[kIndexDataStart];
  std::memcpy(head, &h, kCheckSignatureSize);
  std::memcpy(head + kCheckSignatureSize, &total_entries_now, 4);
  if (!file_->WriteAt(0, head, sizeof head)) return false;
  fcheck = h;
  list = kListIndex;
  return true;
}

// --- TTokenFileStream ----------------------------------------------------------------------------

TTokenFileStream::TTokenFileStream(TVXBaseHolder* holder, std::unique_ptr<TIndexFile> file)
    : TIndexFileStream(holder, std::move(file)) {}

TTokenFileStream::~TTokenFileStream() {
  if (mapping_) ::munmap(mapping_, mapping_bytes_);
}

bool TTokenFileStream::MapRecords(int32_t entries) {
  if (entries < 0 || !file_) return false;
  fTokenEntries = entries;
  return true;
}

const TTokensFileRec* TTokenFileStream::Records() const {
  std::call_once(mapped_, [this] {
    if (fTokenEntries <= 0 || !file_) return;
    const size_t bytes = static_cast<size_t>(kIndexDataStart + 16 * int64_t{fTokenEntries});
    void* p = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, file_->Descriptor(), 0);
    if (p == MAP_FAILED) return;
    mapping_ = p;
    mapping_bytes_ = bytes;
    records_ = reinterpret_cast<const TTokensFileRec*>(static_cast<const uint8_t*>(p) + kIndexDataStart);
  });
  return records_;
}

bool TTokenFileStream::ReadRecords(int64_t index, int32_t n, TTokensFileRec* out) const {
  if (index < 0 || n < 0 || index + n > fTokenEntries || !file_) return false;
  if (records_) {
    std::memcpy(out, records_ + index, 16 * static_cast<size_t>(n));
    return true;
  }
  return file_->ReadAt(kIndexDataStart + 16 * index, out, 16 * int64_t{n});
}

bool TTokenFileStream::ReadSeveralTextOrderRecs(int64_t index, int32_t how_many, TTokensFileRec* into) const {
  std::memset(into, 0xFF, sizeof(TTokensFileRec) * kBlockRecords);
  if (how_many < 0 || how_many > kBlockRecords || index < 0) return false;
  const int64_t there = std::clamp<int64_t>(int64_t{fTokenEntries} - index, 0, how_many);
  if (there > 0 && !ReadRecords(index, static_cast<int32_t>(there), into)) return false;
  return there == how_many;
}

TTokensFileRec TTokenFileStream::ReadTokenRecord(int64_t index) const {
  TTokensFileRec r;
  if (!ReadRecords(index, 1, &r)) throw std::runtime_error("Index Seek problem");
  return r;
}

TTokensFileRec TTokenFileStream::ReadTokenRecordUnmarked(int64_t index) const {
  TTokensFileRec r = ReadTokenRecord(index);
  r.word_type_number = TypeRecWithoutTextMarker(r.word_type_number);
  return r;
}

void TTokenFileStream::StartAppending(int32_t existing) {
  window_first_ = existing;
  used_ = room_ = 0;
  failed_ = false;
}

bool TTokenFileStream::NewBuffer() {
  if (failed_ || !file_ || !FlushRecords()) return false;
  // The buffer grows from a few pages, so that a small index takes little memory.
  if (buffer_.size() < kAppendRecords) buffer_.resize(buffer_.empty() ? 4096 : std::min(buffer_.size() * 2, kAppendRecords));
  window_ = buffer_.data();
  room_ = buffer_.size();
  return true;
}

bool TTokenFileStream::FlushRecords() {
  if (failed_) return false;
  if (used_ > 0 &&
      !file_->WriteAt(kIndexDataStart + 16 * window_first_, buffer_.data(), 16 * static_cast<int64_t>(used_)))
    return failed_ = true, false;
  window_first_ += static_cast<int64_t>(used_);
  used_ = 0;
  return true;
}

bool TTokenFileStream::MakeLastEntryEOT(int64_t first_of_text) {
  if (failed_) return false;
  const int64_t total = AppendedEntries();
  if (total <= first_of_text || total == 0) return true;
  auto mark = [](TTokensFileRec& r) {
    r.word_type_number = WithTextMarker(r.word_type_number, TextMarkerOf(r.word_type_number) | kMarkTextEnd);
  };
  if (used_ > 0) {
    mark(window_[used_ - 1]);
    return true;
  }
  TTokensFileRec r;
  const int64_t at = kIndexDataStart + 16 * (total - 1);
  if (!file_->ReadAt(at, &r, 16)) return failed_ = true, false;
  mark(r);
  if (!file_->WriteAt(at, &r, 16)) return failed_ = true, false;
  return true;
}

bool TTokenFileStream::TruncateTo(int64_t entries) {
  if (entries < 0 || entries > AppendedEntries()) return false;
  if (entries >= window_first_) {
    used_ = static_cast<size_t>(entries - window_first_);
    return true;
  }
  used_ = 0;
  window_first_ = entries;
  if (!file_->Truncate(kIndexDataStart + 16 * entries)) return failed_ = true, false;
  return true;
}

bool TTokenFileStream::LinkChains(uint32_t types) {
  if (!FlushRecords()) return false;
  const int64_t n = window_first_;
  if (n == 0) return true;
  // The records are in the page cache still: linked in place through a mapping, backwards.
  const size_t bytes = static_cast<size_t>(kIndexDataStart + 16 * n);
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file_->Descriptor(), 0);
  if (p == MAP_FAILED) {
    file_->Failure(u"could not map");
    return failed_ = true, false;
  }
  // Pages written a moment ago are in the page cache, their room on the disk taken: changing them
  // in place cannot run out of room.
  auto* r = reinterpret_cast<TTokensFileRec*>(static_cast<uint8_t*>(p) + kIndexDataStart);
  std::vector<int32_t> next(types, -1);
  bool ok = true;
  for (int64_t i = n; i-- > 0;) {
    const uint32_t t = TypeRecWithoutTextMarker(r[i].word_type_number);
    if (t >= types) {
      ok = false;
      break;
    }
    r[i].next_known_token = next[t];
    next[t] = static_cast<int32_t>(i);
  }
  ::munmap(p, bytes);
  if (!ok) failed_ = true;
  return ok;
}

bool TTokenFileStream::Saved(const TIndexSettingsBlock& block) {
  if (!FlushRecords()) return false;
  if (window_first_ > INT32_MAX) return failed_ = true, false;
  fTokenEntries = static_cast<int32_t>(window_first_);
  const bool ok = WriteNEntries(fTokenEntries) && file_->WriteAt(SettingsBlockPosition(), block.bytes, kIndexSettingsBytes) &&
                  file_->Truncate(SettingsBlockPosition() + kIndexSettingsBytes) && file_->Sync();
  if (!ok) failed_ = true;
  return ok;
}

// --- TTypeFileStream -----------------------------------------------------------------------------

namespace {

bool WriteTail(TIndexFileWriter& w, const TTypeFileTail& tail) {
  bool ok = w.Put(static_cast<int32_t>(tail.headings.size()));
  for (const UString& h : tail.headings) ok = ok && w.PutString(h);
  ok = ok && w.Put(static_cast<int32_t>(tail.notes.size()));
  for (const UString& n : tail.notes) ok = ok && w.PutString(n);
  return ok && w.Flush();
}

// Reads the headings and the notes from data[at..size); true only when they fill it exactly.
bool ReadTail(const uint8_t* data, int64_t at, int64_t size, TTypeFileTail& tail) {
  TMemoryStream s(std::vector<uint8_t>(data + at, data + size));
  int32_t n = 0;
  if (!ReadCount(s, n, 4)) return false;
  tail.headings.assign(static_cast<size_t>(n), UString());
  for (UString& h : tail.headings)
    if (!ReadAString(s, h)) return false;
  TMyStreamableStringlist notes;
  if (!notes.ReadFromStream(s)) return false;
  tail.notes = notes.Lines();
  return s.BytesLeft() == 0;
}

}  // namespace

TTypeFileStream::TTypeFileStream(TVXBaseHolder* holder, std::unique_ptr<TIndexFile> file)
    : TIndexFileStream(holder, std::move(file)) {}

bool TTypeFileStream::WriteAllData(int32_t count, const std::function<const TIndexTypeFileRec&(int32_t)>& record,
                                   const std::function<UStringView(int32_t)>& text, const TTypeFileTail& tail) {
  if (count < 0 || !WriteNEntries(count)) return false;
  // The offsets are known before any record is written: the file goes out in one pass. The table
  // is of int32 entries unless the last record would start beyond what one holds.
  int64_t last_start = kIndexDataStart + 4 * int64_t{count};
  for (int32_t i = 0; i + 1 < count; ++i) last_start += TypeRecordBytes(text(i).size());
  const int32_t width = last_start <= INT32_MAX ? 4 : 8;
  TIndexFileWriter w(*file_, kIndexDataStart, size_t{4} << 20);
  int64_t at = kIndexDataStart + width * int64_t{count};
  for (int32_t i = 0; i < count; ++i) {
    if (!(width == 4 ? w.Put(static_cast<int32_t>(at)) : w.Put(at))) return false;
    at += TypeRecordBytes(text(i).size());
  }
  for (int32_t i = 0; i < count; ++i) {
    TIndexTypeFileRec r = record(i);
    r.word_type_num = TypeRecWithoutTextMarker(r.word_type_num);
    if (!w.Put(r) || !w.PutString(text(i))) return false;
  }
  fGridHeadingsStart = at;
  fTypeEntries = count;
  fOffsetWidth = width;
  fRecordHead = TypeRecordHead(kIndexVersionNum);
  return WriteTail(w, tail) && file_->Sync();
}

bool TTypeFileStream::ReadAllData(int32_t token_entries, TIndexTypeView& types, TTypeFileTail& tail,
                                  int64_t& frequencies, UString& why) {
  // A failure from here on is reported with the place it happened.
  SetBugReportContext(u"reading type file", u"ReadAllData");
  types.Clear();
  frequencies = 0;
  const UString& name = file_->Name();
  auto damaged = [&](int64_t at, const UString& what) {
    why = name + u": damaged at byte " + IntToUStr(at) + u" (" + what + u")";
    return false;
  };
  const int64_t size = file_->Size();
  const int32_t n = ReadNEntries();
  if (n < 0) return damaged(57, u"no count of types");
  if (kIndexDataStart + 4 * int64_t{n} > size) return damaged(57, u"more types than the file holds");
  const int64_t head = TypeRecordHead(VersionNum());
  // The file is read through a mapping the caller keeps: the words stay in it, the records are
  // copied out (to lie aligned).
  void* mapping = size > 0 ? ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                                    file_->Descriptor(), 0)
                           : nullptr;
  if (mapping == MAP_FAILED) {
    why = name + u": could not be mapped";
    return false;
  }
  struct TUnmap {
    void* p;
    size_t n;
    ~TUnmap() {
      if (p) ::munmap(p, n);
    }
  } unmap{mapping, static_cast<size_t>(size)};
  const uint8_t* data = static_cast<const uint8_t*>(mapping);
  // Type 0's record follows the table at once: its entry says how wide the table's entries are.
  int32_t width = 4;
  if (n > 0) {
    int32_t first32 = 0;
    std::memcpy(&first32, data + kIndexDataStart, 4);
    int64_t first64 = 0;
    if (kIndexDataStart + 8 * int64_t{n} <= size) std::memcpy(&first64, data + kIndexDataStart, 8);
    if (first32 == kIndexDataStart + 4 * int64_t{n}) width = 4;
    else if (first64 == kIndexDataStart + 8 * int64_t{n}) width = 8;
    else return damaged(kIndexDataStart, u"offset of type 0");
  }
  std::vector<uint32_t> lengths;
  std::vector<int64_t> words_at;
  std::vector<TIndexTypeFileRec> records;
  lengths.reserve(static_cast<size_t>(n));
  words_at.reserve(static_cast<size_t>(n));
  records.reserve(static_cast<size_t>(n));
  int64_t at = kIndexDataStart + width * int64_t{n};
  for (int32_t i = 0; i < n; ++i) {
    int64_t offset = 0;
    if (width == 4) {
      int32_t o = 0;
      std::memcpy(&o, data + TypeOffsetEntry(i, width), 4);
      offset = o;
    } else {
      std::memcpy(&offset, data + TypeOffsetEntry(i, width), 8);
    }
    if (offset != at) return damaged(TypeOffsetEntry(i, width), u"offset of type " + IntToUStr(i));
    if (at + head + 4 > size) return damaged(at, u"type " + IntToUStr(i) + u" cut short");
    TIndexTypeFileRec r{};
    std::memcpy(&r, data + at, static_cast<size_t>(head));
    int32_t units = 0;
    std::memcpy(&units, data + at + head, 4);
    const bool places = r.first_token_place >= 0 && r.first_token_place <= r.last_token_place &&
                        r.last_token_place < token_entries;
    const bool counts = r.freq >= 1 && r.freq <= token_entries && r.n_texts >= 1 && r.n_texts <= r.freq;
    if (r.word_type_num != static_cast<uint32_t>(i) || !places || !counts)
      return damaged(at, u"record of type " + IntToUStr(i));
    if (units < 0 || at + head + 4 + 2 * int64_t{units} > size || r.tag_units < 0 || r.tag_units > units)
      return damaged(at + head, u"word of type " + IntToUStr(i));
    frequencies += r.freq;
    lengths.push_back(static_cast<uint32_t>(units));
    words_at.push_back(at + head + 4);
    records.push_back(r);
    at += head + 4 + 2 * int64_t{units};
  }
  fGridHeadingsStart = at;
  fTypeEntries = n;
  fOffsetWidth = width;
  fRecordHead = static_cast<int32_t>(head);
  if (!ReadTail(data, at, size, tail)) return damaged(at, u"headings and notes");
  types.Adopt(mapping, static_cast<size_t>(size), n, std::move(lengths), std::move(words_at), std::move(records));
  unmap.p = nullptr;
  return true;
}

bool TTypeFileStream::ReadTypeRecord(int32_t number, TIndexTypeRec& out) {
  out = TIndexTypeRec();
  int64_t offset = 0;
  int32_t units = 0;
  const int64_t size = file_->Size();
  if (number < 0 || number >= fTypeEntries || !file_->ReadAt(TypeOffsetEntry(number, fOffsetWidth), &offset, fOffsetWidth))
    return false;
  if (fOffsetWidth == 4) offset = static_cast<int32_t>(offset & 0xFFFFFFFF);
  const int64_t head = fRecordHead;
  if (offset < kIndexDataStart || offset + head + 4 > size || !file_->ReadAt(offset, &out.rec, head)) return false;
  if (out.rec.word_type_num != static_cast<uint32_t>(number) || !file_->ReadAt(offset + head, &units, 4)) {
    out = TIndexTypeRec();
    return false;
  }
  if (units < 0 || offset + head + 4 + 2 * int64_t{units} > size) return false;
  out.data.assign(static_cast<size_t>(units), u'\0');
  return file_->ReadAt(offset + head + 4, out.data.data(), 2 * int64_t{units});
}

std::unique_ptr<TIndexFile> TTypeFileStream::RewriteTypeNotes(const TTypeFileTail& tail, const UString& final_name,
                                                              UString& why) {
  auto temp = TIndexFile::CreateTemp(final_name, &why);
  if (!temp) return nullptr;
  if (!temp->CopyFrom(*file_, 0, 0, fGridHeadingsStart)) {
    why = temp->Error();
    return nullptr;
  }
  TIndexFileWriter w(*temp, fGridHeadingsStart);
  if (!WriteTail(w, tail) || !temp->Sync()) {
    why = temp->Error();
    return nullptr;
  }
  return temp;
}
