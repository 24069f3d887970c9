#include "model/lists/result_list_base.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"

// --- private parts ---------------------------------------------------------------------------

struct TJoinedInstance {
  TVXBaseListObject* entry;
  bool owned;  // the head frees it (it is in no list)
};

struct TVXEntryPrivate {
  uint8_t marks = 0;
  // The row's category in the list's own set column, the colour it is shown in and the tag it
  // came from (0 none).
  UString category;
  uint32_t category_colour = kNoColourCategory;
  int32_t category_tag = 0;
  int32_t added_slot = -1;  // row of the list's added-column values
  bool slot_only = false;   // made only to hold added_slot: not part of the entry's stream
  TVXBaseListObject* joined_to = nullptr;
  std::vector<TJoinedInstance> joined;
};

struct TUndoRecord {
  TUndoAction action;
  std::vector<TVXBaseListObject*> entries;
  std::vector<TVXBaseListObject*> heads;  // join: head of each form; zap: head it went to
  std::vector<uint8_t> owned;             // zap: the record frees entries[k]

  explicit TUndoRecord(TUndoAction a) : action(a) {}
  ~TUndoRecord() {
    for (size_t k = 0; k < owned.size(); ++k)
      if (owned[k]) delete entries[k];
  }
};

namespace {

constexpr uint32_t kParentMagic = 0x4C425856;  // "VXBL"
constexpr uint16_t kParentFormat = 1;
// Format 1: the marks. Format 2 (written only for an entry with a category): the marks, the
// category (WriteAString), its colour (uint32) and its tag number (int32).
constexpr uint8_t kPrivateFormat = 1;
constexpr uint8_t kPrivateFormatCategory = 2;
constexpr size_t kUndoLimit = 64;

int Sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

UString Reversed(UString s) {
  std::reverse(s.begin(), s.end());
  return s;
}

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Matches p[pi..] against s[si..]; "#" (when numbers are on) takes a run of digits, with single
// "," or "." between digits.
bool MatchFrom(const UString& p, size_t pi, const UString& s, size_t si, bool anchor_end, bool numbers) {
  while (pi < p.size()) {
    const char16_t c = p[pi];
    if (numbers && c == u'#') {
      if (si >= s.size() || !IsAsciiDigit(s[si])) return false;
      std::vector<size_t> ends;
      size_t k = si;
      while (k < s.size()) {
        if (IsAsciiDigit(s[k])) {
          ++k;
          ends.push_back(k);
        } else if ((s[k] == u',' || s[k] == u'.') && k + 1 < s.size() && IsAsciiDigit(s[k + 1])) {
          ++k;
        } else {
          break;
        }
      }
      for (auto it = ends.rbegin(); it != ends.rend(); ++it)
        if (MatchFrom(p, pi + 1, s, *it, anchor_end, numbers)) return true;
      return false;
    }
    if (si >= s.size() || s[si] != c) return false;
    ++pi;
    ++si;
  }
  return !anchor_end || si == s.size();
}

bool PositionMatch(const UString& pattern, const UString& s, uint32_t flags) {
  const bool numbers = (flags & kPosNumber) != 0;
  const bool anchor_end = (flags & kPosTrailingWildcard) == 0;
  if ((flags & kPosLeadingWildcard) == 0) return MatchFrom(pattern, 0, s, 0, anchor_end, numbers);
  for (size_t start = 0; start <= s.size(); ++start)
    if (MatchFrom(pattern, 0, s, start, anchor_end, numbers)) return true;
  return false;
}

}  // namespace

UString RelevantAffixesOfStringData(const TGrid_data_rec& cell) { return cell.prefix + cell.text + cell.suffix; }

// --- stored-list information -----------------------------------------------------------------

bool TStoredListInfoHolder::WriteInfo(TStream& s) {
  const int64_t pos = s.Position();
  if (pos < 0 || !WriteValue(s, info)) return false;
  info_position_ = pos;
  return true;
}

bool TStoredListInfoHolder::ResaveEntries(TStream& s) {
  if (info_position_ < 0) return false;
  const int64_t here = s.Position();
  if (here < 0 || !s.SetPosition(info_position_)) return false;
  const bool ok = WriteValue(s, info);
  return s.SetPosition(here) && ok;
}

// --- holder ----------------------------------------------------------------------------------

TVXBaseHolder::TVXBaseHolder() = default;
TVXBaseHolder::~TVXBaseHolder() = default;

void TVXBaseHolder::StartListsRead() {
  width_settled_ = false;
  list_read_message_.clear();
}

void TVXBaseHolder::CopyTextFormFrom(const TVXBaseHolder& other) {
  unicode_ = other.unicode_;
  width_settled_ = other.width_settled_;
  list_read_message_ = other.list_read_message_;
  lcid_ = other.lcid_;
  code_page_ = other.code_page_;
}

void TVXBaseHolder::SetListWidth(const TListWidth& width) {
  unicode_ = width.unicode;
  width_settled_ = width.settled;
}

bool TVXBaseHolder::ListWidthAgrees(bool unicode, UStringView list_name) {
  if (!width_settled_ || unicode_ == unicode) return true;
  list_read_message_ = u"the list \"" + UString(list_name) + u"\" holds " + (unicode ? u"UTF-16" : u"8-bit") +
                       u" text, the document's other lists " + (unicode_ ? u"UTF-16" : u"8-bit") +
                       u": the document cannot be read";
  AddToLogFile(list_read_message_);
  return false;
}

// --- entries ---------------------------------------------------------------------------------

TVXBaseListObject::TVXBaseListObject(TVXBaseDataClass* list, TVXBaseHolder* holder)
    : list_(list), holder_(holder ? holder : (list ? list->Holder() : nullptr)) {}

TVXBaseListObject::~TVXBaseListObject() { UnlinkJoins(); }

void TVXBaseListObject::UnlinkJoins() {
  if (!priv_) return;
  std::vector<TJoinedInstance> joined;
  joined.swap(priv_->joined);
  for (const TJoinedInstance& j : joined) {
    if (j.entry->priv_) j.entry->priv_->joined_to = nullptr;
    if (j.owned) delete j.entry;
  }
  if (TVXBaseListObject* head = priv_->joined_to) {
    priv_->joined_to = nullptr;
    if (head->priv_) {
      auto& v = head->priv_->joined;
      v.erase(std::remove_if(v.begin(), v.end(), [this](const TJoinedInstance& j) { return j.entry == this; }),
              v.end());
    }
  }
}

bool TVXBaseListObject::IsDuplicateOf(const TVXBaseListObject& other) const {
  return MainWordOnly() == other.MainWordOnly();
}

TJoinedWordDatum TVXBaseListObject::JoinedWordDatum() const {
  TJoinedWordDatum d;
  d.frequency = MainWordFrequency();
  d.n_texts = MainNTexts();
  d.word = MainWordOnly();
  d.prefix = MainWordPrefix();
  d.suffix = MainWordSuffix();
  return d;
}

UString TVXBaseListObject::GetAWordAsString(int column) const {
  return column == ThisListsMainWordColumn() ? MainWordOnly() : UString();
}

