#include "concordance/lines/line_records.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_services.h"

namespace {

void LogDamage(const char* what, TStream& s) {
  const std::string line = std::string("concordance line records: ") + what + " at byte " +
                           std::to_string(s.Position());
  AddToLogFile(line.c_str());
}

}  // namespace

// --- sort-info records -----------------------------------------------------------------------

TSortInfoRec TSortInfoRecList::Record(int32_t i) const {
  if (i < 0 || i >= Count()) return TSortInfoRec{};
  return recs_[static_cast<size_t>(i)];
}

bool TSortInfoRecList::ReadFromStream(int32_t count, int32_t /*version*/, TStream& s) {
  if (count < 0 || static_cast<int64_t>(count) * 6 > s.BytesLeft()) {
    LogDamage("sort-info count beyond the bytes left", s);
    return false;
  }
  const size_t before = recs_.size();
  recs_.resize(before + static_cast<size_t>(count));
  if (!s.ReadExact(recs_.data() + before, static_cast<int64_t>(count) * 6)) {
    recs_.resize(before);
    return false;
  }
  return true;
}

bool TSortInfoRecList::SaveToStream(TStream& s) const {
  return s.WriteExact(recs_.data(), static_cast<int64_t>(recs_.size()) * 6);
}

bool SkipOldRecords(int kind, TStream& s) {
  const int64_t n = kind == 1 ? 40 : kind == 2 ? 60 : 0;
  if (n > s.BytesLeft()) return false;
  return n == 0 || s.Seek(n, TSeekOrigin::Current) >= 0;
}

// --- tag positions ---------------------------------------------------------------------------

void TTagPositionsList::Clear() {
  std::memset(&extra_, 0, sizeof extra_);
  recs_.clear();
}

TTagPositionRec TTagPositionsList::Record(int32_t i) const {
  if (i < 0 || i >= Count()) {
    TTagPositionRec r{};
    r.tagnumber_1Based = -1;
    return r;
  }
  return recs_[static_cast<size_t>(i)];
}

int32_t TTagPositionsList::TagNumber(int32_t i) const {
  if (i < 0 || i >= Count()) return 0;
  return recs_[static_cast<size_t>(i)].tagnumber_1Based;
}

void TTagPositionsList::SetToZeroLength(int32_t i) {
  if (i >= 0 && i < Count()) recs_[static_cast<size_t>(i)].used_length = 0;
}

void TTagPositionsList::ChangeColoursTo(std::span<const TForeBackColoursArray> colours) {
  for (auto& r : recs_) {
    if (r.tagnumber_1Based >= 1 && static_cast<size_t>(r.tagnumber_1Based) <= colours.size())
      r.tag_colours = colours[static_cast<size_t>(r.tagnumber_1Based) - 1];
  }
}

bool TTagPositionsList::SaveToStream(TStream& s) {
  if (!WriteI32(s, -Count())) return false;
  // Nothing follows a count of 0: a reader takes an extra record only after a negative count.
  if (recs_.empty()) return true;
  if (extra_.version < 2) extra_.version = 2;
  if (!WriteValue(s, extra_)) return false;
  return s.WriteExact(recs_.data(), static_cast<int64_t>(recs_.size()) * 16);
}

bool TTagPositionsList::ReadFromStream(TStream& s, int32_t line_length) {
  const int32_t centre = extra_.centre_sw_position;
  Clear();
  extra_.centre_sw_position = centre;
  int32_t n = 0;
  if (!ReadI32(s, n)) return false;
  if (n == 0) return true;
  if (n == INT32_MIN) {
    LogDamage("tag-position count out of range", s);
    return false;
  }
  const bool has_extra = n < 0;
  const int64_t count = has_extra ? -static_cast<int64_t>(n) : n;
  if (count * 16 + (has_extra ? 64 : 0) > s.BytesLeft()) {
    LogDamage("tag-position count beyond the bytes left", s);
    return false;
  }
  if (has_extra) {
    if (!ReadValue(s, extra_)) return false;
    extra_.centre_sw_position = centre;
  }
  std::vector<TTagPositionRec> recs(static_cast<size_t>(count));
  if (!s.ReadExact(recs.data(), count * 16)) return false;
  const int32_t len = std::max(line_length, 0);
  for (auto& r : recs) {
    r.tag_position = static_cast<int16_t>(std::clamp<int32_t>(r.tag_position, 0, len));
    r.used_length = static_cast<int16_t>(std::clamp<int32_t>(r.used_length, 0, len - r.tag_position));
    if (extra_.version == 0 && r.tag_position == centre) extra_.search_word_started_with_Tag = 1;
  }
  for (int k = 0; k < kSpanFixedCount; ++k)
    if (extra_.tag_sort_numbers_1Based[k] > count) extra_.tag_sort_numbers_1Based[k] = 0;
  recs_ = std::move(recs);
  return true;
}

// --- old records -----------------------------------------------------------------------------

bool ReadOldLineRecord(TStream& s, TOldLinzoraEntryRec& rec) { return ReadValue(s, rec); }

