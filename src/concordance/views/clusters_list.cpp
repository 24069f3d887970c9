#include "concordance/views/clusters_list.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "concordance/views/derived_list_support.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/list_headings.h"

// --- where rows live ---------------------------------------------------------------------------

struct TClusterEntryBlock {
  // The store's hold and one for each entry made in the block and not yet deleted.
  std::atomic<size_t> holds{1};
};

namespace {

// The word before each entry: its block, or null for an entry made alone. It keeps the entry
// aligned as the allocator would.
struct alignas(alignof(std::max_align_t)) TEntryHead {
  TClusterEntryBlock* block;
};
static_assert(alignof(TConcordanceClusterEntry) <= alignof(TEntryHead));

constexpr size_t kSlotBytes =
    (sizeof(TEntryHead) + sizeof(TConcordanceClusterEntry) + alignof(TEntryHead) - 1) / alignof(TEntryHead) *
    alignof(TEntryHead);
constexpr size_t kBlockHeadBytes = (sizeof(TClusterEntryBlock) + alignof(TEntryHead) - 1) / alignof(TEntryHead) *
                                   alignof(TEntryHead);

void ReleaseBlock(TClusterEntryBlock* block) noexcept {
  if (block->holds.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  block->~TClusterEntryBlock();
  ::operator delete(static_cast<void*>(block));
}

}  // namespace

void* TConcordanceClusterEntry::operator new(size_t size) {
  auto* head = static_cast<TEntryHead*>(::operator new(sizeof(TEntryHead) + size));
  head->block = nullptr;
  return head + 1;
}

void* TConcordanceClusterEntry::operator new(size_t size, TClusterEntryBlock* block, size_t slot) noexcept {
  (void)size;  // a block's slots are made for this class only (MakeEntries)
  auto* head = reinterpret_cast<TEntryHead*>(reinterpret_cast<char*>(block) + kBlockHeadBytes + slot * kSlotBytes);
  head->block = block;
  return head + 1;
}

void TConcordanceClusterEntry::operator delete(void* p) noexcept {
  if (!p) return;
  TEntryHead* head = static_cast<TEntryHead*>(p) - 1;
  if (head->block)
    ReleaseBlock(head->block);
  else
    ::operator delete(static_cast<void*>(head));
}

TClusterEntryStore::TClusterEntryStore(size_t slots) : slots_(slots) {
  if (slots == 0) return;
  block_ = new (::operator new(kBlockHeadBytes + slots * kSlotBytes)) TClusterEntryBlock;
}

TClusterEntryStore::~TClusterEntryStore() {
  if (block_) ReleaseBlock(block_);
}

void TClusterEntryStore::MakeEntries(size_t from, size_t to, TVXBaseDataClass& list,
                                     TConcordanceClusterEntry** out) {
  if (from >= to) return;
  if (!block_ || to > slots_) {  // not slots of this store: the entries are made alone
    std::fill(out, out + (to - from), nullptr);
    for (size_t k = 0; k < to - from; ++k) out[k] = new TConcordanceClusterEntry(&list, list.Holder());
    return;
  }
  for (size_t k = from; k < to; ++k) *out++ = new (block_, k) TConcordanceClusterEntry(&list, list.Holder());
  block_->holds.fetch_add(to - from, std::memory_order_relaxed);
}

// --- rows -------------------------------------------------------------------------------------

UString TConcordanceClusterEntry::GetAWordAsString(int column) const {
  if (column == 1) return rec.line.value_or(UString());
  if (column == 5) return rec.related_line;
  if (List() && column == List()->PredefinedSetColumnNumber()) return GetCategory();
  return UString();
}

void TConcordanceClusterEntry::SetAWordAsString(int column, UStringView text) {
  if (column == 1) rec.line = UString(text);
  else if (List() && column == List()->PredefinedSetColumnNumber()) SetCategoryText(text);
}

bool TConcordanceClusterEntry::SaveToStream(TStream& s) {
  return WriteI32(s, rec.frequency) && WriteTextInWidth(s, Holder(), rec.line) && WriteI32(s, rec.cluster_length) &&
         WriteAString(s, rec.related_line);
}

bool TConcordanceClusterEntry::ReadFromStream(TStream& s) {
  const int32_t version = List() ? List()->GetVersionNumber() : kClusterListVersion;
  rec = TClusterEntryRec{};
  if (!ReadI32(s, rec.frequency)) return false;
  if (List()) List()->WidenFrequencyRange(rec.frequency);
  if (!ReadTextInWidth(s, Holder(), rec.line)) return false;
  return version < 11 || (ReadI32(s, rec.cluster_length) && ReadAString(s, rec.related_line));
}

int32_t ClusterWordCount(UStringView text) {
  const size_t first = text.find_first_not_of(u' ');
  if (first == UStringView::npos) return 0;
  const size_t last = text.find_last_not_of(u' ');
  const UStringView t = text.substr(first, last - first + 1);
  return 1 + static_cast<int32_t>(std::count(t.begin(), t.end(), u' '));
}

// --- the list ---------------------------------------------------------------------------------

TConcordanceClusterList::TConcordanceClusterList(TVXBaseHolder* holder, T_WholeLinzoraHolder* owner)
    : TConcordanceDerivedList(holder, owner, &MakeEntry, 1, kListClusters) {
  SetVersionNumber(kClusterListVersion);
  SetHeadings(CopyOfBaseHeadings(kListClusters));
  SetSortSettingsToDefault(true);
}

TVXBaseListObject* TConcordanceClusterList::MakeEntry(TVXBaseDataClass& list) {
  return new TConcordanceClusterEntry(&list, list.Holder());
}

TConcordanceClusterEntry* TConcordanceClusterList::Row(int i) const {
  return dynamic_cast<TConcordanceClusterEntry*>(Get(i));
}

bool TConcordanceClusterList::ClusterData(int i, TClusterEntryRec& out) const {
  const TConcordanceClusterEntry* e = Row(i);
  out = e ? e->rec : TClusterEntryRec{};
  return e != nullptr;
}

void TConcordanceClusterList::SetClusterLengths() {
  for (int i = 0; i < Count(); ++i)
    if (TConcordanceClusterEntry* e = Row(i)) e->rec.cluster_length = ClusterWordCount(e->rec.line.value_or(UString()));
}

bool TConcordanceClusterList::GetNextCloudDatum(TCloudDatum& datum) {
  datum = TCloudDatum();
  const int row = fCloudCursor++;
  if (row < 0 || row >= Count()) return false;
  const TConcordanceClusterEntry* e = Row(row);
  datum.word = e ? e->rec.line.value_or(UString()) : UString();
  datum.value = e ? e->rec.frequency : 0;
  datum.index = row + 1;
  return true;
}

int32_t TConcordanceClusterList::HeaderColumnToSortNeeded(int level, int column) {
  switch (column) {
    case 1: return 0;
    case 2: return 2;
    case 3: return 1;
    case 4: return 3;
    case 5: return 4;
    default: return column >= 6 ? 1 : TConcordanceDerivedList::HeaderColumnToSortNeeded(level, column);
  }
}

void TConcordanceClusterList::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  TConcordanceDerivedList::NumericalData(column, index, result);
  const TConcordanceClusterEntry* e = Row(index);
  if (!e) return;
  switch (column) {
    case 2: result.value = static_cast<float>(e->rec.frequency); break;
    case 4: result.value = static_cast<float>(e->rec.cluster_length); break;
    case 1: case 3: case 5: result.value = 1; break;
    default: break;
  }
}