UString TVXBaseListObject::GetAWordPlusAffixesAsString(int column) const {
  if (column == ThisListsMainWordColumn()) return MainWordPrefix() + MainWordOnly() + MainWordSuffix();
  return GetAWordAsString(column);
}

int TVXBaseListObject::ThisListsMainWordColumn() const { return list_ ? list_->MainWordColumn() : 1; }

int32_t TVXBaseListObject::MainWordLength() const {
  return static_cast<int32_t>(MainWordPrefix().size() + MainWordOnly().size() + MainWordSuffix().size());
}

TVXEntryPrivate& TVXBaseListObject::EnsurePrivateObjExists() {
  if (!priv_) priv_ = std::make_unique<TVXEntryPrivate>();
  priv_->slot_only = false;
  return *priv_;
}

bool TVXBaseListObject::PrivateObjExists() const {
  return (priv_ != nullptr && !priv_->slot_only) || !CategoryText().empty();
}

int32_t TVXBaseListObject::AddedSlot() const { return priv_ ? priv_->added_slot : -1; }

void TVXBaseListObject::SetAddedSlot(int32_t slot) {
  if (!priv_) {
    priv_ = std::make_unique<TVXEntryPrivate>();
    priv_->slot_only = true;
  }
  priv_->added_slot = slot;
}

bool TVXBaseListObject::SavePrivateToStream(TVXBaseDataClass&, TStream& s, const TStoredListInfoHolder&) const {
  const uint8_t marks = priv_ ? static_cast<uint8_t>(priv_->marks & (kMarkDeleted | kMarkMatched)) : 0;
  // Entries without a category keep the first format, which every reader knows.
  if (!HasCategory()) return WriteU8(s, kPrivateFormat) && WriteU8(s, marks);
  return WriteU8(s, kPrivateFormatCategory) && WriteU8(s, marks) && WriteAString(s, CategoryText()) &&
         WriteU32(s, CategoryColour()) && WriteI32(s, CategoryTagNumber());
}

bool TVXBaseListObject::ReadPrivateFromStream(TVXBaseDataClass&, TStream& s, const TStoredListInfoHolder&) {
  uint8_t format = 0, marks = 0;
  if (!ReadU8(s, format) || format == 0 || format > kPrivateFormatCategory) return false;
  if (!ReadU8(s, marks)) return false;
  TVXEntryPrivate& p = EnsurePrivateObjExists();
  p.marks = static_cast<uint8_t>(marks & (kMarkDeleted | kMarkMatched));
  if (format == kPrivateFormatCategory) {
    UString category;
    if (!ReadAString(s, category) || !ReadU32(s, p.category_colour) || !ReadI32(s, p.category_tag)) return false;
    if (!category.empty()) SetCategoryText(category);
  }
  return true;
}

bool TVXBaseListObject::HasCategory() const {
  return !CategoryText().empty() ||
         (priv_ && (priv_->category_colour != kNoColourCategory || priv_->category_tag != 0));
}

UString TVXBaseListObject::GetCategory() const { return priv_ ? priv_->category : UString(); }

uint32_t TVXBaseListObject::CategoryColour() const { return priv_ ? priv_->category_colour : kNoColourCategory; }

int32_t TVXBaseListObject::CategoryTagNumber() const { return priv_ ? priv_->category_tag : 0; }

void TVXBaseListObject::SetCategoryString(UStringView text) {
  if (text.empty() && !priv_) return;
  EnsurePrivateObjExists().category = UString(text);
  if (list_) list_->NoteChange();
}

void TVXBaseListObject::SetACategoryAndColourAndTagnumber(UStringView text, uint32_t colour, int32_t tag_number) {
  SetCategoryText(text);
  TVXEntryPrivate& p = EnsurePrivateObjExists();
  p.category_colour = colour;
  p.category_tag = tag_number;
}

void TVXBaseListObject::CopyCategoryFrom(const TVXBaseListObject& other) {
  if (!other.HasCategory()) return;
  SetACategoryAndColourAndTagnumber(other.CategoryText(), other.CategoryColour(), other.CategoryTagNumber());
}

void TVXBaseListObject::AddPrivateJoinInstance(TVXBaseListObject* joined) {
  if (!joined || joined == this) return;
  EnsurePrivateObjExists().joined.push_back({joined, true});
  joined->EnsurePrivateObjExists().joined_to = this;
  joined->list_ = list_;
  joined->holder_ = holder_;
}

void TVXBaseListObject::SetParentAs(TVXBaseDataClass* list) {
  list_ = list;
  if (list && list->Holder()) holder_ = list->Holder();
  if (priv_)
    for (const TJoinedInstance& j : priv_->joined)
      if (j.owned) j.entry->SetParentAs(list);
}

uint8_t TVXBaseListObject::Marks() const { return priv_ ? priv_->marks : 0; }

void TVXBaseListObject::SetMark(uint8_t mark, bool value) {
  if (!value && !priv_) return;
  TVXEntryPrivate& p = EnsurePrivateObjExists();
  p.marks = value ? static_cast<uint8_t>(p.marks | mark) : static_cast<uint8_t>(p.marks & ~mark);
}

TVXBaseListObject* TVXBaseListObject::JoinedTo() const { return priv_ ? priv_->joined_to : nullptr; }

std::vector<TVXBaseListObject*> TVXBaseListObject::JoinedEntries() const {
  std::vector<TVXBaseListObject*> out;
  if (priv_)
    for (const TJoinedInstance& j : priv_->joined) out.push_back(j.entry);
  return out;
}

int32_t TVXBaseListObject::JoinedCount() const { return priv_ ? static_cast<int32_t>(priv_->joined.size()) : 0; }

// --- list: construction ----------------------------------------------------------------------

TVXBaseDataClass::TVXBaseDataClass(TVXBaseHolder* holder, TEntryClass entry_class, grid_alternatives grid_kind,
                                   TTessorineList list_type, int32_t number)
    : holder_(holder), entry_class_(entry_class), grid_kind_(grid_kind), list_type_(list_type), number_(number) {
  stored_.settings.list_type = list_type;
  stored_.settings.grid_kind = grid_kind;
  stored_.settings.number = number;
  SetSortSettingsToDefault(true);
  sorts_changed_ = false;
}

TVXBaseDataClass::~TVXBaseDataClass() {
  if (busy_ != kBusyNone) AddToLogFile("a list was freed while busy");
  undo_.clear();
  redo_.clear();
  for (TVXBaseListObject* e : entries_) delete e;
  entries_.clear();
}

void TVXBaseDataClass::Grow() { entries_.reserve(entries_.size() + entries_.size() / 2 + 16); }

TVXBaseListObject* TVXBaseDataClass::NewEntry() { return entry_class_ ? entry_class_(*this) : nullptr; }

int TVXBaseDataClass::AddABlankEntryWithMainWord(UStringView word) {
  TVXBaseListObject* e = NewEntry();
  if (!e) return -1;
  e->SetAWordAsString(MainWordColumn(), word);
  return Add(e);
}

