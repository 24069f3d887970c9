#include "concordance/lines/concordance_line.h"

#include <cstddef>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>

#include "concordance/lines/line_text_arena.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_resources.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/text/text_services.h"

// What even a line with the on-need block seldom has (a run over tagged texts gives most lines
// the block, for their section and tags): the stream's extra block and rare numbers, the Set
// column, the highlight, the word lists beyond the fixed words, and numbers too wide for the
// line's own fields.
struct TLineAside {
  std::unique_ptr<TLinzoraEntryRecExtraBase> extra;
  int32_t mean_word_rank = 0;
  int32_t merge_num = 0;
  int32_t stats_spare5 = 0;
  int32_t stats_spare10 = 0;
  int16_t fixed_word_lengths[kSpanFixedCount] = {};  // those that do not fit the line's byte
  TLineUnitStats units;                              // when the line's two records do not hold them
  UString set_text;
  THighlightNumAndPos highlight;
  TSortInfoRecList other_context_words;
  TSortInfoRecList other_left_collocs;
  TSortInfoRecList other_right_collocs;
};

struct TConcordanceEntry::TOnNeed {
  std::unique_ptr<TLineAside> aside;
  TLineAside& Aside() {
    if (!aside) aside = std::make_unique<TLineAside>();
    return *aside;
  }
  int32_t tag_context_distance_from_SW = 0;
  int32_t tag_number_1_based = 0;
  int16_t sw_starts = 0;
  int16_t sw_finishes = 0;
  uint8_t tag_context_sort_Ptrpos = 0;
  bool found_both_ends = false;
  uint8_t fixed_word_tags[kSpanFixedCount] = {};
  char* text_block = nullptr;
  UString tag_context;
  TTagPositionsList tag_positions;
};

namespace {

const TSortInfoRecList kNoWords;
const TTagPositionsList kNoTags;
const THighlightNumAndPos kNoHighlight;

void LogLineDamage(const char* what, TStream& s) {
  const std::string line = std::string("concordance line: ") + what + " at byte " + std::to_string(s.Position());
  AddToLogFile(line.c_str());
}

// Keeps a word's record inside a line of len characters whose search word starts at midpoint.
void ClipSortInfo(TSortInfoRec& r, int32_t midpoint, int32_t len) {
  const int32_t start = std::clamp<int32_t>(midpoint + r.start_position, 0, len);
  r.start_position = static_cast<int16_t>(start - midpoint);
  r.coll_length = static_cast<int16_t>(std::clamp<int32_t>(r.coll_length, 0, len - start));
}

void ClipSortInfoList(TSortInfoRecList& list, int32_t midpoint, int32_t len) {
  for (auto& r : list.Records()) ClipSortInfo(r, midpoint, len);
}

// One code point of text at i (a lone surrogate stands for itself); i moves past it.
char32_t NextCodePoint(UStringView text, size_t& i) {
  const char16_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00);
  return c;
}

bool IsLetterAt(UStringView text, size_t i) {
  return (CharKindOf(NextCodePoint(text, i)) & C1_ALPHA) != 0;
}

// The word with its leading and trailing non-letters taken off.
UStringView StripNonLetters(UStringView w) {
  size_t b = 0;
  while (b < w.size() && !IsLetterAt(w, b)) b += (w[b] >= 0xD800 && w[b] <= 0xDBFF && b + 1 < w.size()) ? 2 : 1;
  size_t e = w.size();
  while (e > b) {
    size_t start = e - 1;
    if (start > b && w[start] >= 0xDC00 && w[start] <= 0xDFFF && w[start - 1] >= 0xD800 && w[start - 1] <= 0xDBFF)
      --start;
    if (IsLetterAt(w, start)) break;
    e = start;
  }
  return w.substr(b, e - b);
}

}  // namespace

// --- unit statistics ---

TLineUnitStats::TLineUnitStats(const TSearchStatsRec& s) : words_in_chunk(s.words_in_chunk) {
  std::memcpy(unit_number, s.unit_number, sizeof unit_number);
  std::memcpy(unit_position, s.unit_position, sizeof unit_position);
  std::memcpy(unit_length, s.unit_length, sizeof unit_length);
}

TSearchStatsRec TLineUnitStats::Record(int32_t spare5, int32_t spare10) const {
  TSearchStatsRec s;
  s.words_in_chunk = words_in_chunk;
  std::memcpy(s.unit_number, unit_number, sizeof unit_number);
  s.spare5 = spare5;
  std::memcpy(s.unit_position, unit_position, sizeof unit_position);
  s.spare10 = spare10;
  std::memcpy(s.unit_length, unit_length, sizeof unit_length);
  return s;
}

// --- the lines' pool ---

// A list holds millions of lines: each costs this much beside its text (the entry base is 32).
static_assert(sizeof(TConcordanceEntry) == 152, "a concordance line has grown");

namespace {

// Under AddressSanitizer every line is its own allocation, so a use after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPoolLines = false;
#else
constexpr bool kPoolLines = true;
#endif

class TLinePool {
 public:
  static constexpr size_t kSlot = (sizeof(TConcordanceEntry) + alignof(TConcordanceEntry) - 1) /
                                  alignof(TConcordanceEntry) * alignof(TConcordanceEntry);
  static_assert(kSlot >= sizeof(void*));
  // Blocks of a little under 1 MiB at first (with the allocator's header they still fill whole
  // pages), doubling up to 8 MiB as the lines grow: every block is a change to the process's
  // memory map, which holds up every thread's page faults while it is made.
  static constexpr size_t kFirstBlockSlots = ((size_t{1} << 20) - 64) / kSlot;
  static constexpr size_t kLargestBlockSlots = ((size_t{8} << 20) - 64) / kSlot;
  // Slots a thread's own stock takes at a time: one lock for this many lines.
  static constexpr int32_t kBatch = 128;

  // A thread's own stock: freed slots linked through their first word, then unused ones of a
  // block. Every slot in it counts as alive, so the blocks stay while it holds any.
  struct TStock {
    void* chain = nullptr;
    char* next = nullptr;
    int32_t in_range = 0;
    int32_t held = 0;
  };