bool ReadOldCollocateRow(TStream& s, bool unicode, int level, TOldCollocateRow& row) {
  row = TOldCollocateRow{};
  if (!ReadF32(s, row.old_value) || !ReadI32(s, row.highest_position_count) || !ReadI32(s, row.total) ||
      !ReadI32(s, row.total_left) || !ReadI32(s, row.total_right))
    return false;
  if (!(unicode ? ReadUnknownLengthPointer(s, row.word_wide) : ReadUnknownLengthPointer(s, row.word_narrow)))
    return false;
  int32_t n = 0;
  if (!ReadCount(s, n, 4)) {
    LogDamage("collocate frequency count out of range", s);
    return false;
  }
  row.freqs.resize(static_cast<size_t>(n));
  row.lemma_freqs.assign(static_cast<size_t>(n), 0);
  if (!s.ReadExact(row.freqs.data(), static_cast<int64_t>(n) * 4)) return false;
  if (level > 0 && !ReadI32(s, row.sw_number)) return false;
  if (level > 1 && !ReadI32(s, row.n_texts)) return false;
  return true;
}

// --- unused texts ----------------------------------------------------------------------------

void TUnusedFileList::Clear() {
  version_ = std::max(version_, 1);
  recs_.clear();
}

TUnusedFileRec TUnusedFileList::Record(int32_t i) const {
  if (i < 0 || i >= Count()) return TUnusedFileRec{};
  return recs_[static_cast<size_t>(i)];
}

int32_t TUnusedFileList::IndexOfAFilename(UStringView name) const {
  const UString folded = FoldCaseU(name);
  for (size_t i = 0; i < recs_.size(); ++i)
    if (FoldCaseU(recs_[i].filename) == folded) return static_cast<int32_t>(i);
  return -1;
}

void TUnusedFileList::SortAlphabetically() {
  const auto less = [](const TUnusedFileRec& a, const TUnusedFileRec& b) {
    const int c = CompareStringsLocale(kLCID_EnglishUS, false, a.filename, b.filename);
    if (c != 0) return c < 0;
    const int d = CompareStringsLocale(kLCID_EnglishUS, true, a.filename, b.filename);
    if (d != 0) return d < 0;
    return a.filename < b.filename;
  };
  // Texts chosen folder by folder are most often in this order already, as the run met them: a
  // look at each neighbour costs a fraction of the sort of tens of thousands of names.
  if (std::is_sorted(recs_.begin(), recs_.end(), less)) return;
  std::stable_sort(recs_.begin(), recs_.end(), less);
}

bool TUnusedFileList::SaveToStream(TStream& s) {
  version_ = std::max(version_, 1);
  if (!WriteI32(s, recs_.empty() ? INT32_MAX : -Count())) return false;
  if (!WriteI32(s, version_)) return false;
  for (const auto& r : recs_) {
    if (!WriteValue(s, r.old)) return false;
    if (!StreamWritePchar(s, r.filename)) return false;
  }
  return true;
}

bool TUnusedFileList::ReadFromStream(TStream& s) {
  recs_.clear();
  int32_t first = 0;
  if (!ReadI32(s, first)) return false;
  int64_t count = 0;
  int32_t version = 0;
  if (first == INT32_MAX || first < 0) {
    if (!ReadI32(s, version)) return false;
    if (first != INT32_MAX) count = -static_cast<int64_t>(first);
  } else {
    count = first;
  }
  // From version 1 a record is 56 bytes and at least a terminator.
  const int64_t least = version >= 1 ? 58 : 56;
  if (first == INT32_MIN || count * least > s.BytesLeft()) {
    LogDamage("unused-text count beyond the bytes left", s);
    return false;
  }
  version_ = version;
  for (int64_t i = 0; i < count; ++i) {
    TUnusedFileRec r;
    if (!ReadValue(s, r.old)) return false;
    if (version >= 1 && !StreamReadPchar(s, r.filename)) {
      LogDamage("unused-text name without its end", s);
      return false;
    }
    recs_.push_back(std::move(r));
  }
  return true;
}

// --- other-file details and merge records ----------------------------------------------------

int32_t TOtherFileDetailsList::AddOne(const TOtherFilename_Details_Rec& r) {
  slots_.push_back(std::make_unique<TOtherFilename_Details_Rec>(r));
  return Count() - 1;
}

void TOtherFileDetailsList::FreeAndNilOne(int32_t i) {
  if (i >= 0 && i < Count()) slots_[static_cast<size_t>(i)].reset();
}

bool TOtherFileDetailsList::GetOne(int32_t i, TOtherFilename_Details_Rec& out) const {
  if (i < 0 || i >= Count() || !slots_[static_cast<size_t>(i)]) return false;
  out = *slots_[static_cast<size_t>(i)];
  return true;
}

int32_t TConcEntryMergeRecList::IndexOfN(int32_t n) const {
  const auto at = std::lower_bound(recs_.begin(), recs_.end(), n,
                                   [](const TConcEntryMergeRec& r, int32_t v) { return r.merge_num < v; });
  return at != recs_.end() && at->merge_num == n ? static_cast<int32_t>(at - recs_.begin()) : -1;
}