int TVXBaseDataClass::Add(TVXBaseListObject* entry) {
  if (!entry) return -1;
  if (busy_ != kBusyNone) {
    RefuseWhileBusy("add an entry");
    return -1;
  }
  return AddOwn(entry);
}

void TVXBaseDataClass::ReserveEntries(int64_t n) {
  if (n <= 0) return;
  const size_t need = entries_.size() + static_cast<size_t>(std::min<int64_t>(n, INT32_MAX));
  if (need <= entries_.capacity()) return;
  entries_.reserve(std::max(need, 2 * entries_.capacity()));
}

int TVXBaseDataClass::AddOwn(TVXBaseListObject* entry) {
  if (!entry) return -1;
  if (entry->List() != this) entry->SetParentAs(this);
  entries_.push_back(entry);
  alpha_sorted_ = false;
  NoteChange();
  AdjustEntryCount();
  return Count() - 1;
}

void TVXBaseDataClass::ChangeListType(TTessorineList list_type) {
  list_type_ = list_type;
  stored_.settings.list_type = list_type;
}

// Every entry the list holds goes over: those in it, the joined forms their heads own (which are
// in no list) and the entries kept for undo, which an undo would bring back.
void TVXBaseDataClass::ConvertEntriesToUnicode(int code_page) {
  auto convert = [code_page](TVXBaseListObject* e) {
    e->ConvertEntryToUnicode(code_page);
    if (e->priv_)
      for (const TJoinedInstance& j : e->priv_->joined)
        if (j.owned) j.entry->ConvertEntryToUnicode(code_page);
  };
  for (TVXBaseListObject* e : entries_)
    if (e) convert(e);
  for (const auto* records : {&undo_, &redo_})
    for (const auto& rec : *records)
      for (size_t k = 0; k < rec->owned.size(); ++k)
        if (rec->owned[k]) convert(rec->entries[k]);
}

TVXBaseListObject* TVXBaseDataClass::Get(int i) const { return (i >= 0 && i < Count()) ? entries_[i] : nullptr; }

void TVXBaseDataClass::Put(int i, TVXBaseListObject* entry) {
  if (busy_ != kBusyNone) {
    RefuseWhileBusy("put an entry");
    return;
  }
  PutOwn(i, entry);
}

void TVXBaseDataClass::PutOwn(int i, TVXBaseListObject* entry) {
  if (i < 0 || i >= Count()) return;
  TVXBaseListObject* old = entries_[i];
  if (old == entry) return;
  if (!old && entry) --nil_slots_;
  if (old && !entry) ++nil_slots_;
  // A detached entry is the caller's now: no undo record may point at it.
  if (old) ClearUndoList();
  for (auto& p : pivots_) p = nullptr;
  entries_[i] = entry;
  if (entry) alpha_sorted_ = false;
  NoteChange();
}

void TVXBaseDataClass::Pack() {
  if (nil_slots_ == 0) return;
  entries_.erase(std::remove(entries_.begin(), entries_.end(), nullptr), entries_.end());
  nil_slots_ = 0;
}

void TVXBaseDataClass::FreeEntry(TVXBaseListObject* e) {
  ClearUndoList();
  for (auto& p : pivots_) p = nullptr;
  delete e;
}

bool TVXBaseDataClass::Clear() {
  if (busy_ != kBusyNone) return RefuseWhileBusy("clear the list");
  ClearUndoList();
  for (auto& p : pivots_) p = nullptr;
  std::vector<TVXBaseListObject*> old;
  old.swap(entries_);
  for (TVXBaseListObject* e : old) delete e;
  nil_slots_ = 0;
  alpha_sorted_ = false;
  NoteChange();
  return true;
}

void TVXBaseDataClass::Remove(int index) {
  if (busy_ != kBusyNone) {
    RefuseWhileBusy("remove an entry");
    return;
  }
  if (index < 0 || index >= Count()) return;
  TVXBaseListObject* e = entries_[index];
  entries_.erase(entries_.begin() + index);
  if (e)
    FreeEntry(e);
  else
    --nil_slots_;
  NoteChange();
}

int TVXBaseDataClass::Zap(bool undoable) {
  if (busy_ != kBusyNone) {
    RefuseWhileBusy("purge deleted entries");
    return 0;
  }
  std::vector<TVXBaseListObject*> kept, removed;
  kept.reserve(entries_.size());
  for (TVXBaseListObject* e : entries_) {
    if (!e) continue;
    if (e->JoinedTo() || e->HasMark(kMarkDeleted))
      removed.push_back(e);
    else
      kept.push_back(e);
  }
  entries_.swap(kept);
  nil_slots_ = 0;
  if (removed.empty()) return 0;
  for (auto& p : pivots_) p = nullptr;
  if (!undoable) ClearUndoList();
  auto rec = undoable ? std::make_unique<TUndoRecord>(kUndoZap) : nullptr;
  // Entries joined under a head now belong to it; the rest are kept for undo or freed.
  std::vector<uint8_t> to_free(removed.size(), 0);
  for (size_t k = 0; k < removed.size(); ++k) {
    TVXBaseListObject* e = removed[k];
    TVXBaseListObject* head = e->JoinedTo();
    if (head) {
      for (TJoinedInstance& j : head->priv_->joined)
        if (j.entry == e) j.owned = true;
    } else {
      to_free[k] = 1;
    }
    if (rec) {
      rec->entries.push_back(e);
      rec->heads.push_back(head);
      rec->owned.push_back(to_free[k]);
    }
  }
  if (!rec)
    for (size_t k = 0; k < removed.size(); ++k)
      if (to_free[k]) delete removed[k];
  NoteChange();
  if (rec) PushUndo(std::move(rec));
  return static_cast<int>(removed.size());
}

// --- marks -----------------------------------------------------------------------------------

bool TVXBaseDataClass::GetDeleted(int i) const { return ValidIndex(i) && entries_[i]->HasMark(kMarkDeleted); }
bool TVXBaseDataClass::GetMatched(int i) const { return ValidIndex(i) && entries_[i]->HasMark(kMarkMatched); }
bool TVXBaseDataClass::GetNotForSaving(int i) const {
  return ValidIndex(i) && entries_[i]->HasMark(kMarkNotForSaving);
}
bool TVXBaseDataClass::GetJoinedElsewhere(int i) const { return ValidIndex(i) && entries_[i]->JoinedTo() != nullptr; }
bool TVXBaseDataClass::GetHasJoined(int i) const { return ValidIndex(i) && entries_[i]->JoinedCount() > 0; }

namespace {
bool ChangeMark(TVXBaseListObject* e, uint8_t mark, bool value) {
  if (!e || e->HasMark(mark) == value) return false;
  e->SetMark(mark, value);
  return true;
}
}  // namespace

bool TVXBaseDataClass::SetDeleted(int i, bool value) {
  if (!ValidIndex(i) || !ChangeMark(entries_[i], kMarkDeleted, value)) return false;
  NoteChange();
  return true;
}

bool TVXBaseDataClass::SetMatched(int i, bool value) {
  if (!ValidIndex(i) || !ChangeMark(entries_[i], kMarkMatched, value)) return false;
  NoteChange();
  return true;
}