void TConcordanceClusterList::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  TConcordanceDerivedList::DrawgridDataRec(col, row, cell, kind_of_display);
  if (row > 0 && (col == 1 || col == 3 || col == 5)) cell.has_number = false;
}

bool TConcordanceClusterList::SaveToStream(TStream& s) {
  SetVersionNumber(std::max(GetVersionNumber(), kClusterListVersion));
  return TConcordanceDerivedList::SaveToStream(s);
}

bool TConcordanceClusterList::ReadFromStream(TStream& s) {
  if (!TConcordanceDerivedList::ReadFromStream(s)) return false;
  AfterRead();
  return true;
}

void TConcordanceClusterList::AfterRead() {
  if (GetVersionNumber() < 11) SetClusterLengths();
}

void TConcordanceClusterList::Set1Sort(int level, int32_t key) {
  TConcordanceDerivedList::Set1Sort(level, key);
  SetSortComparer(level, &Compare);
}

void TConcordanceClusterList::SetSortSettingsToDefault(bool clearing) {
  Set1Sort(0, 2);
  Set1Sort(1, 0);
  if (clearing) {
    SetSortAscending(0, false);
    SetSortAscending(1, true);
  }
}

int TConcordanceClusterList::Compare(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  auto& self = static_cast<TConcordanceClusterList&>(list);
  const auto* a = dynamic_cast<TConcordanceClusterEntry*>(&e);
  const auto* b = dynamic_cast<TConcordanceClusterEntry*>(self.SortPivot(level));
  if (!a || !b) return 0;
  switch (self.SortLevel(level).key) {
    case 0:
      return CompareStringsLocale(self.SortLCID(), false, a->rec.line.value_or(UString()),
                                  b->rec.line.value_or(UString()));
    case 2: return CompareIntKeys(a->rec.frequency, b->rec.frequency);
    case 3: return CompareIntKeys(a->rec.cluster_length, b->rec.cluster_length);
    case 4: return CompareStringsLocale(self.SortLCID(), false, a->rec.related_line, b->rec.related_line);
    default: return 0;
  }
}