  void* Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (free_) {
      void* p = free_;
      free_ = *static_cast<void**>(p);
      ++live_;
      return p;
    }
    RoomInBlock(lock);
    ++live_;
    char* p = blocks_.back() + kSlot * used_++;
    PrepareAhead(lock, p + kSlot);
    return p;
  }

  void* TakeFrom(TStock& s) {
    if (s.held == 0) Refill(s);
    --s.held;
    if (s.chain) {
      void* p = s.chain;
      s.chain = *static_cast<void**>(p);
      return p;
    }
    --s.in_range;
    void* p = s.next;
    s.next += kSlot;
    return p;
  }

  void Give(void* p) {
    std::lock_guard<std::mutex> lock(mutex_);
    *static_cast<void**>(p) = free_;
    free_ = p;
    if (--live_ == 0) FreeAll();
  }

  int64_t Alive() {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_;
  }

  // The stock's unused slots go back to the pool.
  void Return(TStock& s) {
    if (s.held == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    while (s.chain) {
      void* p = s.chain;
      s.chain = *static_cast<void**>(p);
      *static_cast<void**>(p) = free_;
      free_ = p;
    }
    for (; s.in_range > 0; --s.in_range, s.next += kSlot) {
      *reinterpret_cast<void**>(s.next) = free_;
      free_ = s.next;
    }
    live_ -= s.held;
    s = TStock{};
    if (live_ == 0) FreeAll();
  }

 private:
  void Refill(TStock& s) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (free_ && s.held < kBatch) {
      void* p = free_;
      free_ = *static_cast<void**>(p);
      *static_cast<void**>(p) = s.chain;
      s.chain = p;
      ++s.held;
    }
    if (s.held == 0) {
      RoomInBlock(lock);
      const size_t n = std::min<size_t>(kBatch, block_slots_ - used_);
      s.next = blocks_.back() + kSlot * used_;
      s.in_range = static_cast<int32_t>(n);
      s.held = s.in_range;
      used_ += n;
      live_ += s.held;
      PrepareAhead(lock, s.next + kSlot * n);
      return;
    }
    live_ += s.held;
  }

  // The slots of the last block up to `upto` are about to be written: their pages, and a step's
  // more, are made in one call (with the lock let go) where they were not yet. A page fault for
  // every 27 lines cost the lines' making a tenth of its time.
  void PrepareAhead(std::unique_lock<std::mutex>& lock, char* upto) {
    if (upto <= prepared_) return;
    char* const end = blocks_.back() + kSlot * block_slots_;
    char* const from = prepared_;
    prepared_ = std::min(end, std::max(upto, from + kPrepareStepBytes));
    const size_t bytes = static_cast<size_t>(prepared_ - from);
    lock.unlock();
    PreparePagesForWriting(from, bytes);
  }

  // Makes the last block have an unused slot. A new block is allocated with the lock let go (a
  // fresh mapping waits on the process's address space, and every other thread would wait
  // behind it); one made meanwhile by another thread is kept for the next time.
  void RoomInBlock(std::unique_lock<std::mutex>& lock) {
    while (blocks_.empty() || used_ == block_slots_) {
      const size_t slots = blocks_.empty() ? kFirstBlockSlots : std::min(2 * block_slots_ + 1, kLargestBlockSlots);
      char* block = spare_slots_ == slots ? spare_ : nullptr;
      if (block) {
        spare_ = nullptr;
      } else {
        lock.unlock();
        block = static_cast<char*>(::operator new(kSlot * slots));
        lock.lock();
      }
      if (blocks_.empty() || used_ == block_slots_) {
        blocks_.push_back(block);
        block_slots_ = slots;
        used_ = 0;
        prepared_ = block;
      } else if (!spare_) {
        spare_ = block;
        spare_slots_ = slots;
      } else {
        ::operator delete(block);
      }
    }
  }

  void FreeAll() {
    for (char* b : blocks_) ::operator delete(b);
    blocks_.clear();
    if (spare_) ::operator delete(spare_);
    spare_ = nullptr;
    free_ = nullptr;
    used_ = block_slots_ = 0;
    prepared_ = nullptr;
  }

  std::mutex mutex_;
  std::vector<char*> blocks_;
  char* spare_ = nullptr;  // a block made while another thread made one too
  size_t spare_slots_ = 0;
  size_t block_slots_ = 0;  // slots of blocks_.back()
  size_t used_ = 0;         // slots handed out of blocks_.back()
  char* prepared_ = nullptr;  // blocks_.back()'s pages are made up to here (see PrepareAhead)
  static constexpr size_t kPrepareStepBytes = size_t{1} << 16;
  void* free_ = nullptr;
  int64_t live_ = 0;
};

// Never destroyed: lines held by static objects may go after it would have.
TLinePool& LinePool() {
  static TLinePool* pool = new TLinePool;
  return *pool;
}

// The stock of the calling thread while a TSlotsOfThisThread lives on it.
thread_local TLinePool::TStock* t_stock = nullptr;

}  // namespace

int64_t TConcordanceEntry::PoolSlotsAlive() { return kPoolLines ? LinePool().Alive() : 0; }

TConcordanceEntry::TSlotsOfThisThread::TSlotsOfThisThread() {
  if (!kPoolLines || t_stock) return;
  t_stock = new TLinePool::TStock;
  active_ = true;
}

TConcordanceEntry::TSlotsOfThisThread::~TSlotsOfThisThread() {
  if (!active_) return;
  LinePool().Return(*t_stock);
  delete t_stock;
  t_stock = nullptr;
}

void* TConcordanceEntry::operator new(size_t size) {
  if (!kPoolLines || size != sizeof(TConcordanceEntry)) return ::operator new(size);
  if (TLinePool::TStock* s = t_stock) return LinePool().TakeFrom(*s);
  return LinePool().Take();
}

void TConcordanceEntry::operator delete(void* p, size_t size) {
  if (!p) return;
  if (!kPoolLines || size != sizeof(TConcordanceEntry)) return ::operator delete(p);
  LinePool().Give(p);
}

// --- owners' numbers ---

static_assert(sizeof(uintptr_t) == 8, "a line keeps its owner's number in the high bits of an address");