bool TVXBaseDataClass::SetNotForSaving(int i, bool value) {
  return ValidIndex(i) && ChangeMark(entries_[i], kMarkNotForSaving, value);
}

std::vector<TVXBaseListObject*> TVXBaseDataClass::GetJoinListAndDetails(int i) const {
  return ValidIndex(i) ? entries_[i]->JoinedEntries() : std::vector<TVXBaseListObject*>();
}

int32_t TVXBaseDataClass::GetTotalJoinedFreq(int i) const {
  int64_t total = 0;
  for (TVXBaseListObject* e : GetJoinListAndDetails(i)) total += e->MainWordFrequency();
  return static_cast<int32_t>(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
}

double RelativeEntropyOfForms(const TVXBaseListObject& head) {
  std::vector<double> freqs{double(std::max(0, head.MainWordFrequency()))};
  for (TVXBaseListObject* e : head.JoinedEntries()) freqs.push_back(double(std::max(0, e->MainWordFrequency())));
  double total = 0.0;
  int used = 0;
  for (double f : freqs)
    if (f > 0) {
      total += f;
      ++used;
    }
  if (used < 2) return 0.0;
  double h = 0.0;
  for (double f : freqs)
    if (f > 0) h -= f / total * std::log(f / total);
  return h / std::log(double(used));
}

bool TVXBaseDataClass::Join(int head, int form, bool undoable) {
  if (!ValidIndex(head) || !ValidIndex(form) || head == form) return false;
  TVXBaseListObject* h = entries_[head];
  TVXBaseListObject* f = entries_[form];
  if (f->JoinedTo() || f->JoinedCount() > 0 || h->JoinedTo()) return false;
  h->EnsurePrivateObjExists().joined.push_back({f, false});
  f->EnsurePrivateObjExists().joined_to = h;
  NoteChange();
  if (undoable) {
    auto rec = std::make_unique<TUndoRecord>(kUndoJoin);
    rec->entries.push_back(f);
    rec->heads.push_back(h);
    PushUndo(std::move(rec));
  }
  return true;
}

bool TVXBaseDataClass::Unjoin(int i) {
  if (!ValidIndex(i)) return false;
  auto unlink = [](TVXBaseListObject* h, TVXBaseListObject* f) {
    auto& v = h->priv_->joined;
    const auto it = std::find_if(v.begin(), v.end(), [f](const TJoinedInstance& j) { return j.entry == f; });
    if (it == v.end() || it->owned) return false;
    v.erase(it);
    f->priv_->joined_to = nullptr;
    return true;
  };
  TVXBaseListObject* e = entries_[i];
  bool changed = false;
  if (TVXBaseListObject* h = e->JoinedTo()) changed = unlink(h, e);
  for (TVXBaseListObject* f : e->JoinedEntries()) changed = unlink(e, f) || changed;
  if (changed) NoteChange();
  return changed;
}

bool TVXBaseDataClass::MoveJoins(int from, int to, const TJoinFold& fold) {
  if (!ValidIndex(from) || !ValidIndex(to) || from == to) return false;
  TVXBaseListObject* source = entries_[from];
  TVXBaseListObject* head = entries_[to];
  if (source->JoinedTo() || head->JoinedTo()) return false;
  if (source->JoinedCount() == 0) return true;
  std::vector<TJoinedInstance> moving;
  moving.swap(source->priv_->joined);
  std::vector<TJoinedInstance>& into = head->EnsurePrivateObjExists().joined;
  for (const TJoinedInstance& j : moving) {
    // A form still in the list is a row too, which the caller may yet count as one: it only moves.
    bool folded = false;
    for (size_t k = 0; k < into.size() && fold && j.owned && !folded; ++k) folded = fold(*into[k].entry, *j.entry);
    if (folded) {
      j.entry->priv_->joined_to = nullptr;
      delete j.entry;
      continue;
    }
    into.push_back(j);
    j.entry->priv_->joined_to = head;
  }
  ClearUndoList();
  NoteChange();
  return true;
}

bool TVXBaseDataClass::DeleteOne(int i, bool value) { return SetDeleted(i, value); }

int TVXBaseDataClass::DeleteARange(const std::vector<int32_t>& indices, bool undoable, bool value) {
  auto rec = std::make_unique<TUndoRecord>(value ? kUndoDelete : kUndoUndelete);
  for (int32_t i : indices)
    if (SetDeleted(i, value)) rec->entries.push_back(entries_[i]);
  const int n = static_cast<int>(rec->entries.size());
  if (undoable && n > 0) PushUndo(std::move(rec));
  return n;
}

int TVXBaseDataClass::MatchARange(const std::vector<int32_t>& indices, bool undoable, bool value) {
  auto rec = std::make_unique<TUndoRecord>(value ? kUndoMatch : kUndoUnmatch);
  for (int32_t i : indices)
    if (SetMatched(i, value)) rec->entries.push_back(entries_[i]);
  const int n = static_cast<int>(rec->entries.size());
  if (undoable && n > 0) PushUndo(std::move(rec));
  return n;
}

int TVXBaseDataClass::UnmatchAll() {
  int n = 0;
  for (int i = 0; i < Count(); ++i)
    if (SetMatched(i, false)) ++n;
  return n;
}

void TVXBaseDataClass::AddItemsToUndoList(TUndoAction action, const std::vector<int32_t>& indices) {
  if (action == kUndoJoin || action == kUndoZap) return;  // those carry more than indices
  auto rec = std::make_unique<TUndoRecord>(action);
  for (int32_t i : indices)
    if (ValidIndex(i)) rec->entries.push_back(entries_[i]);
  if (!rec->entries.empty()) PushUndo(std::move(rec));
}

void TVXBaseDataClass::PushUndo(std::unique_ptr<TUndoRecord> rec) {
  // A new change starts a new history: what was undone before it can no longer be redone.
  redo_.clear();
  undo_.push_back(std::move(rec));
  if (undo_.size() > kUndoLimit) undo_.erase(undo_.begin());
}

void TVXBaseDataClass::ClearUndoList() {
  undo_.clear();
  redo_.clear();
}

bool TVXBaseDataClass::Undo() {
  if (undo_.empty()) return false;
  if (busy_ != kBusyNone) return RefuseWhileBusy("undo");
  std::unique_ptr<TUndoRecord> rec = std::move(undo_.back());
  undo_.pop_back();
  TUndoRecord& undone = *rec;
  redo_.push_back(std::move(rec));
  UndoRecord(undone);
  return true;
}

bool TVXBaseDataClass::Redo() {
  if (redo_.empty()) return false;
  if (busy_ != kBusyNone) return RefuseWhileBusy("redo");
  std::unique_ptr<TUndoRecord> rec = std::move(redo_.back());
  redo_.pop_back();
  TUndoRecord& redone = *rec;
  undo_.push_back(std::move(rec));
  RedoRecord(redone);
  NoteChange();
  return true;
}

void TVXBaseDataClass::UndoRecord(TUndoRecord& r) {
  TUndoRecord* rec = &r;
  switch (rec->action) {
    case kUndoDelete:
    case kUndoUndelete:
      for (TVXBaseListObject* e : rec->entries) e->SetMark(kMarkDeleted, rec->action == kUndoUndelete);
      break;
    case kUndoMatch:
    case kUndoUnmatch:
      for (TVXBaseListObject* e : rec->entries) e->SetMark(kMarkMatched, rec->action == kUndoUnmatch);
      break;
    case kUndoJoin:
      for (size_t k = 0; k < rec->entries.size(); ++k) {
        TVXBaseListObject* f = rec->entries[k];
        TVXBaseListObject* h = rec->heads[k];
        if (f->JoinedTo() != h || !h->priv_) continue;
        auto& v = h->priv_->joined;
        v.erase(std::remove_if(v.begin(), v.end(), [f](const TJoinedInstance& j) { return j.entry == f; }), v.end());
        f->priv_->joined_to = nullptr;
      }
      break;
    case kUndoZap:
      for (size_t k = 0; k < rec->entries.size(); ++k) {
        TVXBaseListObject* e = rec->entries[k];
        if (TVXBaseListObject* h = rec->heads[k]) {
          if (h->priv_)
            for (TJoinedInstance& j : h->priv_->joined)
              if (j.entry == e) j.owned = false;
        }
        rec->owned[k] = 0;
        entries_.push_back(e);
      }
      alpha_sorted_ = false;
      DoASort(3, 0, Count() - 1);
      break;
  }
  NoteChange();
}

void TVXBaseDataClass::RedoRecord(TUndoRecord& rec) {
  switch (rec.action) {
    case kUndoDelete:
    case kUndoUndelete:
      for (TVXBaseListObject* e : rec.entries) e->SetMark(kMarkDeleted, rec.action == kUndoDelete);
      break;
    case kUndoMatch:
    case kUndoUnmatch:
      for (TVXBaseListObject* e : rec.entries) e->SetMark(kMarkMatched, rec.action == kUndoMatch);
      break;
    case kUndoJoin:
      for (size_t k = 0; k < rec.entries.size(); ++k) {
        TVXBaseListObject* f = rec.entries[k];
        TVXBaseListObject* h = rec.heads[k];
        // Joined again only where nothing since has made either side part of another join.
        if (f->JoinedTo() || f->JoinedCount() > 0 || h->JoinedTo()) continue;
        h->EnsurePrivateObjExists().joined.push_back({f, false});
        f->EnsurePrivateObjExists().joined_to = h;
      }
      break;
    case kUndoZap: {
      // The same entries leave the list again: a form goes back to its head, the rest to the record.
      std::vector<TVXBaseListObject*> gone(rec.entries.begin(), rec.entries.end());
      std::sort(gone.begin(), gone.end());
      entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                    [&gone](TVXBaseListObject* e) { return std::binary_search(gone.begin(), gone.end(), e); }),
                     entries_.end());
      for (auto& p : pivots_) p = nullptr;
      for (size_t k = 0; k < rec.entries.size(); ++k) {
        TVXBaseListObject* e = rec.entries[k];
        if (TVXBaseListObject* h = rec.heads[k]) {
          if (h->priv_)
            for (TJoinedInstance& j : h->priv_->joined)
              if (j.entry == e) j.owned = true;
          rec.owned[k] = 0;
        } else {
          rec.owned[k] = 1;
        }
      }
      break;
    }
  }
}

// --- sorting ---------------------------------------------------------------------------------

void TVXBaseDataClass::SetHolder(TVXBaseHolder* holder) {
  holder_ = holder;
  for (int i = 0; i < Count(); ++i)
    if (TVXBaseListObject* e = Get(i)) e->SetParentAs(this);
}

TLCID TVXBaseDataClass::SortLCID() const { return holder_ ? holder_->LCID() : kLCID_EnglishUS; }

void TVXBaseDataClass::SetSortAscending(int level, bool ascending) {
  sorts_[ClampLevel(level)].ascending = ascending;
  sorts_changed_ = true;
}

void TVXBaseDataClass::ToggleSortDirection(int level) { SetSortAscending(level, !sorts_[ClampLevel(level)].ascending); }

void TVXBaseDataClass::SetSortCaseSensitive(int level, bool case_sensitive) {
  sorts_[ClampLevel(level)].case_sensitive = case_sensitive;
  pivots_[ClampLevel(level)] = nullptr;
  sorts_changed_ = true;
}

void TVXBaseDataClass::SetSortComparer(int level, TLevelComparer comparer) {
  sorts_[ClampLevel(level)].comparer = comparer;
  pivots_[ClampLevel(level)] = nullptr;
}

void TVXBaseDataClass::Set1Sort(int level, int32_t key) {
  const int l = ClampLevel(level);
  sorts_[l].key = key;
  TLevelComparer c = nullptr;
  switch (key) {
    case kSortAlphabetical: c = &BaseCompareAlphabetical; break;
    case kSortFrequency: c = &BaseCompareFrequency; break;
    case kSortReverseAlphabetical: c = &BaseCompareReverse; break;
    case kSortWordLength: c = &BaseCompareLength; break;
    case kSortPrefix: c = &BaseComparePrefix; break;
    case kSortSuffix: c = &BaseCompareSuffix; break;
    case kSortTexts: c = &BaseCompareTexts; break;
    case kSortDispersion: c = &BaseCompareDispersion; break;
    default: break;
  }
  sorts_[l].comparer = c;
  pivots_[l] = nullptr;
  sorts_changed_ = true;
}

void TVXBaseDataClass::Set3Sorts(int32_t key1, int32_t key2, int32_t key3) {
  Set1Sort(0, key1);
  Set1Sort(1, key2);
  Set1Sort(2, key3);
  sorts_changed_ = true;
}

void TVXBaseDataClass::SetSecondSortAsWordSort() { Set1Sort(1, kSortAlphabetical); }

void TVXBaseDataClass::SetSortSettingsToDefault(bool clearing) {
  Set1Sort(0, kSortAlphabetical);
  Set1Sort(1, kSortNone);
  Set1Sort(2, kSortNone);
  if (clearing)
    for (TSortLevel& s : sorts_) {
      s.ascending = true;
      s.case_sensitive = false;
    }
}

void TVXBaseDataClass::EnsureAlphabeticalAscendingSort() {
  Set1Sort(0, kSortAlphabetical);
  SetSortAscending(0, true);
}

bool TVXBaseDataClass::SortAlphabeticallyAscending() { return DoAlphabeticalAscendingSort(); }

bool TVXBaseDataClass::DoAlphabeticalAscendingSort() {
  EnsureAlphabeticalAscendingSort();
  return DoASort(3, 0, Count() - 1);
}

void TVXBaseDataClass::StoreSortSettings() {
  for (int l = 0; l < 3; ++l) {
    stored_.settings.sort_keys[l] = sorts_[l].key;
    stored_.settings.sort_ascending[l] = sorts_[l].ascending ? 1 : 0;
    stored_.settings.sort_case_sensitive[l] = sorts_[l].case_sensitive ? 1 : 0;
  }
  stored_.settings.lcid = SortLCID();
}