namespace {

// Every slot is trivially destroyed, so owners that are static objects may go in any order.
constexpr uint32_t kOwnerNumbers = 1u << 16;
std::atomic<TConcordanceLineOwner*> g_owners[kOwnerNumbers];
std::mutex g_owners_mutex;
uint32_t g_last_owner_number = 0;

uint16_t TakeOwnerNumber(TConcordanceLineOwner* owner) {
  std::lock_guard<std::mutex> lock(g_owners_mutex);
  for (uint32_t tried = 1; tried < kOwnerNumbers; ++tried) {
    uint32_t n = g_last_owner_number + tried;
    if (n >= kOwnerNumbers) n -= kOwnerNumbers - 1;
    if (!g_owners[n].load(std::memory_order_relaxed)) {
      g_owners[n].store(owner, std::memory_order_release);
      g_last_owner_number = n;
      return static_cast<uint16_t>(n);
    }
  }
  throw std::length_error("concordance lists: 65,535 are open, no more can be made");
}

void GiveOwnerNumber(uint16_t n) {
  std::lock_guard<std::mutex> lock(g_owners_mutex);
  g_owners[n].store(nullptr, std::memory_order_release);
}

}  // namespace

TConcordanceLineOwner::TConcordanceLineOwner() : line_owner_number_(TakeOwnerNumber(this)) {}
TConcordanceLineOwner::TConcordanceLineOwner(const TConcordanceLineOwner&)
    : line_owner_number_(TakeOwnerNumber(this)) {}
TConcordanceLineOwner::~TConcordanceLineOwner() { GiveOwnerNumber(line_owner_number_); }

TConcordanceLineOwner* TConcordanceLineOwner::WithLineOwnerNumber(uint16_t number) {
  return number ? g_owners[number].load(std::memory_order_acquire) : nullptr;
}

// --- the line --------------------------------------------------------------------------------

TConcordanceEntry::TConcordanceEntry(TConcordanceLineOwner* owner, TVXBaseDataClass* list, TVXBaseHolder* holder)
    : TVXBaseListObject(list, holder), slot_(owner ? uintptr_t{owner->LineOwnerNumber()} << kOwnerShift : 0) {}

void TConcordanceEntry::SetSlotAddress(const void* p) {
  const auto address = reinterpret_cast<uintptr_t>(p);
  if ((address & ~kAddressBits) != 0) throw std::bad_alloc();
  slot_ = (slot_ & ~kAddressBits) | address;
}

TConcordanceEntry::~TConcordanceEntry() {
  DropText();
  DropMore();
}

char* TConcordanceEntry::TextBlock() const {
  if (const TOnNeed* m = more()) return m->text_block;
  return reinterpret_cast<char*>(slot_ & kAddressBits);
}

void TConcordanceEntry::SetTextBlock(char* block) {
  if (TOnNeed* m = more()) {
    m->text_block = block;
  } else {
    SetSlotAddress(block);
  }
}

void TConcordanceEntry::DropMore() {
  TOnNeed* m = more();
  if (!m) return;
  char* block = m->text_block;
  delete m;
  flags_ &= ~kHasMore;
  SetSlotAddress(block);
}

TLineText TConcordanceEntry::Text() const {
  const char* block = TextBlock();
  if (const uint8_t view = (flags_ & kViewBits) >> kViewShift)
    return TLineText(reinterpret_cast<const uint8_t*>(block), view_chars_, static_cast<TLineTextForm>(view - 1));
  return LineTextOfBlock(block);
}

void TConcordanceEntry::DropText() {
  char* block = TextBlock();
  if (!block) return;
  if (flags_ & kTextInArena) {
    if (TLineTextArena* arena = Owner() ? Owner()->LineTextArena() : nullptr) arena->Release();
  } else {
    ::operator delete(block);
  }
  SetTextBlock(nullptr);
  flags_ &= ~kViewBits;
  view_chars_ = 0;
}

namespace {
// A block the line owns, outside any arena.
char* OwnBlock(UStringView text) {
  const TLineTextForm form = LineTextFormOf(text);
  char* block = static_cast<char*>(::operator new(LineTextBlockBytes(form, text.size())));
  FillLineTextBlock(block, text, form);
  return block;
}
char* OwnBlock(TLineText text) {
  if (!text.OneByte()) return OwnBlock(UStringView(text.Units(), text.size()));
  char* block = static_cast<char*>(::operator new(LineTextBlockBytes(text.Form(), text.size())));
  FillLineTextBlock(block, text);
  return block;
}
}  // namespace

template <class T>
void TConcordanceEntry::StoreText(T text) {
  // The new copy is made before the old goes: text may be a piece of the old.
  const bool in_arena = (flags_ & kTextInArena) != 0;
  TLineTextArena* arena = in_arena && Owner() ? Owner()->LineTextArena() : nullptr;
  char* fresh = nullptr;
  if (!text.empty()) fresh = arena ? arena->Store(text) : OwnBlock(text);
  DropText();
  if (!arena) flags_ &= ~kTextInArena;
  SetTextBlock(fresh);
}

void TConcordanceEntry::SetText(UStringView text) { StoreText(text); }
void TConcordanceEntry::SetText(TLineText text) { StoreText(text); }

void TConcordanceEntry::SetText(TLineTextArena::TLease& lease, UStringView text) { SetText(lease, TLineText(text)); }

void TConcordanceEntry::SetText(TLineTextArena::TLease& lease, TLineText text) {
  TConcordanceLineOwner* owner = Owner();
  if (!owner || owner->LineTextArena() != &lease.Arena()) return SetText(text);
  char* fresh = lease.Store(text);
  DropText();
  flags_ |= kTextInArena;
  SetTextBlock(fresh);
}

void TConcordanceEntry::SetTextView(TLineTextArena::TLease& lease, TLineText text) {
  TConcordanceLineOwner* owner = Owner();
  if (!owner || owner->LineTextArena() != &lease.Arena()) return SetText(text);
  // UTF-16 units are viewed where they lie on a whole unit.
  const bool aligned = text.OneByte() || (reinterpret_cast<uintptr_t>(text.Bytes()) & 1) == 0;
  if (!aligned || text.empty() || text.size() > UINT16_MAX) return SetText(lease, text);
  DropText();
  lease.CountView();
  flags_ |= kTextInArena | static_cast<uint8_t>((static_cast<int>(text.Form()) + 1) << kViewShift);
  view_chars_ = static_cast<uint16_t>(text.size());
  SetTextBlock(const_cast<char*>(reinterpret_cast<const char*>(text.Bytes())));
}

void TConcordanceEntry::MoveTextToOwner() {
  if ((flags_ & kTextInArena) || !Owner()) return;
  TLineTextArena* arena = Owner()->LineTextArena();
  if (!arena) return;
  char* old = TextBlock();
  char* fresh = old ? arena->Store(Text()) : nullptr;  // the text keeps its form
  if (old) ::operator delete(old);
  flags_ |= kTextInArena;
  SetTextBlock(fresh);
}

void TConcordanceEntry::SetOwner(TConcordanceLineOwner* owner) {
  if (owner == Owner()) return;
  const uintptr_t number = owner ? uintptr_t{owner->LineOwnerNumber()} << kOwnerShift : 0;
  if (flags_ & kTextInArena) {
    // The old owner's arena may go before this line does: the text leaves it now.
    char* own = Text().empty() ? nullptr : OwnBlock(Text());
    DropText();
    flags_ &= ~kTextInArena;
    slot_ = (slot_ & kAddressBits) | number;
    SetTextBlock(own);
    MoveTextToOwner();
    return;
  }
  slot_ = (slot_ & kAddressBits) | number;
}

bool TConcordanceEntry::FoundBothEndsOfSentence() const { return more() && more()->found_both_ends; }

void TConcordanceEntry::SetFoundBothEndsOfSentence(bool both) {
  if (both || more()) More().found_both_ends = both;
}

int32_t TConcordanceEntry::StoredMeanWordRank() const { return aside() ? aside()->mean_word_rank : 0; }
void TConcordanceEntry::SetStoredMeanWordRank(int32_t rank) {
  if (rank != 0 || aside()) More().Aside().mean_word_rank = rank;
}
int32_t TConcordanceEntry::MergeNum() const { return aside() ? aside()->merge_num : 0; }
void TConcordanceEntry::SetMergeNum(int32_t n) {
  if (n != 0 || aside()) More().Aside().merge_num = n;
}

// The rarely set numbers: a zero on a line without the block makes none.
#define LZ_ON_NEED_FIELD(Getter, Setter, Type, field)                     \
  Type TConcordanceEntry::Getter() const { return more() ? more()->field : Type{}; } \
  void TConcordanceEntry::Setter(Type v) {                                \
    if (v != Type{} || more()) More().field = v;                           \
  }
LZ_ON_NEED_FIELD(TagContextDistance, SetTagContextDistance, int32_t, tag_context_distance_from_SW)
LZ_ON_NEED_FIELD(TagContextSortPtrpos, SetTagContextSortPtrpos, uint8_t, tag_context_sort_Ptrpos)
LZ_ON_NEED_FIELD(TagNumber1Based, SetTagNumber1Based, int32_t, tag_number_1_based)
LZ_ON_NEED_FIELD(SwStarts, SetSwStarts, int16_t, sw_starts)
LZ_ON_NEED_FIELD(SwFinishes, SetSwFinishes, int16_t, sw_finishes)
#undef LZ_ON_NEED_FIELD

const TLineAside* TConcordanceEntry::aside() const {
  const TOnNeed* m = more();
  return m ? m->aside.get() : nullptr;
}

TConcordanceEntry::TOnNeed& TConcordanceEntry::More() {
  // A run over tagged texts gives most lines the block: it holds only what they need.
  static_assert(sizeof(TOnNeed) == 168, "the on-need block has grown");
  if (!more()) {
    auto m = std::make_unique<TOnNeed>();
    m->text_block = TextBlock();
    SetSlotAddress(m.get());
    flags_ |= kHasMore;
    m.release();
  }
  return *more();
}

TSortInfoRec TConcordanceEntry::FixedWord(int k) const {
  const TOnNeed* m = more();
  const int16_t length =
      word_length_[k] != kWordLengthAside ? int16_t{word_length_[k]} : m->aside->fixed_word_lengths[k];
  return TSortInfoRec{data_.word_start[k], length, word_barrier_[k], m ? m->fixed_word_tags[k] : uint8_t{0}};
}

int32_t TConcordanceEntry::HitWidthInLine() const {
  const int32_t in_line = FixedWord(kSpanSearchWord - kSpanFixedFirst).coll_length;
  return in_line > 0 ? in_line : std::max(data_.hit_characters, 0);
}

void TConcordanceEntry::SetFixedWord(int k, const TSortInfoRec& word) {
  data_.word_start[k] = word.start_position;
  if (word.coll_length >= 0 && word.coll_length < kWordLengthAside) {
    word_length_[k] = static_cast<uint8_t>(word.coll_length);
  } else {
    More().Aside().fixed_word_lengths[k] = word.coll_length;
    word_length_[k] = kWordLengthAside;
  }
  word_barrier_[k] = word.barrier;
  if (word.Tag_number_1Based != 0 || more()) More().fixed_word_tags[k] = word.Tag_number_1Based;
}

// Kind 0 keeps the first record; each other kind the record equal to its own, the second taken
// by the first kind that differs from the sentence; a third set of numbers puts all aside.
void TConcordanceEntry::PackUnits(const TLineUnitStats& s) {
  auto same = [&s](int kind, int record, const int32_t* number, const int32_t* position, const int32_t* length) {
    return s.unit_number[kind] == number[record] && s.unit_position[kind] == position[record] &&
           s.unit_length[kind] == length[record];
  };
  int32_t number[2] = {s.unit_number[0], 0}, position[2] = {s.unit_position[0], 0}, length[2] = {s.unit_length[0], 0};
  bool second = false;
  uint8_t kinds = 0;
  for (int kind = 1; kind < kUnitKinds; ++kind) {
    int record = 0;
    if (!same(kind, 0, number, position, length)) {
      if (!second) {
        number[1] = s.unit_number[kind];
        position[1] = s.unit_position[kind];
        length[1] = s.unit_length[kind];
        second = true;
      } else if (!same(kind, 1, number, position, length)) {
        record = -1;
      }
      if (record == 0) record = 1;
    }
    if (record < 0) {
      More().Aside().units = s;
      unit_kinds_ = kUnitsAside;
      return;
    }
    kinds |= static_cast<uint8_t>(record << (2 * (kind - 1)));
  }
  if (unit_kinds_ == kUnitsAside) more()->aside->units = TLineUnitStats{};
  unit_kinds_ = kinds;
  std::memcpy(unit_number_, number, sizeof number);
  std::memcpy(unit_position_, position, sizeof position);
  std::memcpy(unit_length_, length, sizeof length);
}