void TVXBaseDataClass::ApplyStoredSortSettings() {
  const TStoredListSettingsRec rec = stored_.settings;
  for (int l = 0; l < 3; ++l) {
    Set1Sort(l, rec.sort_keys[l]);
    sorts_[l].ascending = rec.sort_ascending[l] != 0;
    sorts_[l].case_sensitive = rec.sort_case_sensitive[l] != 0;
  }
}

std::string TVXBaseDataClass::StringKeyFor(int level, TVXBaseListObject& e) {
  const TSortLevel& s = sorts_[level];
  const TLCID lcid = SortLCID();
  if (s.comparer == &BaseCompareReverse) return CollationSortKey(lcid, s.case_sensitive, Reversed(e.MainWordOnly()));
  if (s.comparer == &BaseComparePrefix) return CollationSortKey(lcid, s.case_sensitive, e.MainWordPrefix());
  if (s.comparer == &BaseCompareSuffix) return CollationSortKey(lcid, s.case_sensitive, e.MainWordSuffix());
  if (s.comparer == &CompareCategories) return CollationSortKey(lcid, s.case_sensitive, e.GetCategory());
  return CollationSortKey(lcid, s.case_sensitive, e.MainWordOnly());
}

void TVXBaseDataClass::SetBase(TVXBaseListObject& entry, int level) {
  const int l = ClampLevel(level);
  pivots_[l] = &entry;
  TPivotCache& c = pivot_cache_[l];
  const TLevelComparer cmp = sorts_[l].comparer;
  if (cmp == &BaseCompareAlphabetical || cmp == &BaseCompareReverse || cmp == &BaseComparePrefix ||
      cmp == &BaseCompareSuffix || cmp == &CompareCategories)
    c.key = StringKeyFor(l, entry);
  else if (cmp == &BaseCompareFrequency)
    c.number = entry.MainWordFrequency();
  else if (cmp == &BaseCompareLength)
    c.number = entry.MainWordLength();
  else if (cmp == &BaseCompareTexts)
    c.number = entry.MainNTexts();
  else if (cmp == &BaseCompareDispersion)
    c.real = entry.GetDispersion();
}

int TVXBaseDataClass::CompareWithPivot(int level, TVXBaseListObject& entry) {
  const int l = ClampLevel(level);
  if (!sorts_[l].comparer) return 0;
  current_level_ = l;
  return sorts_[l].comparer(*this, l, entry);
}

int TVXBaseDataClass::CompareDispersions(TVXBaseListObject& entry) {
  const float a = entry.GetDispersion(), b = pivot_cache_[current_level_].real;
  return a < b ? -1 : (a > b ? 1 : 0);
}

int TVXBaseDataClass::CompareWordsReverse(TVXBaseListObject& entry) {
  return Sign(StringKeyFor(current_level_, entry).compare(pivot_cache_[current_level_].key));
}

int TVXBaseDataClass::CompareWordsByLength(TVXBaseListObject& entry) {
  return Sign(int64_t(entry.MainWordLength()) - pivot_cache_[current_level_].number);
}

int TVXBaseDataClass::BaseCompareAlphabetical(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return Sign(list.StringKeyFor(level, e).compare(list.pivot_cache_[level].key));
}
int TVXBaseDataClass::CompareCategories(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return BaseCompareAlphabetical(list, level, e);
}
int TVXBaseDataClass::BaseComparePrefix(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return BaseCompareAlphabetical(list, level, e);
}
int TVXBaseDataClass::BaseCompareSuffix(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return BaseCompareAlphabetical(list, level, e);
}
int TVXBaseDataClass::BaseCompareFrequency(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return Sign(int64_t(e.MainWordFrequency()) - list.pivot_cache_[level].number);
}
int TVXBaseDataClass::BaseCompareTexts(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return Sign(int64_t(e.MainNTexts()) - list.pivot_cache_[level].number);
}
int TVXBaseDataClass::BaseCompareReverse(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return list.CompareWordsReverse(e);
}
int TVXBaseDataClass::BaseCompareLength(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return list.CompareWordsByLength(e);
}
int TVXBaseDataClass::BaseCompareDispersion(TVXBaseDataClass& list, int level, TVXBaseListObject& e) {
  return list.CompareDispersions(e);
}

bool TVXBaseDataClass::DoASort(int levels, int first, int last) {
  if (busy_ != kBusyNone) return RefuseWhileBusy("sort");
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  levels = std::clamp(levels, 1, 3);
  const bool whole = first == 0 && last == Count() - 1;
  auto alpha_now = [&] {
    return whole && nil_slots_ == 0 && sorts_[0].comparer == &BaseCompareAlphabetical && sorts_[0].ascending;
  };
  if (last - first < 1) {
    if (whole) alpha_sorted_ = alpha_now();
    return true;
  }
  busy_ = kBusySorting;
  bool ok = true;
  try {
    struct Item {
      TVXBaseListObject* e;
      uint32_t k;
    };
    const size_t n = static_cast<size_t>(last - first + 1);
    std::vector<Item> items(n);
    for (size_t k = 0; k < n; ++k) items[k] = {entries_[first + k], static_cast<uint32_t>(k)};
    // The base's own word and number keys are worked out once per entry.
    enum { kPivot, kString, kNumber };
    int fast[3] = {kPivot, kPivot, kPivot};
    std::vector<std::string> str_keys[3];
    std::vector<int64_t> num_keys[3];
    for (int l = 0; l < levels; ++l) {
      const TLevelComparer c = sorts_[l].comparer;
      if (c == &BaseCompareAlphabetical || c == &BaseComparePrefix || c == &BaseCompareSuffix ||
          c == &CompareCategories) {
        fast[l] = kString;
        str_keys[l].resize(n);
        for (size_t k = 0; k < n; ++k)
          if (items[k].e) str_keys[l][k] = StringKeyFor(l, *items[k].e);
      } else if (c == &BaseCompareFrequency || c == &BaseCompareTexts) {
        fast[l] = kNumber;
        num_keys[l].resize(n);
        for (size_t k = 0; k < n; ++k)
          if (items[k].e)
            num_keys[l][k] = c == &BaseCompareFrequency ? items[k].e->MainWordFrequency() : items[k].e->MainNTexts();
      }
    }
    for (auto& p : pivots_) p = nullptr;
    // The comparison pumps no events; a comparer that reaches back into the list finds it busy,
    // so no entry can leave it while the sorted order is being put together.
    auto less = [&](const Item& a, const Item& b) -> bool {
      if (!a.e || !b.e) return a.e && !b.e;  // empty slots go last
      for (int l = 0; l < levels; ++l) {
        int r = 0;
        if (fast[l] == kString) {
          r = Sign(str_keys[l][a.k].compare(str_keys[l][b.k]));
        } else if (fast[l] == kNumber) {
          r = Sign(num_keys[l][a.k] - num_keys[l][b.k]);
        } else if (sorts_[l].comparer) {
          if (pivots_[l] != b.e) {
            SetBase(*b.e, l);
            pivots_[l] = b.e;
          }
          r = Sign(CompareWithPivot(l, *a.e));
        }
        if (r != 0) return (sorts_[l].ascending ? r : -r) < 0;
      }
      return false;
    };
    std::stable_sort(items.begin(), items.end(), less);
    for (size_t k = 0; k < n; ++k) entries_[first + k] = items[k].e;
  } catch (...) {
    ok = false;
  }
  busy_ = kBusyNone;
  for (auto& p : pivots_) p = nullptr;
  if (ok) alpha_sorted_ = alpha_now();
  return ok;
}