TLineUnitStats TConcordanceEntry::UnitStats() const {
  TLineUnitStats s;
  if (unit_kinds_ == kUnitsAside) {
    s = more()->aside->units;
  } else {
    for (int kind = 0; kind < kUnitKinds; ++kind) {
      const int record = kind == 0 ? 0 : (unit_kinds_ >> (2 * (kind - 1))) & 3;
      s.unit_number[kind] = unit_number_[record];
      s.unit_position[kind] = unit_position_[record];
      s.unit_length[kind] = unit_length_[record];
    }
  }
  s.words_in_chunk = words_in_chunk_;
  return s;
}

void TConcordanceEntry::SetUnitStats(const TLineUnitStats& stats) {
  words_in_chunk_ = stats.words_in_chunk;
  PackUnits(stats);
}

int32_t TConcordanceEntry::UnitNumber(int kind) const {
  if (unit_kinds_ == kUnitsAside) return more()->aside->units.unit_number[kind];
  return unit_number_[kind == 0 ? 0 : (unit_kinds_ >> (2 * (kind - 1))) & 3];
}


UStringView TConcordanceEntry::TagContext() const { return more() ? UStringView(more()->tag_context) : UStringView(); }

void TConcordanceEntry::SetTagContext(UString text) {
  if (text.empty() && !more()) return;
  More().tag_context = std::move(text);
}

TSortInfoRecList& TConcordanceEntry::OtherContextWords() { return More().Aside().other_context_words; }
TSortInfoRecList& TConcordanceEntry::OtherLeftCollocs() { return More().Aside().other_left_collocs; }
TSortInfoRecList& TConcordanceEntry::OtherRightCollocs() { return More().Aside().other_right_collocs; }
TTagPositionsList& TConcordanceEntry::TagPositions() { return More().tag_positions; }
const TSortInfoRecList& TConcordanceEntry::OtherContextWords() const {
  return aside() ? aside()->other_context_words : kNoWords;
}
const TSortInfoRecList& TConcordanceEntry::OtherLeftCollocs() const {
  return aside() ? aside()->other_left_collocs : kNoWords;
}
const TSortInfoRecList& TConcordanceEntry::OtherRightCollocs() const {
  return aside() ? aside()->other_right_collocs : kNoWords;
}
const TTagPositionsList& TConcordanceEntry::TagPositions() const { return more() ? more()->tag_positions : kNoTags; }
bool TConcordanceEntry::HasTagPositions() const { return more() && !more()->tag_positions.Empty(); }

const TLinzoraEntryRecExtraBase* TConcordanceEntry::ExtraBase() const {
  return aside() ? aside()->extra.get() : nullptr;
}

TLinzoraEntryRecExtraBase& TConcordanceEntry::EnsureExtraBase() {
  auto& extra = More().Aside().extra;
  if (!extra) {
    extra = std::make_unique<TLinzoraEntryRecExtraBase>();
    std::memset(extra.get(), 0, sizeof(TLinzoraEntryRecExtraBase));
  }
  return *extra;
}

const THighlightNumAndPos& TConcordanceEntry::Highlight() const {
  return aside() ? aside()->highlight : kNoHighlight;
}
THighlightNumAndPos& TConcordanceEntry::EditHighlight() { return More().Aside().highlight; }
void TConcordanceEntry::ZeroHighlight() {
  if (aside()) More().Aside().highlight = THighlightNumAndPos{};
}

UStringView TConcordanceEntry::SetText() const { return aside() ? UStringView(aside()->set_text) : UStringView(); }

// --- the stream record -----------------------------------------------------------------------

TLinzoraEntryRecBase TConcordanceEntry::StreamBase() const {
  TLinzoraEntryRecBase b{};
  const auto& d = data_;
  b.sentinel = kLineSentinel;
  b.byte_position = static_cast<uint32_t>(static_cast<uint64_t>(d.byte_position));
  b.byte_position_high = static_cast<uint32_t>(static_cast<uint64_t>(d.byte_position) >> 32);
  b.hit_characters = d.hit_characters;
  b.word_num = d.word_num;
  b.filename_num_original = d.filename_num_original;
  b.sw_number = d.sw_number;
  b.concordance_line_mean_word_rank = StoredMeanWordRank();
  // Older readers take the whole-number percentage from here.
  if (d.has_percent && std::isfinite(d.percent_of_file))
    b.spare_percent_of_file = static_cast<uint8_t>(std::lround(std::clamp(d.percent_of_file, 0.0f, 100.0f)));
  b.has_percent = d.has_percent ? 1 : 0;
  b.ExtraLinzoraEntryDatNum = 2;
  b.tag_context_sort_Ptrpos = TagContextSortPtrpos();
  b.midpoint = d.midpoint;
  for (int k = 0; k < kSpanFixedCount; ++k) b.fixed_sort_positions[k] = FixedWord(k);
  b.tag_context_distance_from_SW = TagContextDistance();
  b.sw_starts = SwStarts();
  b.sw_finishes = SwFinishes();
  b.sw_contains_a_tag = d.sw_contains_a_tag ? 1 : 0;
  b.merge_num = MergeNum();
  b.conc_line_chars = d.conc_line_chars;
  b.percent_of_file = d.percent_of_file;
  if (Owner()) {
    b.byte_size_of_file = Owner()->SourceFileByteSize(d.filename_num_original);
    b.textfile_date = Owner()->SourceFileDate(d.filename_num_original);
  }
  b.tag_number_1_based = TagNumber1Based();
  b.extras = aside() ? UnitStats().Record(aside()->stats_spare5, aside()->stats_spare10) : UnitStats().Record();
  return b;
}