void TVXBaseDataClass::NoteSortedWhole() {
  for (auto& p : pivots_) p = nullptr;
  alpha_sorted_ = nil_slots_ == 0 && sorts_[0].comparer == &BaseCompareAlphabetical && sorts_[0].ascending;
}

// --- finding ---------------------------------------------------------------------------------

int TVXBaseDataClass::Find_WordStr(UStringView word, bool case_sensitive) {
  const TLCID lcid = SortLCID();
  if (alpha_sorted_ && nil_slots_ == 0) {
    int lo = 0, hi = Count();
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (CompareStringsLocale(lcid, false, entries_[mid]->MainWordOnly(), word) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    for (int i = lo; i < Count(); ++i) {
      const UString w = entries_[i]->MainWordOnly();
      if (CompareStringsLocale(lcid, false, w, word) != 0) break;
      if (!case_sensitive || w == word) return i;
    }
    return -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (!entries_[i]) continue;
    const UString w = entries_[i]->MainWordOnly();
    if (case_sensitive ? w == word : CompareStringsLocale(lcid, false, w, word) == 0) return i;
  }
  return -1;
}

int TVXBaseDataClass::Find_PosWordStr(UStringView word, bool case_sensitive, int start, uint32_t flags) {
  const UString pattern = case_sensitive ? UString(word) : FoldCaseU(word);
  for (int i = std::max(start, 0); i < Count(); ++i) {
    if (!entries_[i]) continue;
    const UString w = case_sensitive ? entries_[i]->MainWordOnly() : FoldCaseU(entries_[i]->MainWordOnly());
    if (PositionMatch(pattern, w, flags)) return i;
  }
  return -1;
}

int TVXBaseDataClass::Find_PosWord(UStringView word, bool case_sensitive, bool leading_wildcard,
                                   bool trailing_wildcard, bool is_number, int from_row) {
  uint32_t flags = 0;
  if (leading_wildcard) flags |= kPosLeadingWildcard;
  if (trailing_wildcard) flags |= kPosTrailingWildcard;
  if (is_number) flags |= kPosNumber;
  return Find_PosWordStr(word, case_sensitive, from_row, flags);
}

int TVXBaseDataClass::Find_Word(UStringView word) { return Find_WordStr(word, sorts_[0].case_sensitive); }

int TVXBaseDataClass::Find_Word(UStringView word, bool case_sensitive, bool whole_word) {
  return Find_WordStr(word, case_sensitive);
}

int TVXBaseDataClass::Find_Word(UStringView word, UStringView prefix, UStringView suffix, bool case_sensitive) {
  int i = Find_WordStr(word, case_sensitive);
  if (i < 0) return -1;
  const TLCID lcid = SortLCID();
  auto same = [&](const UString& a, UStringView b) {
    return case_sensitive ? a == b : CompareStringsLocale(lcid, false, a, b) == 0;
  };
  // Entries with the same word sit together in a sorted list; elsewhere walk on from i.
  for (; i < Count(); ++i) {
    TVXBaseListObject* e = entries_[i];
    if (!e) continue;
    if (!same(e->MainWordOnly(), word)) {
      if (alpha_sorted_) break;
      continue;
    }
    if (same(e->MainWordPrefix(), prefix) && same(e->MainWordSuffix(), suffix)) return i;
  }
  return -1;
}

bool TVXBaseDataClass::RefuseWhileBusy(const char* what) const {
  AddToLogFile(Utf8ToUtf16(std::string("list busy (action ") + std::to_string(busy_) + "): cannot " + what));
  return false;
}

bool TVXBaseDataClass::DonePreMergeChecks(TVXBaseDataClass& other) {
  if (&other == this) return false;
  if (busy_ != kBusyNone || other.busy_ != kBusyNone) return RefuseWhileBusy("merge");
  return other.ListType() == ListType() && other.EntryClass() == EntryClass();
}

// --- grid contract ---------------------------------------------------------------------------

void TVXBaseDataClass::TopRowDataRec(int col, TGrid_data_rec& cell) {
  cell.col = col;
  cell.row = 0;
  if (col >= 0 && col < HeadingCount()) cell.text = headings_[col];
  cell.has_text = !cell.text.empty();
}

void TVXBaseDataClass::LeftmostColumnDataRec(int row, TGrid_data_rec& cell) {
  cell.col = 0;
  cell.row = row;
  cell.text = IntToUStr(row);
  cell.has_text = true;
  cell.has_number = true;
  cell.number.kind = 0;
  cell.number.value = static_cast<float>(row);
  cell.export_kind = 1;
}

void TVXBaseDataClass::NumericalData(int column, int index, TNumberDisplayAndSinglesRec& result) {
  result = TNumberDisplayAndSinglesRec();
  if (column == 0) result.value = static_cast<float>(index + 1);
}

// Field by field: an export resets millions of cells, and building a fresh record to assign
// costs more than the rest of the row. The size check makes a new field come here too.
static_assert(sizeof(TGrid_data_rec) == 480, "a field was added to TGrid_data_rec: reset it in ResetGridDataRec");
void ResetGridDataRec(TGrid_data_rec& cell) {
  cell.col = cell.row = cell.excel_row = cell.excel_col = 0;
  cell.sheet = 1;
  cell.kind = 0;
  cell.visible = true;
  cell.final = cell.has_text = false;
  cell.text.clear();
  cell.prefix.clear();
  cell.suffix.clear();
  cell.has_number = false;
  cell.number.kind = 0;
  cell.number.value = kMissingValue;
  cell.number.is_real = false;
  cell.number.caption.clear();
  cell.number.part = cell.number.total = 0;
  cell.decimals = 0;
  cell.make_text_from_number = false;
  cell.date = 0.0;
  cell.export_kind = 0;
  cell.int_value = 0;
  cell.str_value.clear();
  cell.ints.clear();
  cell.start_position = cell.centre_start = cell.centre_length = 0;
  cell.deleted = cell.matched = cell.joined_elsewhere = cell.has_joined = false;
  cell.sw_start = cell.hit_width = 0;
  cell.pieces.clear();
  cell.tag_number_1based = 0;
  cell.has_colour = false;
  cell.colour = 0;
  cell.plot_hits.Clear();
  cell.plot_scale = cell.plot_largest_words = 0;
  cell.plot_total_words = 0;
  cell.plot_divisions = 0;
  cell.timeline_segments.clear();
  cell.timeline_date_headings.clear();
  cell.has_text_colour = false;
  cell.text_colour = 0;
  cell.spans.clear();
  cell.mark_spans = cell.tag_mark_spans = 0;
  cell.alignment = 0xFF;
  cell.typeface = 0;
  cell.sentence_incomplete = false;
  cell.display_flag = false;
}

void TVXBaseDataClass::DrawgridDataRec(int col, int row, TGrid_data_rec& cell, int kind_of_display) {
  ResetGridDataRec(cell);
  cell.col = col;
  cell.row = row;
  if (row == 0) {
    TopRowDataRec(col, cell);
    return;
  }
  const int index = row - 1;
  if (!ValidIndex(index)) return;
  TVXBaseListObject* e = entries_[index];
  cell.deleted = e->HasMark(kMarkDeleted);
  cell.matched = e->HasMark(kMarkMatched);
  cell.joined_elsewhere = e->JoinedTo() != nullptr;
  cell.has_joined = e->JoinedCount() > 0;
  if (col == 0) {
    const TGrid_data_rec marks = cell;
    LeftmostColumnDataRec(row, cell);
    cell.deleted = marks.deleted;
    cell.matched = marks.matched;
    cell.joined_elsewhere = marks.joined_elsewhere;
    cell.has_joined = marks.has_joined;
    return;
  }
  cell.text = e->GetAWordAsString(col);
  if (col == MainWordColumn()) {
    cell.prefix = e->MainWordPrefix();
    cell.suffix = e->MainWordSuffix();
  }
  cell.has_text = !cell.text.empty();
  if (col == PredefinedSetColumnNumber()) {
    // A category that came from a tag shows in the tag's colour.
    cell.tag_number_1based = e->CategoryTagNumber();
    if (e->CategoryColour() != kNoColourCategory) {
      cell.has_text_colour = true;
      cell.text_colour = e->CategoryColour();
    }
  }
  NumericalData(col, index, cell.number);
  cell.has_number = cell.number.value != kMissingValue;
}

void TVXBaseDataClass::EntryDetailsAsGridDataRecs(int row, std::vector<TGrid_data_rec>& cells) {
  if (row < 0 || row > TotalRowCount()) {
    cells.clear();
    return;
  }
  const int columns = HeadingCount() > 0 ? HeadingCount() : MainWordColumn() + 1;
  cells.resize(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) DrawgridDataRec(c, row, cells[static_cast<size_t>(c)], 0);
}

std::vector<TGrid_data_rec> TVXBaseDataClass::EntryDetailsAsGridDataRecs(int row) {
  std::vector<TGrid_data_rec> cells;
  EntryDetailsAsGridDataRecs(row, cells);
  return cells;
}

void TVXBaseDataClass::ComputeColumnTotals() {
  const int columns = HeadingCount() > 0 ? HeadingCount() : MainWordColumn() + 1;
  std::vector<TGrid_data_rec> totals(static_cast<size_t>(std::max(columns, 1)));
  std::vector<double> sums(totals.size(), 0.0);
  std::vector<TGrid_data_rec> cells;
  for (int row = 1; row <= TotalRowCount(); ++row) {
    // A deleted row adds nothing, but still says which columns hold numbers.
    const bool deleted = row - 1 < Count() && GetDeleted(row - 1);
    EntryDetailsAsGridDataRecs(row, cells);
    for (size_t c = 1; c < cells.size() && c < totals.size(); ++c) {
      const TGrid_data_rec& cell = cells[c];
      if (cell.has_text || !cell.has_number || !std::isfinite(cell.number.value)) continue;
      if (!totals[c].has_number) {
        totals[c].has_number = true;
        totals[c].number.kind = cell.number.kind;
        totals[c].alignment = cell.alignment;
      }
      totals[c].number.is_real = totals[c].number.is_real || cell.number.is_real;
      totals[c].decimals = std::max(totals[c].decimals, cell.decimals);
      if (!deleted) sums[c] += cell.number.value;
    }
  }
  for (size_t c = 1; c < totals.size(); ++c) totals[c].number.value = static_cast<float>(sums[c]);
  totals[0].has_text = true;
  totals[0].text = u"Total";
  column_totals_ = std::move(totals);
}

void TVXBaseDataClass::GetColumnTotalDataForGrid(int col, int total_row, TGrid_data_rec& cell) {
  cell = TGrid_data_rec();
  if (total_row == 0 && col >= 0 && static_cast<size_t>(col) < column_totals_.size()) cell = column_totals_[static_cast<size_t>(col)];
  cell.col = col;
  cell.row = total_row;
}

void TVXBaseDataClass::ExcelFileCell(TGrid_data_rec& cell) {
  constexpr int32_t kColumnsPerSheet = 16384;
  const int32_t col = std::max(cell.col, 0);
  cell.sheet = col / kColumnsPerSheet + 1;
  cell.excel_col = col % kColumnsPerSheet + 1;
  if (cell.excel_row <= 0) cell.excel_row = std::max(cell.row, 0) + 1;
}

UString TVXBaseDataClass::EntryDetailsAsString(int index) {
  UString line;
  const std::vector<TGrid_data_rec> cells = EntryDetailsAsGridDataRecs(index + 1);
  for (size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) line += u'\t';
    if (cells[c].has_text)
      line += RelevantAffixesOfStringData(cells[c]);
    else if (cells[c].has_number)
      line += IntToUStr(static_cast<int64_t>(cells[c].number.value));
  }
  return line;
}

UString TVXBaseDataClass::GetStatusbarDataAsString(int col, int row) {
  TGrid_data_rec cell;
  DrawgridDataRec(col, row, cell, 0);
  return RelevantAffixesOfStringData(cell);
}

int32_t TVXBaseDataClass::HeaderColumnToSortNeeded(int level, int column) {
  if (column == MainWordColumn()) return kSortAlphabetical;
  return sorts_[ClampLevel(level)].key;
}

void TVXBaseDataClass::WidenFrequencyRange(int32_t f) {
  if (f < min_frequency_) min_frequency_ = f;
  if (f > max_frequency_) max_frequency_ = f;
}

// --- the parent's part of a list stream ------------------------------------------------------
// "VXBL", uint16 format, uint16 spare, then the stored-list information (32 bytes).

bool TVXBaseDataClass::SaveToStream(TStream& s) {
  stored_.info.entry_count = Count();
  stored_.info.not_for_saving = 0;
  StoreSortSettings();
  return WriteU32(s, kParentMagic) && WriteU16(s, kParentFormat) && WriteU16(s, 0) && stored_.WriteInfo(s);
}

bool TVXBaseDataClass::ReadFromStream(TStream& s) {
  try {
    uint32_t magic = 0;
    uint16_t format = 0, spare = 0;
    if (!ReadU32(s, magic) || magic != kParentMagic) return false;
    if (!ReadU16(s, format) || format == 0 || format > kParentFormat) return false;
    if (!ReadU16(s, spare)) return false;
    TStoredListInfoRec info{};
    if (!ReadValue(s, info) || info.entry_count < 0 || info.not_for_saving < 0) return false;
    stored_.info = info;
    stored_.ForgetPosition();
    return true;
  } catch (...) {
    return false;
  }
}