void TConcordanceEntry::TakeStreamBase(const TLinzoraEntryRecBase& b) {
  auto& d = data_;
  d.byte_position = static_cast<int64_t>((static_cast<uint64_t>(b.byte_position_high) << 32) | b.byte_position);
  d.hit_characters = b.hit_characters;
  d.word_num = b.word_num;
  d.filename_num_original = b.filename_num_original;
  d.sw_number = b.sw_number;
  SetStoredMeanWordRank(b.concordance_line_mean_word_rank);
  d.has_percent = b.has_percent != 0;
  SetTagContextSortPtrpos(b.tag_context_sort_Ptrpos);
  d.midpoint = b.midpoint;
  for (int k = 0; k < kSpanFixedCount; ++k) SetFixedWord(k, b.fixed_sort_positions[k]);
  SetTagContextDistance(b.tag_context_distance_from_SW);
  SetSwStarts(b.sw_starts);
  SetSwFinishes(b.sw_finishes);
  d.sw_contains_a_tag = b.sw_contains_a_tag != 0;
  SetMergeNum(b.merge_num);
  d.conc_line_chars = static_cast<int16_t>(std::clamp(b.conc_line_chars, 0, kMaxLineWidth));
  d.percent_of_file = b.percent_of_file;
  SetTagNumber1Based(b.tag_number_1_based);
  SetUnitStats(b.extras);
  if (b.extras.spare5 != 0 || b.extras.spare10 != 0 || aside()) {
    More().Aside().stats_spare5 = b.extras.spare5;
    More().Aside().stats_spare10 = b.extras.spare10;
  }
}

bool TConcordanceEntry::WriteText(TStream& s, const UString* text) const {
  const UString empty;
  const UString& t = text ? *text : empty;
  // The writers take a string; a line's own text is handed in as a view (see SaveToStream).
  if (!Owner() || Owner()->Unicode()) return WriteUnknownLengthPointer(s, &t);
  const std::string narrow = EncodeCodePage(t, Owner()->CodePage());
  return WriteUnknownLengthPointer(s, &narrow);
}

bool TConcordanceEntry::ReadTexts(TStream& s, UString& out, bool& was_nil) {
  was_nil = false;
  if (!Owner() || Owner()->Unicode()) {
    std::optional<UString> t;
    if (!ReadUnknownLengthPointer(s, t)) return false;
    was_nil = !t;
    out = t ? std::move(*t) : UString();
  } else {
    std::optional<std::string> t;
    if (!ReadUnknownLengthPointer(s, t)) return false;
    was_nil = !t;
    out = t ? DecodeCodePage(reinterpret_cast<const uint8_t*>(t->data()), t->size(), Owner()->CodePage()) : UString();
  }
  return true;
}

bool TConcordanceEntry::SaveToStream(TStream& s) {
  // Every piece must be written: a failure anywhere fails the line.
  const TLinzoraEntryRecBase base = StreamBase();
  if (!WriteValue(s, base)) return false;
  if (const TLinzoraEntryRecExtraBase* extra = ExtraBase()) {
    if (!WriteValue(s, *extra)) return false;
  } else {
    const uint8_t zeros[sizeof(TLinzoraEntryRecExtraBase)] = {};
    if (!s.WriteExact(zeros, sizeof zeros)) return false;
  }
  const UString* context = more() ? &more()->tag_context : nullptr;
  const UString line_text = Text().ToUString();
  if (!WriteText(s, &line_text) || !WriteText(s, context)) return false;
  const TConcordanceEntry& self = *this;
  if (!WriteI32(s, self.OtherContextWords().Count()) || !self.OtherContextWords().SaveToStream(s)) return false;
  if (more()) {
    more()->tag_positions.SetCentre(SearchWordStart());
    if (!more()->tag_positions.SaveToStream(s)) return false;
  } else if (!WriteI32(s, 0)) {
    return false;
  }
  return WriteI32(s, self.OtherLeftCollocs().Count()) && self.OtherLeftCollocs().SaveToStream(s) &&
         WriteI32(s, self.OtherRightCollocs().Count()) && self.OtherRightCollocs().SaveToStream(s);
}

bool TConcordanceEntry::ReadFromStream(TStream& s) {
  data_ = TConcordanceLineData{};
  SetText(UStringView());
  DropMore();
  std::memset(word_length_, 0, sizeof word_length_);
  std::memset(word_barrier_, 0, sizeof word_barrier_);
  unit_kinds_ = 0;
  SetUnitStats(TLineUnitStats{});
  const int32_t v = Owner() ? Owner()->StreamVersion() : 25;

  // The first word tells the layout. It is read once and kept: stepping back over it would cost
  // a seek for every line of a document.
  int32_t first = 0;
  if (!ReadI32(s, first)) return false;
  const int64_t magnitude = first < 0 ? -static_cast<int64_t>(first) : first;
  if (magnitude >= 1 && first != kLineSentinel) {
    if (v >= 24) {
      LogLineDamage("line record without its sentinel", s);
      return false;
    }
    if (Owner() && !Owner()->OldRecordsMode()) {
      if (Owner()->ReadingFirstLine()) {
        VXDialog(TVXDialog::InformationMessage, {VXRes(TVXRes::VXANoLongerCurre)});
        const UString first_name = Owner()->SourceFileCount() > 0 ? Owner()->SourceFileName(1) : UString();
        if (!first_name.empty())
          Owner()->SetUnicode(IsYes(VXDialog(TVXDialog::AssumeTextFileXIsInUnicodeQ, {ExtractFileName(first_name)})));
        const UString form = VXRes(Owner()->Unicode() ? TVXRes::VXUnicode : TVXRes::VXAnsi);
        VXDialog(TVXDialog::InformationMessage, {VXResFmt(TVXRes::VXTryingX, {form})});
      }
      Owner()->SetOldRecordsMode();
    }
  }
  const bool old_mode = Owner() && Owner()->OldRecordsMode();

  TLinzoraEntryRecBase base{};
  if (v < 24 && old_mode) {
    TOldLinzoraEntryRec old;
    if (s.Seek(-4, TSeekOrigin::Current) < 0 || !ReadOldLineRecord(s, old)) return false;
    base.hit_characters = old.hit_characters;
    base.byte_position = static_cast<uint32_t>(old.byte_position);
    base.word_num = old.word_num;
    base.filename_num_original = old.filename_num_original;
    base.sw_number = old.sw_number;
    base.spare_percent_of_file = old.percent_of_file;
    base.has_percent = old.has_percent;
    base.ExtraLinzoraEntryDatNum = old.ExtraLinzoraEntryDatNum;
    base.tag_context_sort_Ptrpos = old.tag_context_sort_Ptrpos;
    base.midpoint = old.midpoint;
    std::memcpy(base.fixed_sort_positions, old.fixed_sort_positions, sizeof base.fixed_sort_positions);
  } else {
    static_assert(offsetof(TLinzoraEntryRecBase, sentinel) == 0, "the record opens with its sentinel");
    TLinzoraEntryRecBase read;
    read.sentinel = first;
    if (!s.ReadExact(reinterpret_cast<uint8_t*>(&read) + sizeof first, sizeof read - sizeof first)) return false;
    // Below version 24 a record that carries the sentinel is the current layout already.
    if (v >= 24 || read.sentinel == kLineSentinel) base = read;
  }
  TakeStreamBase(base);
  if (v >= 24) data_.byte_position = static_cast<int64_t>(
                   (static_cast<uint64_t>(base.byte_position_high) << 32) | base.byte_position);
  else data_.byte_position = base.byte_position;  // the spare held no high half then

  if (v >= 25) {
    TLinzoraEntryRecExtraBase extra;
    if (!ReadValue(s, extra)) return false;
    const uint8_t zeros[sizeof extra] = {};
    if (std::memcmp(&extra, zeros, sizeof extra) != 0) {
      EnsureExtraBase() = extra;
    }
  }
  if (v < 23) data_.percent_of_file = base.spare_percent_of_file;

  if (data_.sw_number < 0) {
    LogLineDamage("negative search-item number", s);
    return false;
  }
  if (Owner()) {
    const int32_t fn = data_.filename_num_original;
    if (!Owner()->TakesFileNumber(fn)) {
      LogLineDamage(("text number " + std::to_string(fn) + " names none of the " +
                     std::to_string(Owner()->SourceFileCount()) + " source texts")
                        .c_str(),
                    s);
      return false;
    }
    const bool known = fn >= 1 && fn <= Owner()->SourceFileCount();
    if (!known) Owner()->NoteDudFilename();
    int64_t size = base.byte_size_of_file;
    if (size == 0) {
      const UString name = known ? Owner()->SourceFileName(fn) : UString();
      size = (known && Owner()->TextsInPlace() && FileExists(name)) ? FileSizeU(name) : kUnknownFileSize;
    }
    if (known) Owner()->TakeSourceFileDetails(fn, size, base.textfile_date);
    const std::vector<uint8_t>* table = Owner()->SearchWordTagTable();
    if (table && static_cast<size_t>(data_.sw_number) < table->size())
      data_.sw_contains_a_tag = (*table)[static_cast<size_t>(data_.sw_number)] != 0;
  }

  bool nil = false;
  UString line_text;
  if (!ReadTexts(s, line_text, nil)) {
    LogLineDamage("line text cut or damaged", s);
    return false;
  }
  if (line_text.size() > static_cast<size_t>(kMaxStoredLineChars)) {
    LogLineDamage("line text longer than a line can be", s);
    return false;
  }
  SetText(line_text);
  if (v < 22) data_.conc_line_chars = static_cast<int16_t>(line_text.size());
  UString context;
  if (!ReadTexts(s, context, nil)) {
    LogLineDamage("section text cut or damaged", s);
    return false;
  }
  SetTagContext(std::move(context));
  const int32_t len = static_cast<int32_t>(line_text.size());
  data_.midpoint = static_cast<int16_t>(std::clamp<int32_t>(data_.midpoint, 0, len));

  if (old_mode) {
    if (!SkipOldRecords(1, s) || !SkipOldRecords(2, s)) return false;
  } else {
    int32_t n = 0;
    if (!ReadCount(s, n, 6)) {
      LogLineDamage("context-word count out of range", s);
      return false;
    }
    if (n > 0 && !OtherContextWords().ReadFromStream(n, v, s)) return false;
  }

  // The search word's start anchors the tag positions (see TTagPositionsList).
  TTagPositionsList tags;
  tags.SetCentre(SearchWordStart());
  if (!tags.ReadFromStream(s, len)) {
    LogLineDamage("tag positions cut or damaged", s);
    return false;
  }
  if (!tags.Empty()) {
    TagPositions() = std::move(tags);
    if (!TagPositions().WordsLinked()) LinkWordsToTags();
    if (Owner()) Owner()->NoteHasTagFileData();
  }

  for (int side = 0; side < 2; ++side) {
    int32_t n = 0;
    if (!ReadCount(s, n, 6)) {
      LogLineDamage("collocate count out of range", s);
      return false;
    }
    if (n > 0 && !(side == 0 ? OtherLeftCollocs() : OtherRightCollocs()).ReadFromStream(n, v, s)) return false;
  }

  if (data_.sw_contains_a_tag && FixedWord(5).coll_length < 0) {
    TSortInfoRec sw = FixedWord(5);
    sw.coll_length = static_cast<int16_t>(std::clamp<int32_t>(data_.hit_characters, 0, INT16_MAX));
    SetFixedWord(5, sw);
  }
  ClipPositions();
  return true;
}

void TConcordanceEntry::ClipPositions() {
  auto& d = data_;
  const int32_t len = static_cast<int32_t>(Text().size());
  d.midpoint = static_cast<int16_t>(std::clamp<int32_t>(d.midpoint, 0, len));
  SetSwStarts(static_cast<int16_t>(std::clamp<int32_t>(SwStarts(), 0, len)));
  SetSwFinishes(static_cast<int16_t>(std::clamp<int32_t>(SwFinishes(), 0, len)));
  d.hit_characters = std::max(d.hit_characters, 0);
  d.conc_line_chars = static_cast<int16_t>(std::clamp<int32_t>(d.conc_line_chars, 0, kMaxLineWidth));
  SetTagContextSortPtrpos(static_cast<uint8_t>(std::min<size_t>(TagContextSortPtrpos(), TagContext().size())));
  for (int k = 0; k < kSpanFixedCount; ++k) {
    TSortInfoRec r = FixedWord(k);
    ClipSortInfo(r, d.midpoint, len);
    SetFixedWord(k, r);
  }
  if (more()) {
    if (TLineAside* a = more()->aside.get()) {
      ClipSortInfoList(a->other_context_words, d.midpoint, len);
      ClipSortInfoList(a->other_left_collocs, d.midpoint, len);
      ClipSortInfoList(a->other_right_collocs, d.midpoint, len);
    }
  }
}

// --- the entry's operations ------------------------------------------------------------------

// Texts in memory do not depend on the form they were read in (see line_text.h): only the
// document's stored form changes, which is the owner's flag.
void TConcordanceEntry::ConvertEntryToUnicode(int /*code_page*/) {}

bool TConcordanceEntry::IsDuplicateOf(const TVXBaseListObject& other) const {
  const auto* o = dynamic_cast<const TConcordanceEntry*>(&other);
  if (!o || o->data_.midpoint != data_.midpoint) return false;
  const size_t start = static_cast<size_t>(std::max(0, data_.midpoint - 250));
  const TLineText mine = Text();
  const TLineText theirs = o->Text();
  if (mine.size() >= start + 500 && theirs.size() >= start + 500)
    return mine.substr(start, 500) == theirs.substr(start, 500);
  return mine == theirs;
}

float TConcordanceEntry::GetAValueAsSingle(int column) const {
  return Owner() ? Owner()->NumericalData(*this, column) : kMissingValue;
}

UString TConcordanceEntry::WordOfKind(int column, int kind) const {
  switch (kind) {
    case 1: return Text().ToUString();
    case 2: return UString(SetText());
    case 3: return UString(TagContext());
    case 13: {
      if (!Owner()) return UString();
      const UString name = Owner()->SourceFileName(data_.filename_num_original);
      return Owner()->ShowFullFilenames() ? name : ExtractFileName(name);
    }
    default: return TVXBaseListObject::GetAWordAsString(column);
  }
}

UString TConcordanceEntry::GetAWordAsString(int column) const {
  return WordOfKind(column, Owner() ? Owner()->ColumnKind(column) : 0);
}

void TConcordanceEntry::SetAWordAsString(int column, UStringView text) {
  if (!Owner() || Owner()->ColumnKind(column) != 2) return;
  SetCategoryText(text);
}

void TConcordanceEntry::SetCategoryText(UStringView text) {
  if (text.empty() && !aside()) return;
  More().Aside().set_text = UString(text);
}

UString TConcordanceEntry::ConcordanceCharactersAroundMidpoint(int32_t n) const {
  if (n <= 0) return UString();
  const int32_t start = std::max(0, data_.midpoint - n / 2);
  const TLineText text = Text();
  if (static_cast<size_t>(start) >= text.size()) return UString();
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(n)).ToUString();
}

int32_t TConcordanceEntry::MeanWordRank() const {
  if (!Owner() || !Owner()->HasReferenceList()) return 1;
  const int64_t absent = static_cast<int64_t>(Owner()->ReferenceListCount()) + 1000;
  const TLineTextWide wide(Text());
  const UStringView text = wide;
  int64_t sum = 0;
  int64_t words = 0;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = std::min(text.find(u' ', i), text.size());
    const UStringView w = StripNonLetters(text.substr(i, end - i));
    i = end + 1;
    if (w.empty()) continue;
    size_t k = 0;
    if (CharKindOf(NextCodePoint(w, k)) & C1_UPPER) continue;
    const int32_t rank = Owner()->ReferenceRank(w);
    sum += rank > 0 ? rank : absent;
    ++words;
  }
  if (words == 0) return 1;
  const double mean = std::nearbyint(static_cast<double>(sum) / static_cast<double>(words));
  return static_cast<int32_t>(std::clamp(mean, 1.0, static_cast<double>(INT32_MAX)));
}

void TConcordanceEntry::LinkWordsToTags() {
  TTagPositionsList& tags = TagPositions();
  tags.SetCentre(SearchWordStart());
  TTagPositionsExtraRec& extra = tags.Extra();
  // Each word is looked for from the tag the word before it was linked to (a line of mark-up holds
  // dozens of tags: they are read where they lie).
  const std::span<const TTagPositionRec> recs = tags.Records();
  size_t from = 0;
  for (int k = 0; k < kSpanFixedCount; ++k) {
    extra.tag_sort_numbers_1Based[k] = 0;
    const int32_t p = data_.midpoint + data_.word_start[k];
    for (size_t i = from; i < recs.size(); ++i) {
      if (recs[i].tag_position + recs[i].used_length == p) {
        extra.tag_sort_numbers_1Based[k] = static_cast<uint16_t>(i + 1);
        from = i;
        break;
      }
    }
  }
  tags.SetWordsLinked();
}

// --- span positions of a line ----------------------------------------------------------------

int OutermostSpanPosition(const TConcordanceEntry& line, int side) {
  return side < 0 ? kSpanFixedFirst - line.OtherLeftCollocs().Count()
                  : kSpanFixedLast + line.OtherRightCollocs().Count();
}

TSortInfoRec WordAtSpanPosition(const TConcordanceEntry& line, int position) {
  if (position >= kSpanFixedFirst && position <= kSpanFixedLast)
    return line.FixedWord(position - kSpanFixedFirst);
  if (position < kSpanFixedFirst) return line.OtherLeftCollocs().Record(kSpanFixedFirst - position - 1);
  return line.OtherRightCollocs().Record(position - kSpanFixedLast - 1);
}

int SpanLimitOfLine(const TConcordanceEntry& line, int side, int limit, uint8_t stop_level) {
  auto stops = [&](int position) {
    const TSortInfoRec r = WordAtSpanPosition(line, position);
    return r.coll_length == 0 || (stop_level != 0 && r.barrier >= stop_level);
  };
  int p = kSpanSearchWord;
  if (side > 0) {
    while (p < limit && !stops(p)) ++p;
  } else {
    while (p > limit && !stops(p - 1)) --p;
  }
  return p;
}
