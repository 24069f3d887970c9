#include "model/reading/text_reader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <bit>
#include <atomic>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "model/reading/chosen_texts_handover.h"
#include "model/reading/html_entities.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/plain_file.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/search/search_chars.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_defaults.h"
#include "platform/text/text_services.h"
#include "platform/zip/zip_archive_cache.h"
#include "platform/zip/zip_forge.h"

#include "model/reading/tag_handler.h"
#include "model/documents/work_derived.h"

namespace {

// LINZORA_MARK_UNWRITTEN: the buffers a text's reading takes over unfilled (the last text's
// characters, a chunk's kinds) are given marks no step writes, so that a step reading them
// before writing them changes what the text gives (the tests read texts so).
bool MarkingUnwritten() { return std::getenv("LINZORA_MARK_UNWRITTEN") != nullptr; }
// No step gives a character this kind (a marker's kind far above every marker's), and none of
// the tests' texts holds this letter.
constexpr uint16_t kUnwrittenKindMark = 0xBEEF;
constexpr char16_t kUnwrittenCharMark = u'\u0A8A';

// The big buffers of the last text read, kept for the next one, so that a run over many texts
// does not ask the system for fresh memory for every text.
struct TSpareBuffers {
  UString text;
  TWorkVector<uint16_t> kinds;
  std::vector<uint32_t> offsets;
  std::vector<uint8_t> raw;
};
thread_local TSpareBuffers t_spare;

std::once_flag s_entities_loaded;  // the user's entity table is read once, before any text needs it

UString HexU(int64_t v, int digits) {
  static const char16_t* kHex = u"0123456789ABCDEF";
  UString s;
  uint64_t u = static_cast<uint64_t>(v);
  do {
    s.insert(s.begin(), kHex[u & 15]);
    u >>= 4;
  } while (u != 0);
  while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), u'0');
  return s;
}

#if defined(__x86_64__)
// The 512-bit steps of Utf8CharOffsets from b[i], 64 bytes a step: over runs of ASCII their 64
// offsets streamed a whole cache line a store, once `o` lies on a line (up to fifteen offsets
// are written alone to reach one); 64 bytes of characters of up to three bytes give the offsets
// of the bytes that start one. Answers where it stopped: at the first 64 bytes holding a
// sequence of four bytes, or fewer than 64 from the end.
__attribute__((target("avx512f,avx512bw"))) size_t Utf8AsciiOffsetsByLines(const uint8_t* b, size_t i, size_t n,
                                                                           uint32_t base, uint32_t*& o) {
  const __m512i step = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i sixteen = _mm512_set1_epi32(16);
  while (i + 64 <= n) {
    const __m512i v = _mm512_loadu_si512(b + i);
    if (_mm512_movepi8_mask(v) != 0) {
      // Characters of up to three bytes: the offsets of the bytes that start one, compressed.
      const uint64_t starts = ~_mm512_cmpeq_epi8_mask(_mm512_and_si512(v, _mm512_set1_epi8(static_cast<char>(0xC0))),
                                                      _mm512_set1_epi8(static_cast<char>(0x80)));
      if (_mm512_cmpge_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xF0))) != 0) break;  // pairs of units
      __m512i x = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(base + i)), step);
      for (int q = 0; q < 4; ++q, x = _mm512_add_epi32(x, sixteen)) {
        const __mmask16 m = static_cast<__mmask16>(starts >> (16 * q));
        const int kept = __builtin_popcount(m);  // written alone: out has room for no more
        _mm512_mask_storeu_epi32(o, static_cast<__mmask16>((1u << kept) - 1), _mm512_maskz_compress_epi32(m, x));
        o += kept;
      }
      i += 64;
      continue;
    }
    if (const size_t off = (reinterpret_cast<uintptr_t>(o) & 63) / sizeof(uint32_t); off != 0) {
      for (size_t r = 16 - off; r > 0; --r, ++i) *o++ = base + static_cast<uint32_t>(i);
      continue;
    }
    __m512i x = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(base + i)), step);
    for (int q = 0; q < 4; ++q, x = _mm512_add_epi32(x, sixteen)) _mm512_stream_si512(reinterpret_cast<__m512i*>(o + 16 * q), x);
    o += 64;
    i += 64;
  }
  return i;
}
#endif

// The offset (from base) of every UTF-16 unit of well-formed UTF-8, and one more for the end;
// a 4-byte sequence gives its two units the same offset. out has room for them all.
void Utf8CharOffsets(const uint8_t* b, size_t n, uint32_t base, uint32_t* out) {
  size_t i = 0;
  uint32_t* o = out;
#if defined(__SSE2__)
  const __m128i step = _mm_setr_epi32(0, 1, 2, 3);
  const __m128i four = _mm_set1_epi32(4);
#if defined(__x86_64__)
  const bool by_lines = HasMaskVectors();
  // The 64 bytes from where the 512-bit steps last stopped hold a byte beyond ASCII: they are
  // not asked again before those bytes are passed (a text of another script would otherwise
  // ask at every 16 bytes).
  size_t probe_from = 0;
#endif
  while (i + 16 <= n) {
#if defined(__x86_64__)
    if (by_lines && i >= probe_from) {
      i = Utf8AsciiOffsetsByLines(b, i, n, base, o);
      probe_from = i + 64;
      if (i + 16 > n) break;
    }
#endif
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    if (_mm_movemask_epi8(v) == 0) {  // 16 ASCII bytes: 16 consecutive offsets
      // A chunk's offsets take four times its bytes, far more than the cache holds: they go
      // straight to memory, without the cache fetching the lines first, from an aligned place
      // (one to three offsets are written alone to reach it).
      if (const size_t off = (reinterpret_cast<uintptr_t>(o) & 15) / sizeof(uint32_t); off != 0) {
        for (size_t r = 4 - off; r > 0; --r, ++i) *o++ = base + static_cast<uint32_t>(i);
        continue;
      }
      __m128i x = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(base + i)), step);
      for (int q = 0; q < 4; ++q, x = _mm_add_epi32(x, four))
        _mm_stream_si128(reinterpret_cast<__m128i*>(o + 4 * q), x);
      o += 16;
      i += 16;
      continue;
    }
    // Bytes that start a character (not 0x80-0xBF), and leads of 4-byte sequences (0xF0 up).
    unsigned starts = unsigned(_mm_movemask_epi8(_mm_cmpgt_epi8(v, _mm_set1_epi8(-65))));
    const unsigned fours =
        unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(-17)), _mm_cmplt_epi8(v, _mm_setzero_si128()))));
    if (fours == 0) {
      while (starts != 0) {
        *o++ = base + static_cast<uint32_t>(i + unsigned(__builtin_ctz(starts)));
        starts &= starts - 1;
      }
      i += 16;
      continue;
    }
    for (const size_t end = i + 16; i < end; ++i) {
      const uint8_t c = b[i];
      if ((c & 0xC0) != 0x80) {
        *o++ = base + static_cast<uint32_t>(i);
        if (c >= 0xF0) *o++ = base + static_cast<uint32_t>(i);
      }
    }
  }
#endif
  for (; i < n; ++i) {
    const uint8_t c = b[i];
    if ((c & 0xC0) != 0x80) {
      *o++ = base + static_cast<uint32_t>(i);
      if (c >= 0xF0) *o++ = base + static_cast<uint32_t>(i);
    }
  }
  *o = base + static_cast<uint32_t>(n);
#if defined(__SSE2__)
  _mm_sfence();  // the streamed offsets are seen before anything read after
#endif
}

#if defined(__x86_64__)
// The 256-bit path of WidenPlainAscii: 32 bytes a step; answers how many were widened (up to
// the first 32 holding a byte the plain path refuses, or the last whole 32).
__attribute__((target("avx2"))) size_t WidenPlainAsciiWide(const uint8_t* b, size_t n, char16_t* out) {
  size_t i = 0;
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 32 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    if ((_mm256_movemask_epi8(v) | _mm256_movemask_epi8(_mm256_cmpeq_epi8(v, zero))) != 0) break;
    if (out == nullptr) continue;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(v)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16), _mm256_cvtepu8_epi16(_mm256_extracti128_si256(v, 1)));
  }
  return i;
}
#endif

// Widens n bytes of plain ASCII (no zero byte among them) to UTF-16 units; false, with `out`
// written only in part, at the first byte that is zero or above 0x7F. Without `out`, only looks.
bool WidenPlainAscii(const uint8_t* b, size_t n, char16_t* out) {
  size_t i = 0;
#if defined(__x86_64__)
  if (HasWideVectors()) i = WidenPlainAsciiWide(b, n, out);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    if ((_mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) != 0) return false;
    if (out == nullptr) continue;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < n; ++i) {
    if (b[i] == 0 || b[i] >= 0x80) return false;
    if (out != nullptr) out[i] = b[i];
  }
  return true;
}

// Whether n bytes are plain ASCII with no zero byte (what WidenPlainAscii widens).
bool PlainAscii(const uint8_t* b, size_t n) { return WidenPlainAscii(b, n, nullptr); }

void ZerosToSpaces(char16_t* t, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i space = _mm_set1_epi16(0x20);
  for (; i + 8 <= n; i += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    v = _mm_or_si128(v, _mm_and_si128(_mm_cmpeq_epi16(v, zero), space));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(t + i), v);
  }
#endif
  for (; i < n; ++i)
    if (t[i] == 0) t[i] = u' ';
}

// The document's text settings, or the settings store's when the text is read for no document.
TTextsett_rec32 TextSettingsOf(const TTessorineholder* WH) { return WH ? WH->TextSettings() : GetTextSettings(); }

void Log(UStringView line) {
  if (global_keeping_log) AddToLogFile(line);
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// "<tag>" switched off is "</tag>"; a tag without "<" gets a leading "/".
UString SameTagButSwitchedOff(UStringView tag) {
  if (tag.empty()) return UString();
  if (tag[0] == u'<') {
    if (tag.size() > 1 && tag[1] == u'/') return UString(tag);
    return u"</" + UString(tag.substr(1));
  }
  return u"/" + UString(tag);
}

// Splits "a;b;;c" into its non-empty, trimmed parts.
std::vector<UString> SplitMarkers(UStringView s) {
  std::vector<UString> out;
  size_t from = 0;
  while (from <= s.size()) {
    size_t semi = s.find(u';', from);
    if (semi == UStringView::npos) semi = s.size();
    UString part = TrimU(s.substr(from, semi - from));
    if (!part.empty()) out.push_back(std::move(part));
    from = semi + 1;
  }
  return out;
}

// Whether any character could start or end a tag: a bracket of mark-up or of hidden tags, or
// the first character of a tag to keep or exclude. Eight characters are tested at a time.
bool HoldsTagCharacters(const TTextTagHandler& tags, const TIgnore_tag_type& hidden, const char16_t* t, int32_t n) {
  TUnitSetFinder wanted;
  auto add = [&](char16_t ch) {
    if (ch != 0) wanted.Add(ch);
  };
  add(u'<');
  add(u'>');
  for (int i = 0; i < 6; ++i) {
    add(hidden.openers[i]);
    add(hidden.closers[i]);
  }
  for (const UString& starters : tags.ftag_starter_chars)
    for (const char16_t ch : starters) {
      // A tag that starts with a letter or digit may start anywhere: no pass is skipped.
      if (ch > 127 || (ch >= u'0' && ch <= u'9') || ((ch | 0x20) >= u'a' && (ch | 0x20) <= u'z')) return true;
      add(ch);
    }
  return n > 0 && wanted.Next(t, 0, static_cast<size_t>(n)) < static_cast<size_t>(n);
}

}  // namespace

// --- the run ------------------------------------------------------------------------------------------

TTextReadSnapshot TakeTextReadSnapshot(const TTessorineholder* document) {
  TTextReadSnapshot r;
  r.text_settings = TextSettingsOf(document);
  r.conversion_options = GetTextConversionOptions();
  r.messages_allowed = !Global_run_without_error_messages;
  r.tool = current_tool_var;
  r.ignore_tags_span = GetIgnoreTagsSpan();
  r.translating_tags = GetTagsTranslateWanted() > 0;
  r.keeping_tags = GetTagsWanted() > 0;
  r.excluding_spans = GetTagsExcludeWanted() > 0;
  r.end_of_header = GetEndOfTextHeader();
  if (GetTextSelectAtAll()) {
    for (int i = 0; i < kTextSelectStrings; ++i) {
      r.text_select[i] = GetTextSelectAtAllString(i + 1).Text();
      if (!r.text_select[i].empty()) r.selecting_texts = true;
    }
  }
  r.cluster_tag = GetWordlistClusterTag();
  r.tags = TagReadSettingsFromStore();
  std::call_once(s_entities_loaded, [] {
    if (EntityTableLoaded()) return;
    const UString name = GetUserReadWriteFolder() + u"html_entities.txt";
    if (FileExists(name)) LoadEntityTable(name);
  });
  return r;
}

TTextAnswer TTextReadRun::Ask(TTextQuestion question, UStringView file_name) {
  std::lock_guard<std::mutex> one_at_a_time(ask_);
  if (const uint8_t given = to_all_.load(); given != 0) return static_cast<TTextAnswer>(given - 1);
  const TTextAnswer a = ask_fn_ ? ask_fn_(question, file_name) : TTextAnswer::No;
  if (a == TTextAnswer::YesToAll || a == TTextAnswer::NoToAll) to_all_ = static_cast<uint8_t>(1 + static_cast<int>(a));
  return a;
}

void TTextReadRun::StoreAtRunEnd() {
  if (stored_) return;
  stored_ = true;
  if (header_cuts_ > 0) AddToTimesEndOfTextHeaderCut(header_cuts_);
  if (to_all_.load() != 0) SetTextConversionOptions(GetTextConversionOptions() & ~uint32_t(4));
}

// --- TMyMemoryStream ------------------------------------------------------------------------------

TMyMemoryStream::TMyMemoryStream(TBufferProcessor* owner, int64_t* start_reading_from)
    : BufferProcessor(owner), fPointerToStartReadingFrom(start_reading_from) {}

TMyMemoryStream::~TMyMemoryStream() { CloseMapping(); }

void TMyMemoryStream::CloseMapping() {
  mapped_.Unmap();
  chunk_mapped_ = false;
  fd_ = -1;  // the reader's, closed with it
}

void TMyMemoryStream::CopyMappedChunk() {
  if (!chunk_mapped_) return;
  const int64_t all = fReadThisChunk + fReadAhead;
  std::memcpy(Memory(), mapped_.At(fGetChunkFrom), static_cast<size_t>(all));
  uint8_t* m = Memory();
  m[all] = ' ';
  std::memset(m + all + 1, 0, 7);
  map_damaged_ = map_damaged_ || mapped_.Damaged();
  chunk_mapped_ = false;
}

void TMyMemoryStream::UseSource(TStream* source) {
  CloseMapping();
  owned_source_.reset();
  source_ = source;
  fcomplete_file_size = source ? std::max<int64_t>(0, source->Size()) : 0;
  fchunks_altogether = fcomplete_file_size / kTextChunkBytes;
}

bool TMyMemoryStream::OpenText(const TChosenFileDetailsFullRec& chosen) {
  CloseMapping();
  owned_source_.reset();
  source_ = nullptr;
  fcomplete_file_size = 0;
  fchunks_altogether = 0;
  int64_t size = -1;
  const UString joined =
      chosen.folder.empty() ? chosen.rec.filename : IncludeTrailingPathDelimiter(chosen.folder) + chosen.rec.filename;
  if (chosen.rec.zip_member > 0) {
    UString archive, member;
    if (!SplitZipMemberName(joined, archive, member)) return false;
    std::unique_ptr<TZipMemberStream> ms;
    // The stored index names the member unless the archive changed since; then its name does.
    int32_t index = chosen.rec.zip_member - 1;
    if (const std::shared_ptr<TZipArchiveCache> run = TZipArchiveCache::Current()) {
      // A run keeps its archives open and listed: no listing per text.
      ms = run->OpenMember(archive, index, member);
    } else {
      TZipForge own;
      TZipForge* z = Zipper ? Zipper : &own;
      z->SetFileName(archive);
      if (!z->OpenArchive(TZipOpenMode::Read)) return false;
      TZipMemberInfo info;
      if (!z->GetMember(index, info) || info.name != member) index = z->FindMember(member);
      ms = index >= 0 ? z->OpenMemberStream(index) : nullptr;
    }
    if (!ms) return false;
    size = ms->Size();
    owned_source_ = std::move(ms);
  } else {
    std::unique_ptr<TPlainFileReader> fs = TPlainFileReader::Open(joined);
    if (!fs) return false;
    size = fs->Size();
    if (fs->Plain()) {
      fd_ = fs->Descriptor();  // chunks are mapped through it
      struct stat st {};
      if (::fstat(fd_, &st) == 0) {
        opened_size_ = st.st_size;
        opened_change_sec_ = st.st_mtim.tv_sec;
        opened_change_nsec_ = st.st_mtim.tv_nsec;
      }
    }
    owned_source_ = std::move(fs);
  }
  if (size < 0) {
    owned_source_.reset();
    return false;
  }
  source_ = owned_source_.get();
  fcomplete_file_size = size;
  fchunks_altogether = size / kTextChunkBytes;
  return true;
}

bool TMyMemoryStream::ChangedSinceOpened() const {
  struct stat st {};
  if (fd_ < 0 || opened_size_ < 0 || ::fstat(fd_, &st) != 0) return false;
  return st.st_size != opened_size_ || st.st_mtim.tv_sec != opened_change_sec_ ||
         st.st_mtim.tv_nsec != opened_change_nsec_;
}

int64_t TMyMemoryStream::LoadFromAFile(int32_t chunk_index, const TChosenFileDetailsFullRec& chosen, int64_t position) {
  if (!source_ && !OpenText(chosen)) return 0;
  return LoadFromAStream(*source_, position);
}

int64_t TMyMemoryStream::LoadFromAStream(TStream& stream, int64_t position, bool map_wanted) {
  const int64_t size = fcomplete_file_size;
  chunk_mapped_ = false;
  map_damaged_ = false;
  if (the_lot) {
    fGetChunkFrom = std::max<int64_t>(0, position);
    fReadThisChunk = std::max<int64_t>(0, std::min<int64_t>(kTextChunkBytes, size - fGetChunkFrom));
    fReadAhead = std::max<int64_t>(0, std::min<int64_t>(fReadAheadWanted, size - fGetChunkFrom - fReadThisChunk));
  } else {
    fReadAhead = 0;
    int64_t start = fPointerToStartReadingFrom ? *fPointerToStartReadingFrom : 0;
    start = std::max<int64_t>(0, start) / 256 * 256;
    if (fPointerToStartReadingFrom) *fPointerToStartReadingFrom = start;
    fGetChunkFrom = start;
    fReadThisChunk = std::max<int64_t>(0, std::min<int64_t>(fSpareBufferSize - 2, size - start));
  }
  Last_chunk_ended_at = fGetChunkFrom + fReadThisChunk;
  Log(u"Last chunk ended at " + HexU(position, 8) + u", getting from " + HexU(fGetChunkFrom, 8) +
      u": have just read " + HexU(fReadThisChunk, 6) + u" bytes");
  const int64_t all = fReadThisChunk + fReadAhead;
  if (!SetSize(all + 8)) {
    fReadFailed = true;
    fReadThisChunk = fReadAhead = 0;
    Last_chunk_ended_at = fGetChunkFrom;
    return 0;
  }
  fMemSize = all + 8;
  // The bytes are read where the map holds them: no copy. (A file shorter than its size said is
  // not mapped: it is read, and its shortfall met, below.)
  // A stretch of several chunks is mapped at once: mapping and unmapping cost by the call as well as
  // by the page, and the stretch goes when the text is done or the next chunk lies beyond it.
  if (map_wanted && the_lot && fd_ >= 0 && &stream == source_ && all > 0) {
    if (!mapped_.Holds(fGetChunkFrom, all))
      mapped_.Map(fd_, fGetChunkFrom, std::min(size - fGetChunkFrom, std::max(all, kMapStretchBytes)));
    chunk_mapped_ = mapped_.Holds(fGetChunkFrom, all);
    if (chunk_mapped_) {
      SetPosition(0);
      return all;
    }
  }
  int64_t got = 0;
  if (all > 0 && stream.SetPosition(fGetChunkFrom)) {
    while (got < all) {
      const int64_t r = stream.Read(Memory() + got, all - got);
      if (r <= 0) break;
      got += r;
    }
  }
  // The look-ahead's bytes are read again with the next chunk: a shortfall among them is met there.
  if (got >= fReadThisChunk) fReadAhead = got - fReadThisChunk;
  else fReadAhead = 0;
  if (got < fReadThisChunk) {
    // The text ended early or could not be read (it vanished, shrank, or its archive is damaged).
    fReadFailed = true;
    Log(u"Could not read " + IntToUStr(fReadThisChunk - got) + u" bytes from " + IntToUStr(fGetChunkFrom + got));
    fReadThisChunk = got;
    Last_chunk_ended_at = fGetChunkFrom + got;
  }
  uint8_t* m = Memory();
  m[got] = ' ';
  std::memset(m + got + 1, 0, static_cast<size_t>(all + 8 - (got + 1)));
  SetPosition(0);
  return got;
}

// --- TBufferProcessor: life ------------------------------------------------------------------------

TBufferProcessor::TBufferProcessor(TTessorineholder* Holder, TOnUpdateAllFileHandledInfo OnUpdateAllFileHandledInfo,
                                   TOnChangeUnicodeSettingTo OnChangeUnicodeSettingTo_, TTextTagHandler* TagHandler,
                                   const TChosenFileDetailsFullRec& ChosenFile, TTessorineList ThisList,
                                   bool RequiringPrecomposed, bool MaySaveBuffer, bool IsFirstFile_, TTextReadRun* Run)
    : fone_data_to_process(ChosenFile),
      fThis_List(ThisList),
      IsFirstFile(IsFirstFile_),
      RequiringPrecomposedCharacters(RequiringPrecomposed),
      fMaySaveBuffer(MaySaveBuffer),
      fTagHandler(TagHandler),
      OnChangeUnicodeSettingTo(std::move(OnChangeUnicodeSettingTo_)),
      fOnUpdateAllFileHandledInfo(std::move(OnUpdateAllFileHandledInfo)),
      WH(Holder),
      fRun(Run) {
  std::memset(&BufferDetails, 0, sizeof BufferDetails);
  std::memset(&FileHandledInfo, 0, sizeof FileHandledInfo);
  fSectionStarts = std::make_unique<TSectionStartsList>();
  fFullFilename = fone_data_to_process.folder.empty()
                      ? fone_data_to_process.rec.filename
                      : IncludeTrailingPathDelimiter(fone_data_to_process.folder) + fone_data_to_process.rec.filename;
  FileHandledInfo.is_zipped = fone_data_to_process.rec.zip_member > 0;
  if (FileHandledInfo.is_zipped) fZipper = std::make_unique<TZipForge>();
  if (fTagHandler) fTagHandler->SetSectionStartsList(fSectionStarts.get());
  fReadTheWholeFile = true;
  SpareBufferSize = 10000;
  // The last text's characters stay in the buffer: the first chunk's decoding writes every
  // character it keeps (MarkingUnwritten gives the others a mark first).
  fText.swap(t_spare.text);
  if (MarkingUnwritten()) std::fill(fText.begin(), fText.end(), kUnwrittenCharMark);
  fwchar_kinds.swap(t_spare.kinds);
  fwchar_kinds.clear();
  fOffsets.swap(t_spare.offsets);
  fOffsets.clear();
  fTextSettings = fRun ? fRun->Settings().text_settings : TextSettingsOf(WH);
}

TBufferProcessor::~TBufferProcessor() {
  if (fOnUpdateAllFileHandledInfo) fOnUpdateAllFileHandledInfo(FileHandledInfo, IsFirstFile);
  if (fTagHandler) fTagHandler->SetSectionStartsList(nullptr);
  FreeTheStream();
  // The buffers stay for the next text, unless they grew beyond a chunk's worth.
  constexpr size_t kKept = size_t(kTextChunkBytes) + size_t(kCarriedCharsMax) + 16;
  if (fText.capacity() <= kKept) t_spare.text.swap(fText);
  if (fwchar_kinds.capacity() <= kKept) t_spare.kinds.swap(fwchar_kinds);
  if (fOffsets.capacity() <= kKept) t_spare.offsets.swap(fOffsets);
  fZipper.reset();
}

bool NeedsUnicodeDocument(const TFileHandledRec& info) {
  return info.unicode_content != 0 || info.is_unicode != 0 || info.is_html != 0;
}

void CopyFileHandledInfo(const TFileHandledRec& from, TAllFileHandledInfo& to) {
  static_assert(sizeof(TFileHandledRec) == TAllFileHandledInfo::kSize);
  std::memcpy(to.bytes, &from, sizeof from);
}

void TBufferProcessor::UseSourceStream(TStream* source) {
  fExternalSource = source;
  file_analysed = false;
}

bool TBufferProcessor::OKToProcess() { return true; }
void TBufferProcessor::HandleTextStatsAtEndOfBuffer(int32_t, int32_t) {}
bool TBufferProcessor::ProcessAChunkOfFile(int32_t) { return false; }

int TBufferProcessor::CodePageOfDocument() const {
  int cp = fTextSettings.WindowsCodePage();
  if (cp <= 0) cp = DefaultCodePageOfLCID(static_cast<TLCID>(fTextSettings.LCID()));
  return cp > 0 ? cp : 1252;
}

// --- analysing and setting up ----------------------------------------------------------------------

void TBufferProcessor::FreeTheStream() {
  if (!fStream) return;
  if (fStream->Data().capacity() <= size_t(kTextChunkBytes) + 16) t_spare.raw.swap(fStream->Data());
  fStream.reset();
}

void TBufferProcessor::MakeTheStream() {
  if (fStream) return;
  fStream = std::make_unique<TMyMemoryStream>(this, &StartReadingFrom);
  // The last text's bytes stay in the buffer: each chunk's sizing then clears only what it adds
  // beyond them, and every byte a chunk is read from (its bytes and the padding after them) is
  // written when it is loaded.
  fStream->Data().swap(t_spare.raw);
}

bool TBufferProcessor::AnalyseTheText() {
  MakeTheStream();
  fStream->Zipper = fZipper.get();
  fStream->fSpareBufferSize = SpareBufferSize;
  fStream->the_lot = fReadTheWholeFile;
  bool opened;
  if (fExternalSource) {
    fStream->UseSource(fExternalSource);
    opened = true;
  } else {
    opened = fStream->OpenText(fone_data_to_process);
  }
  const int64_t size = fStream->fcomplete_file_size;
  Log(u"Analysing " + fFullFilename + u": " + IntToDecStr(size) + u" bytes");
  fChunksToDo = static_cast<int32_t>(std::min<int64_t>(fStream->fchunks_altogether, INT32_MAX));
  FileHandledInfo.file_size = size;
  CurrentStreamSize = size;
  file_analysed = true;
  fEncodingKnown = false;
  return opened;
}

void TBufferProcessor::EnsureRun() {
  if (fRun) return;
  fOwnRun = std::make_unique<TTextReadRun>(TakeTextReadSnapshot(WH));
  fRun = fOwnRun.get();
}

bool TBufferProcessor::SetupTheBuffer() {
  // A new text: nothing of the last one is carried over.
  fEncodingKnown = false;
  fEncoding = TTextEncoding::Utf8;
  LittleEndian = false;
  FileSignatureBytes = 0;
  const bool opened = AnalyseTheText();
  if (!opened || FileHandledInfo.file_size <= 0) {
    Log(u"SetupTheBuffer failed");
    return false;
  }
  EnsureRun();
  const TTextReadSnapshot& run = fRun->Settings();
  fTextSettings = run.text_settings;
  const TTextsett_rec32& ts = fTextSettings;
  ftag_clearing_max = run.ignore_tags_span;
  Translating_Tags = run.translating_tags;
  Retaining_TagFileTags = run.keeping_tags;
  End_Of_Header = run.end_of_header;
  Cutting_Header = !SplitMarkers(End_Of_Header).empty();
  const TIgnore_tag_type unwanted = ts.UnwantedTags();
  Removing_IgnoreTags = unwanted.openers[0] != 0 && unwanted.closers[0] != 0;
  Marking_IgnoreTags = Removing_IgnoreTags;
  Removing_Punctuation = true;
  fMarking_Text_Elements = true;
  wide_allowables = ts.Language().ExtraSymbols();
  Removing_unwanted_TagFile_Tags = run.excluding_spans;
  fCheckingBetween = run.selecting_texts;
  for (int i = 0; i < kTextSelectStrings; ++i) ftext_select_atall_W[i] = run.text_select[i];
  fHandlingOnlyPartsOfTexts = fTagHandler && fTagHandler->HandlingOnlyPartsOfText;
  Clearing_Excess_Spaces = false;
  fClusterTag = run.cluster_tag;
  fEightBitDecided = false;
  fBadUtf8Logged = false;
  fLowestJumpTo = 0;
  fCarryText.clear();
  fCarryKinds.clear();
  fCarryBytes.clear();
  fCodePage = CodePageOfDocument();
  if (fTagHandler) fTagHandler->ClearArrayOfTagsPresent();
  return true;
}

// --- reading ---------------------------------------------------------------------------------------

bool TBufferProcessor::ReadAndProcess() {
  EnsureRun();
  MakeTheStream();
  Log(u"TEXT FILE = " + fFullFilename + u" at " + TimeToUStr(Now()));
  bool opened = true;
  if (!file_analysed) opened = AnalyseTheText();
  const int64_t size = FileHandledInfo.file_size;
  if (!opened || !fStream->Source()) {
    FreeTheStream();
    return false;
  }
  if (size <= 0) {
    FreeTheStream();
    return true;
  }
  bool ok = true;
  if (!fReadTheWholeFile) {
    if (StopState() < kPanicStopNow) ok = ProcessOneChunk(0);
    FreeTheStream();
    return ok || FileHandledInfo.excluded;
  }
  int32_t counter = 0;
  // A stop at the end of the current text (state 1) lets the text finish; 2 and above end it now.
  while (ok && StopState() < kPanicStopNow && fStream->Last_chunk_ended_at < size) {
    Log(fFullFilename + u" chunk " + IntToUStr(counter) + u" of " + IntToUStr(fChunksToDo) + u" ********");
    const int64_t before = fStream->Last_chunk_ended_at;
    ok = ProcessOneChunk(counter);
    HandleTextStatsAtEndOfBuffer(counter, fChunksToDo);
    if (counter >= fChunksToDo && fStream->Last_chunk_ended_at < size) ++fChunksToDo;
    ++counter;
    if (ok && fStream->Last_chunk_ended_at <= before) {
      Log(u"No progress reading " + fFullFilename + u" at byte " + IntToUStr(before));
      ok = false;
    }
  }
  const int64_t done = fStream->Last_chunk_ended_at;
  Log(u"Size = " + IntToUStr(size) + u" (whole file = " + IntToDecStr(size) + u") and processed = " + IntToDecStr(done));
  Log(u"TEXT FILE analysed. ");
  // A text the selection leaves out is read no further, and that is no failure: a run goes on
  // with its next text.
  if (FileHandledInfo.excluded) {
    FreeTheStream();
    return true;
  }
  // Written to while it was read (even to the same size): what was read is not one text.
  if (ok && done >= size && fStream->ChangedSinceOpened()) {
    Log(fFullFilename + u" changed while it was read: it is not taken as read");
    ok = false;
  }
  FreeTheStream();
  return ok && done >= size;
}

uint8_t TBufferProcessor::StopState() const {
  if (fRun && fRun->Job()) return static_cast<uint8_t>(fRun->Job()->Stop());
  return std::min<uint8_t>(global_panic_state, kPanicStopNow);
}

void TBufferProcessor::PollBetweenChunks() {
  if (fRun && fRun->Job()) fRun->Job()->Poll();
  else MyYieldProcess();
}

bool TBufferProcessor::ProcessOneChunk(int32_t chunk_index) {
  PollBetweenChunks();
  if (fTagHandler) fTagHandler->FileBytePos = fStream->Last_chunk_ended_at;
  TStream* source = fStream->Source();
  if (!source) return false;
  // Enough bytes for the look-ahead's characters in any encoding (an entity takes several).
  const int64_t ahead = fReadTheWholeFile ? std::clamp<int64_t>(LookAheadWanted, 0, kLookAheadCharsMax) : 0;
  fStream->fReadAheadWanted = ahead > 0 ? 8 * ahead + 16 : 0;
  // A chunk whose bytes the fast pass reads as they lie is mapped rather than read (a plain file).
  const int64_t from = fStream->Last_chunk_ended_at;
  const int64_t n = std::clamp<int64_t>(fStream->fcomplete_file_size - from, 0, kTextChunkBytes);
  const bool map = fStream->CanMap() && BytesLeftUnwidened(chunk_index, from, n) > 0;
  const int64_t loaded = fStream->LoadFromAStream(*source, from, map);
  bool ok = loaded > 0 && PrepareTheChunk(chunk_index) && !TextChangedWhileMapped();
  if (ok) ok = PreProcessTheChunk(chunk_index);
  if (!ok) return false;
  if (FileHandledInfo.excluded) return false;
  if (fReadTheWholeFile && !IsLastChunk()) KeepTailForNextChunk();
  PollBetweenChunks();
  if (chunk_index == 0) fLowestJumpTo = FirstJumpPosition(fone_data_to_process);
  bool done = true;
  if (fLowestJumpTo <= 0 || ChunkEndInFile() >= fLowestJumpTo) done = ProcessAChunkOfFile(chunk_index);
  return !TextChangedWhileMapped() && done;
}

bool TBufferProcessor::TextChangedWhileMapped() {
  if (!fStream || !fStream->MapDamaged()) return false;
  if (!fStream->fReadFailed)
    Log(fFullFilename + u" changed while it was read (it lost bytes after " + IntToUStr(fStream->fGetChunkFrom) +
        u"): it is not read on");
  fStream->fReadFailed = true;
  return true;
}

int64_t TBufferProcessor::BytesLeftUnwidened(int32_t chunk_index, int64_t chunk_start, int64_t n) const {
  // A chunk of plain ASCII in a UTF-8 text, read for a tool that reads the kinds and text on
  // demand: all but the stretch where the cut is looked for (and the look-ahead after it).
  if (!(FastFirstPassOn() && fReadTheWholeFile && chunk_index > 0 && fEncodingKnown &&
        (fEncoding == TTextEncoding::Utf8 || (fEncoding == TTextEncoding::CodePage && CodePageUnitsForBytes())) &&
        !FileHandledInfo.is_html && !fCarryText.empty() && fKindsOnDemand && fTextOnDemand && fFastRules.usable))
    return 0;
  const int64_t span = ftag_clearing_max > 0 ? ftag_clearing_max : 1000;
  const int64_t look_back = kBoundarySearchChars + span + 64;
  const int64_t skip = chunk_start < FileSignatureBytes ? std::min<int64_t>(n, FileSignatureBytes - chunk_start) : 0;
  const int64_t own = std::max<int64_t>(0, n - skip);
  return own > look_back ? own - look_back : 0;
}

void TBufferProcessor::JoinCarriedCharacters() {
  BufferDetails.chunk_start = 0;
  const size_t c = fCarryText.size();
  if (c == 0) return;
  const int32_t n = Length();
  // Widened in place, the new characters follow the carried ones already.
  const bool in_place = fPrepBase > 0;
  fPrepBase = 0;
  if (!fByteMap.PrependCharacters(fCarryBytes.data(), c)) {
    // Cannot happen for a tail taken from the last chunk; the chunk then goes without it.
    Log(u"Characters carried over to byte " + IntToUStr(fByteMap.FileByteOf(0)) + u" do not fit");
    WidenLazyText(static_cast<int32_t>(c));
    fNarrowNew = nullptr;
    if (in_place) fText.erase(0, c);
    return;
  }
  if (!in_place) fText.insert(0, fCarryText);  // the look-ahead moves on with the new characters
  BufferDetails.chunk_start = static_cast<int32_t>(c);
  BufferDetails.length_in_chars = n + static_cast<int32_t>(c);
}

void TBufferProcessor::KeepTailForNextChunk() {
  const int32_t n = Length();
  const int32_t lowest = std::max<int32_t>(0, n - kCarriedCharsMax);
  EnsureKinds(lowest, n);
  const uint16_t* k = fwchar_kinds.data();
  // Back from the end, word start by word start, until enough words and a line's width of
  // characters are kept or the reach ends (then from the first word start within it).
  int32_t from = n, words = 0;
  for (int32_t i = n - 1; i >= lowest && (words < kCarriedWordsMin || n - from < kCarriedCharsMin); --i) {
    if (IsWordKind(k[i]) && (i == 0 || !IsWordKind(k[i - 1]))) {
      from = i;
      ++words;
    }
  }
  if (words == 0) from = n;
  fCarryText.assign(fText.data() + from, static_cast<size_t>(n - from));
  fCarryKinds.assign(k + from, k + n);
  fCarryBytes.resize(static_cast<size_t>(n - from) + 1);
  for (int32_t i = from; i <= n; ++i) fCarryBytes[static_cast<size_t>(i - from)] = fByteMap.FileByteOf(i);
}

// --- preparing a chunk -----------------------------------------------------------------------------

TTextStartRec TextStartOf(const uint8_t* head, int64_t head_n, int64_t text_bytes, const uint8_t* chunk, size_t chunk_n) {
  TTextStartRec r;
  // Two bytes are too few to be taken for UTF-16, unless they are the whole text and a
  // byte-order mark: then the text is empty, as one holding only the UTF-8 signature is.
  if (text_bytes >= 2 && head_n >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
    r.encoding = TTextEncoding::Utf16LE;
    r.signature_bytes = 2;
  } else if (text_bytes >= 2 && head_n >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
    r.encoding = TTextEncoding::Utf16BE;
    r.signature_bytes = 2;
  } else if (head_n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
    r.utf8_signature = true;
    r.signature_bytes = 3;
  } else {
    const TUtf16Guess g = GuessUtf16(chunk, chunk_n);
    if (g == TUtf16Guess::LittleEndian) r.encoding = TTextEncoding::Utf16LE;
    if (g == TUtf16Guess::BigEndian) r.encoding = TTextEncoding::Utf16BE;
  }
  // The signature says UTF-8 outright: stray bytes in such a text read as U+FFFD.
  r.eight_bit_decided = r.encoding != TTextEncoding::Utf8 || r.utf8_signature;
  return r;
}

void TBufferProcessor::DetectEncoding(const uint8_t* bytes, int64_t n) {
  uint8_t head[4] = {0, 0, 0, 0};
  int64_t hn = 0;
  if (fStream->fGetChunkFrom == 0) {
    hn = std::min<int64_t>(4, n);
    std::memcpy(head, bytes, static_cast<size_t>(hn));
  } else if (TStream* src = fStream->Source(); src && src->SetPosition(0)) {
    hn = std::max<int64_t>(0, src->Read(head, 4));
  }
  const int64_t text_bytes = std::max<int64_t>(hn, fStream->fGetChunkFrom == 0 ? n : hn);
  fTextSignature = uint32_t(head[0]) | uint32_t(head[1]) << 8 | uint32_t(head[2]) << 16 | uint32_t(head[3]) << 24;
  const TTextStartRec start = TextStartOf(head, hn, text_bytes, bytes, static_cast<size_t>(n));
  fEncoding = start.encoding;
  FileSignatureBytes = start.signature_bytes;
  LittleEndian = fEncoding == TTextEncoding::Utf16BE;
  FileHandledInfo.utf8_signature = start.utf8_signature ? 1 : 0;
  FileHandledInfo.is_unicode = fEncoding == TTextEncoding::Utf16LE || fEncoding == TTextEncoding::Utf16BE;
  if (FileHandledInfo.is_unicode) FileHandledInfo.unicode_content = 1;
  fEncodingKnown = true;
  fEightBitDecided = start.eight_bit_decided;
}

void TBufferProcessor::AskAboutUtf8() {
  const TTextReadSnapshot& run = fRun->Settings();
  const uint32_t options = run.conversion_options;
  TTextAnswer answer = TTextAnswer::No;
  if ((options & 8) && (options & 4) && run.messages_allowed)
    answer = fRun->Ask(TTextQuestion::ConvertUtf8Text, fFullFilename);
  // Converted or not, the text is read now; kept as it is, the document takes UTF-16 entries.
  PleaseConvertTheFileToUnicode = answer == TTextAnswer::Yes || answer == TTextAnswer::YesToAll;
  if (!PleaseConvertTheFileToUnicode) FileHandledInfo.unicode_content = 1;
}

bool EightBitEncodingOf(const uint8_t* bytes, size_t n, TTextEncoding& encoding) {
  size_t i = 0;
  while (i < n && bytes[i] < 0x80) ++i;
  if (i == n) return false;  // plain ASCII reads the same either way: a later piece decides
  size_t multi = 0, bad = 0, beyond = 0;
  while (i < n) {
    const int len = Utf8SequenceAt(bytes, i, n);
    if (len < 0) break;  // broken off at the piece's end
    if (len == 0) {
      ++bad;
      ++beyond;
      ++i;
      continue;
    }
    if (len > 1) {
      ++multi;
      beyond += static_cast<size_t>(len);
    }
    i += static_cast<size_t>(len);
  }
  // A few stray bytes in a UTF-8 text do not make it code-page text. They are fewer than its
  // well-formed bytes beyond ASCII too: a code-page text mostly of plain ASCII has few bad bytes
  // among all its bytes, but nearly every byte of it beyond ASCII is bad (a pair of its letters
  // now and then happens to be well-formed UTF-8).
  const bool utf8 = bad == 0 || (multi > 0 && bad * 1000 < n && bad < beyond - bad);
  encoding = utf8 ? TTextEncoding::Utf8 : TTextEncoding::CodePage;
  return true;
}

void TBufferProcessor::DecideEightBitEncoding(const uint8_t* bytes, size_t n) {
  if (EightBitEncodingOf(bytes, n, fEncoding)) fEightBitDecided = true;
}

void TBufferProcessor::DecodeUtf8Lenient(const uint8_t* b, size_t m, uint32_t base, bool more_follows) {
  fText.clear();
  fText.reserve(m + kCarriedCharsMax);
  fOffsets.clear();
  ReserveOffsets(m + 1);
  const int64_t first_bad = ::DecodeUtf8Lenient(b, m, base, more_follows, fText, fOffsets);
  if (first_bad >= 0 && !fBadUtf8Logged) {
    fBadUtf8Logged = true;
    Log(fFullFilename + u": bytes that are not UTF-8, the first at byte " +
        IntToUStr(fStream->fGetChunkFrom + base + first_bad) + u", read as U+FFFD");
  }
}

int64_t DecodeUtf8Lenient(const uint8_t* b, size_t m, uint32_t base, bool more_follows, UString& fText,
                          std::vector<uint32_t>& fOffsets) {
  size_t i = 0;
  int64_t first_bad = -1;
  while (i < m) {
    // Runs of plain ASCII, most of any prose, go 16 bytes at a time: one unit and one offset a
    // byte, as the sequence walk below gives them.
    if (i + 16 <= m) {
      uint64_t half[2];
      std::memcpy(half, b + i, sizeof half);
      if (((half[0] | half[1]) & 0x8080808080808080ull) == 0) {
        char16_t wide[16];
        for (int k = 0; k < 16; ++k) wide[k] = b[i + static_cast<size_t>(k)];
        fText.append(wide, 16);
        const size_t o = fOffsets.size();
        fOffsets.resize(o + 16);
        const uint32_t at = base + static_cast<uint32_t>(i);
        for (uint32_t k = 0; k < 16; ++k) fOffsets[o + k] = at + k;
        i += 16;
        continue;
      }
    }
    int len = Utf8SequenceAt(b, i, m);
    if (len < 0 && more_follows) break;  // read whole with the next piece
    const uint32_t at = base + static_cast<uint32_t>(i);
    if (len <= 0) {
      if (first_bad < 0) first_bad = static_cast<int64_t>(i);
      fText.push_back(u'\uFFFD');
      fOffsets.push_back(at);
      ++i;
      continue;
    }
    uint32_t cp = b[i];
    if (len == 2) cp = (cp & 0x1F) << 6 | (b[i + 1] & 0x3F);
    if (len == 3) cp = (cp & 0x0F) << 12 | (b[i + 1] & 0x3F) << 6 | (b[i + 2] & 0x3F);
    if (len == 4) cp = (cp & 0x07) << 18 | (b[i + 1] & 0x3F) << 12 | (b[i + 2] & 0x3F) << 6 | (b[i + 3] & 0x3F);
    if (cp >= 0x10000) {
      fText.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      fText.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      fOffsets.push_back(at);
    } else {
      fText.push_back(static_cast<char16_t>(cp));
    }
    fOffsets.push_back(at);
    i += static_cast<size_t>(len);
  }
  fOffsets.push_back(base + static_cast<uint32_t>(i));
  return first_bad;
}

void TBufferProcessor::DecodeChunk(const uint8_t* bytes, int64_t n, int64_t skip, bool more_follows, bool not_strict) {
  const uint8_t* b = bytes + skip;
  const size_t m = static_cast<size_t>(std::max<int64_t>(0, n - skip));
  const uint32_t base = static_cast<uint32_t>(skip);
  fOffsetsFixedWidth = false;
  fOffsetsSparse = false;
  // The last chunk's offsets are no longer needed: their memory serves this chunk.
  BufferDetails.encoding = static_cast<uint8_t>(fEncoding);
  BufferDetails.code_page = 0;
  switch (fEncoding) {
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: {
      size_t units = m / 2;
      // A pair broken off at the end of a piece is read whole with the next one.
      if (more_follows && units > 0) {
        const size_t last = 2 * (units - 1);
        const char16_t u = fEncoding == TTextEncoding::Utf16LE ? char16_t(b[last] | b[last + 1] << 8)
                                                               : char16_t(b[last] << 8 | b[last + 1]);
        if (IsHighSurrogate(u)) --units;
      }
      if (!more_follows && (m & 1)) Log(u"An odd last byte of " + fFullFilename + u" is not read");
      ResizeZeroFilled(fText, units);
      if (fEncoding == TTextEncoding::Utf16LE) {
        std::memcpy(fText.data(), b, 2 * units);
      } else {
        for (size_t i = 0; i < units; ++i) fText[i] = char16_t(b[2 * i] << 8 | b[2 * i + 1]);
      }
      fOffsetsFixedWidth = true;
      fFixedWidth = 2;
      break;
    }
    case TTextEncoding::Utf8: {
      size_t consumed = 0, units = 0;
      // The runs are noted as the bytes are decoded (the offsets then need no second pass).
      fRuns.clear();
      fRuns.units.push_back(0);
      fRuns.bytes.push_back(base);
      TUtf8RunBreaks breaks{&fRuns.units, &fRuns.bytes, base, m / kRunsAtMostOneIn + 1};
      bool strict = !not_strict;
      if (strict) {
        ResizeZeroFilled(fText, m);
        strict = DecodeUtf8StrictTo(b, m, fText.data(), units, true, &consumed, &breaks) && (more_follows || consumed == m);
        ResizeZeroFilled(fText, units);
      }
      // Well-formed bytes beyond ASCII decide for UTF-8 at once; a fault has the piece counted.
      if (!fEightBitDecided && strict && fText.size() != consumed) fEightBitDecided = true;
      if (!fEightBitDecided && !strict) DecideEightBitEncoding(b, m);
      if (fEncoding == TTextEncoding::Utf8) {
        if (!strict) {
          DecodeUtf8Lenient(b, m, base, more_follows);
        } else {
          Utf8OffsetsOf(b, consumed, fText.size(), base, breaks.complete);
        }
        break;
      }
      BufferDetails.encoding = static_cast<uint8_t>(TTextEncoding::CodePage);
      if (BufferDetails.chunk_index == 0) Log(fFullFilename + u": not UTF-8, read in code page " + IntToUStr(fCodePage));
      [[fallthrough]];
    }
    case TTextEncoding::CodePage: {
      BufferDetails.encoding = static_cast<uint8_t>(TTextEncoding::CodePage);
      BufferDetails.code_page = fCodePage;
      ReserveOffsets(m + 17);
      const bool one_byte_each = DecodeCodePageInto(b, m, fCodePage, fText, fOffsets, more_follows);
      bool identity = one_byte_each || fOffsets.size() == fText.size() + 1;
      for (size_t i = 0; !one_byte_each && identity && i < fOffsets.size(); ++i) identity = fOffsets[i] == i;
      if (identity) {
        fOffsetsFixedWidth = true;
        fFixedWidth = 1;
      } else {
        for (uint32_t& o : fOffsets) o += base;
      }
      break;
    }
  }
  fOffsetsBase = base;
}

void TBufferProcessor::Utf8OffsetsOf(const uint8_t* b, size_t consumed, size_t units, uint32_t base,
                                     bool runs_noted) {
  fOffsetsFixedWidth = false;
  fOffsetsSparse = false;
  if (units == consumed) {
    fOffsetsFixedWidth = true;  // all ASCII
    fFixedWidth = 1;
  } else if (runs_noted || consumed - units <= units / kRunsAtMostOneIn) {
    // Few characters beyond ASCII (a bound on the runs they make): only where the runs of one
    // byte a character break is kept.
    if (!runs_noted) fRuns.FromUtf8(b, consumed, base);
    fOffsetsSparse = true;
  } else {
    ReserveOffsets(units + 1);
    fOffsets.resize(units + 1);
    Utf8CharOffsets(b, consumed, base, fOffsets.data());
  }
  fOffsetsBase = base;
}

bool TBufferProcessor::DecodeUtf8AfterCarried(const uint8_t* b, size_t m, uint32_t base, bool more_follows) {
  const size_t c = fCarryText.size();
  ResizeZeroFilled(fText, c + m);  // only what the last chunk did not fill is cleared
  size_t units = 0, consumed = 0;
  // The runs are noted as the bytes are decoded, for as many sequences as a chunk kept as runs
  // can hold (about one in kRunsAtMostOneIn beyond ASCII).
  fRuns.clear();
  fRuns.units.push_back(0);
  fRuns.bytes.push_back(base);
  TUtf8RunBreaks breaks{&fRuns.units, &fRuns.bytes, base, m / kRunsAtMostOneIn + 1};
  // Bytes that are not UTF-8 are left to the decoding of the piece alone, which reads them as
  // U+FFFD and says where.
  if (!DecodeUtf8StrictTo(b, m, fText.data() + c, units, true, &consumed, &breaks) ||
      (!more_follows && consumed != m))
    return false;
  KeepUtf8UnitsAfterCarried(b, consumed, units, base, breaks);
  return true;
}

void TBufferProcessor::KeepUtf8UnitsAfterCarried(const uint8_t* b, size_t consumed, size_t units, uint32_t base,
                                                 const TUtf8RunBreaks& breaks) {
  const size_t c = fCarryText.size();
  ResizeZeroFilled(fText, c + units);
  std::memcpy(fText.data(), fCarryText.data(), c * sizeof(char16_t));
  BufferDetails.encoding = static_cast<uint8_t>(TTextEncoding::Utf8);
  BufferDetails.code_page = 0;
  Utf8OffsetsOf(b, consumed, units, base, breaks.complete);
  if (breaks.zero) ZerosToSpaces(fText.data() + c, units);
  fPrepBase = static_cast<int32_t>(c);
}

TBufferProcessor::TBytesRead TBufferProcessor::DecodeUtf8Narrow(const uint8_t* b, size_t m, uint32_t base,
                                                                bool more_follows, size_t own, size_t lazy) {
  const size_t c = fCarryText.size();
  if (fNarrowBytes.size() < m) fNarrowBytes.resize(m);
  size_t units = 0, consumed = 0;
  fRuns.clear();
  fRuns.units.push_back(0);
  fRuns.bytes.push_back(base);
  // As many sequences as the runs hold for a chunk kept as runs: beyond that, the runs would hold
  // an entry for most characters, and the offsets a character are as cheap.
  TUtf8RunBreaks breaks{&fRuns.units, &fRuns.bytes, base, m / kRunsAtMostOneIn + 1};
  const bool ok = DecodeUtf8NarrowTo(b, m, fNarrowBytes.data(), fText.data() + c, units, true, &consumed, &breaks) &&
                  (more_follows || consumed == m);
  if (!ok) return TBytesRead::NotUtf8;
  if (!breaks.complete) fDenseBeyondAscii = true;
  // Each break follows a unit beyond ASCII, and each such unit precedes a break (a pair's high
  // surrogate its own): the text is composed already when composition keeps every one of their
  // characters.
  bool composed = true;
  if (RequiringPrecomposedCharacters && breaks.complete)
    for (size_t k = 1; k < fRuns.units.size() && composed; ++k) {
      const char16_t* u = fText.data() + c + fRuns.units[k] - 1;
      if (IsLowSurrogate(u[0])) continue;
      composed = KeptByComposition(IsHighSurrogate(u[0])
                                       ? 0x10000 + ((char32_t(u[0]) - 0xD800) << 10) + (char32_t(u[1]) - 0xDC00)
                                       : u[0]);
    }
  if (!breaks.complete || breaks.zero || !composed) {
    // The piece goes on as units, decoded already: its zeros are spaces, and it is composed
    // later if it must be.
    WidenNarrowUnits(fNarrowBytes.data(), static_cast<int32_t>(units), fText.data() + c);
    KeepUtf8UnitsAfterCarried(b, consumed, units, base, breaks);
    return TBytesRead::AsUnits;
  }
  const size_t own_chars = std::min<size_t>(units, static_cast<size_t>(fRuns.CharAtOrAfter(base + own)));
  // The stretch where the cut is looked for is widened now: as many characters as the plain
  // ASCII road leaves there (one a byte), before the piece's own end, and the look-ahead.
  const size_t widened_from = own_chars > own - lazy ? own_chars - (own - lazy) : 0;
  WidenNarrowUnits(fNarrowBytes.data() + widened_from, static_cast<int32_t>(units - widened_from),
                   fText.data() + c + widened_from);
  KeepUtf8UnitsAfterCarried(b, consumed, units, base, breaks);
  fLazyTextEnd = static_cast<int32_t>(widened_from);
  fNarrowNew = fNarrowBytes.data();
  fNarrowMade = true;
  return TBytesRead::AsBytes;
}

const char16_t* TBufferProcessor::CodePageUnitsForBytes() const {
  if (fCodePageUnitsOf == fCodePage) return fCodePageUnits;
  fCodePageUnitsOf = fCodePage;
  fCodePageUnits = nullptr;
  const char16_t* units = SingleByteCodePageUnits(fCodePage);
  if (units == nullptr) return nullptr;
  for (int b = 0; b < 0x80; ++b)
    if (units[b] != b) return nullptr;
  if (RequiringPrecomposedCharacters)
    for (int b = 0x80; b < 0x100; ++b)
      if (!KeptByComposition(units[b])) return nullptr;
  fCodePageUnits = units;
  return units;
}

bool TBufferProcessor::ReadCodePageBytes(const uint8_t* b, size_t m, uint32_t base, size_t lazy, const char16_t* units) {
  const size_t c = fCarryText.size();
  ResizeZeroFilled(fText, c + m);
  char16_t* out = fText.data() + c;
  // The units beyond ASCII in place, 16 bytes looked at a time.
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= m; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) != 0) return false;
    for (unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v)); high != 0; high &= high - 1) {
      const size_t j = i + static_cast<size_t>(__builtin_ctz(high));
      out[j] = units[b[j]];
    }
  }
#endif
  for (; i < m; ++i) {
    if (b[i] == 0) return false;
    if (b[i] >= 0x80) out[i] = units[b[i]];
  }
  lazy = std::min(lazy, m);
  WidenNarrowUnits(b + lazy, static_cast<int32_t>(m - lazy), out + lazy);
  std::memcpy(fText.data(), fCarryText.data(), c * sizeof(char16_t));
  BufferDetails.encoding = static_cast<uint8_t>(TTextEncoding::CodePage);
  BufferDetails.code_page = fCodePage;
  fOffsetsFixedWidth = true;
  fOffsetsSparse = false;
  fFixedWidth = 1;
  fOffsetsBase = base;
  fLazyTextEnd = static_cast<int32_t>(lazy);
  fNarrowNew = b;
  fNarrowMade = true;
  fPrepBase = static_cast<int32_t>(c);
  return true;
}

bool TBufferProcessor::ComposedAlready() const {
  // Below U+0300 every character is composed already and none combines with the next.
  const UStringView t = UStringView(fText).substr(static_cast<size_t>(fPrepBase));
  bool low = true;
  for (const char16_t c : t)
    if (c >= 0x300) {
      low = false;
      break;
    }
  return low || IsComposedNFC(t);
}

// Gives every character its own offset entry (for steps that move characters).
void TBufferProcessor::ReserveOffsets(size_t n) {
  // Room for a whole chunk the first time, so that the vectors the chunks pass round never grow.
  const size_t want = std::max(n, fText.capacity() + 1);
  if (fOffsets.capacity() < want) fOffsets.reserve(want);
}

void TBufferProcessor::MaterialiseOffsets() {
  const size_t n = fText.size();
  if (fOffsetsSparse) {
    ReserveOffsets(n + 1);
    fOffsets.resize(n + 1);
    fRuns.Expand(n, fOffsets.data());
    fOffsetsSparse = false;
    return;
  }
  if (!fOffsetsFixedWidth) return;
  ReserveOffsets(n + 1);
  fOffsets.resize(n + 1);
  for (size_t i = 0; i <= n; ++i) fOffsets[i] = fOffsetsBase + static_cast<uint32_t>(i * fFixedWidth);
  fOffsetsFixedWidth = false;
}

void TBufferProcessor::ReplaceEntities() {
  const size_t n = fText.size();
  if (std::find(fText.begin(), fText.end(), u'&') == fText.end()) return;
  MaterialiseOffsets();
  const uint32_t end = fOffsets[n];
  const size_t w = DecodeHtmlEntitiesInPlace(fText.data(), n, EntityTable(), fOffsets.data());
  ResizeZeroFilled(fText, w);
  fOffsets.resize(w + 1);
  fOffsets[w] = end;
  // A bracket written as an entity ("&lt;") is text, not mark-up: noted here and flagged once the
  // chunk is classified. Its bytes give it away: an entity takes more than two.
  const TIgnore_tag_type brackets = fTextSettings.UnwantedTags();
  auto is_bracket = [&brackets](char16_t c) {
    if (c == u'<' || c == u'>') return true;
    for (int i = 0; i < 6; ++i)
      if ((brackets.openers[i] != 0 && c == brackets.openers[i]) || (brackets.closers[i] != 0 && c == brackets.closers[i]))
        return true;
    return false;
  };
  for (size_t i = 0; i < w; ++i)
    if (is_bracket(fText[i]) && fOffsets[i + 1] - fOffsets[i] > 2) fLiteralBrackets.push_back(static_cast<int32_t>(i));
}

void TBufferProcessor::ComposeChunk() {
  MaterialiseOffsets();
  // Composition never reaches back over an ASCII character, so the text is composed in pieces
  // that each start at one; within a piece that changed, each composed character takes the
  // offset of the first character it was made from.
  const size_t n = fText.size();
  // Made in the buffers of the last chunk composed, which then change places with the chunk's.
  UString& out = fComposedText;
  std::vector<uint32_t>& offs = fComposedOffsets;
  out.clear();
  offs.clear();
  // As much room as the chunk's own buffers, which the next chunk fills again after the swap.
  out.reserve(std::max(n, fText.capacity()));
  offs.reserve(std::max(n + 1, fOffsets.capacity()));
  size_t s = 0;
  while (s < n) {
    size_t e = s + 1;
    while (e < n && fText[e] >= 0x80) ++e;
    const UStringView piece(fText.data() + s, e - s);
    bool plain = true;
    for (char16_t c : piece) plain = plain && c < 0x80;
    UString& composed = fComposedPiece;
    if (!plain) ComposeNFCInto(piece, composed);
    if (plain || UStringView(composed) == piece) {
      out.append(piece);
      offs.insert(offs.end(), fOffsets.begin() + static_cast<std::ptrdiff_t>(s),
                  fOffsets.begin() + static_cast<std::ptrdiff_t>(e));
    } else {
      size_t t = 0;
      for (size_t j = 0; j < composed.size(); ++j) {
        const size_t at = std::min(t, piece.size() - 1);
        out.push_back(composed[j]);
        offs.push_back(fOffsets[s + at]);
        if (t < piece.size() && composed[j] == piece[t]) {
          ++t;
          continue;
        }
        // A composed character: pass over what it was made of, up to the next character kept.
        ++t;
        const char16_t next = j + 1 < composed.size() ? composed[j + 1] : 0;
        size_t look = t;
        while (look < piece.size() && look - t < 32 && piece[look] != next) ++look;
        if (look < piece.size() && piece[look] == next) t = look;
      }
    }
    s = e;
  }
  offs.push_back(fOffsets[n]);
  fText.swap(out);
  fOffsets.swap(offs);
}

int32_t TBufferProcessor::CutAtBoundary(int32_t n) {
  if (n < 2) return n;
  const char16_t* t = fText.data() + fPrepBase;
  const int32_t lowest = std::max<int32_t>(1, n - kBoundarySearchChars);
  const TIgnore_tag_type brackets = fTextSettings.UnwantedTags();
  auto is_one_of = [](char16_t c, char16_t plain, const char16_t (&more)[6]) {
    if (c == plain) return true;
    for (char16_t m : more)
      if (m != 0 && c == m) return true;
    return false;
  };
  // A tag opens before i and is not closed by it: the tag's halves would go to two chunks and
  // neither would be read as a tag.
  const int32_t span = ftag_clearing_max > 0 ? ftag_clearing_max : 1000;
  // Whether the nearest bracket before i opens a tag less than `span` characters back (the
  // brackets from lowest - span on are looked at). Mostly the first place asked about is the
  // cut, so each is looked back from alone; after a few dozen places the nearest bracket before
  // every character is found in one pass instead, so that no chunk costs more than that pass.
  std::vector<int32_t> opener_before;  // -1: the nearest bracket closes a tag, or there is none
  int32_t asked = 0;
  auto inside_tag = [&](int32_t i) {
    if (opener_before.empty() && ++asked <= 32) {
      const int32_t stop = std::max({0, lowest - span, i - span + 1});
      for (int32_t j = i - 1; j >= stop; --j) {
        if (is_one_of(t[j], u'>', brackets.closers)) return false;
        if (is_one_of(t[j], u'<', brackets.openers)) return true;
      }
      return false;
    }
    if (opener_before.empty()) {
      opener_before.resize(static_cast<size_t>(n - lowest));
      int32_t opener = -1;
      for (int32_t j = std::max<int32_t>(0, lowest - span); j < n; ++j) {
        if (j >= lowest) opener_before[static_cast<size_t>(j - lowest)] = opener;
        if (is_one_of(t[j], u'>', brackets.closers)) opener = -1;
        else if (is_one_of(t[j], u'<', brackets.openers)) opener = j;
      }
    }
    const int32_t o = opener_before[static_cast<size_t>(i - lowest)];
    return o >= 0 && i - o < span;
  };
  // A character that is never part of a word (text without line ends or blanks, such as Chinese).
  auto separates_words = [&](char16_t c) {
    if (IsHighSurrogate(c) || IsLowSurrogate(c) || c == u'.' || c == u',' || IsHyphenChar(c)) return false;
    if (wide_allowables.find(c) != UString::npos) return false;
    const uint16_t k = CharKindOf(c);
    // A joiner or variation selector belongs to the word before it: never cut just before one.
    return k != 0 && k != KIND_INVISIBLE && (k & (C1_ALPHA | C1_DIGIT)) == 0;
  };
  auto last = [&](auto&& boundary, bool outside_tags) {
    for (int32_t i = n - 1; i >= lowest; --i)
      if (boundary(t[i]) && !(outside_tags && inside_tag(i))) return i;
    return int32_t(-1);
  };
  auto control = [](char16_t c) { return c <= 31; };
  auto blank = [](char16_t c) { return c <= 32; };
  // A line end, else a blank, else another character between words, outside tags; then a line
  // end or blank even inside a tag; else one character is carried over.
  int32_t p = last(control, true);
  if (p < 0) p = last(blank, true);
  if (p < 0) p = last(separates_words, true);
  if (p < 0) p = last(control, false);
  if (p < 0) p = last(blank, false);
  if (p < 0) p = n - 1;
  // A span to exclude that opens before the cut and closes after it would be excluded in neither
  // chunk: the cut moves to its opening tag when that lies within reach.
  if (fTagHandler && Removing_unwanted_TagFile_Tags && p > lowest) {
    const UStringView reach(t + lowest, static_cast<size_t>(p - lowest));
    int32_t earliest = p;
    for (const TextTagRec& tag : fTagHandler->ArrayOfTagFileExcludeTags) {
      if (!tag.searchable || tag.compare_stringW.empty() || tag.compare_string_restW.empty()) continue;
      const size_t o = reach.rfind(tag.compare_stringW);
      if (o == UStringView::npos) continue;
      if (reach.find(tag.compare_string_restW, o + tag.compare_stringW.size()) != UStringView::npos) continue;
      earliest = std::min(earliest, lowest + static_cast<int32_t>(o));
    }
    p = earliest;
  }
  // Sentence punctuation just before the cut goes with the next chunk, where what follows it
  // (a capital or not) can be seen.
  int32_t q = p;
  bool punctuation = false;
  while (q > lowest && (t[q - 1] <= 32 || IsSentencePunctuation(t[q - 1]))) {
    punctuation = punctuation || t[q - 1] > 32;
    --q;
  }
  if (punctuation) {
    while (t[q] <= 32) ++q;  // from the punctuation on
    p = q;
  }
  // Never between the two units of a pair, nor between characters made from the same bytes.
  if (IsLowSurrogate(t[p]) && p > 1 && IsHighSurrogate(t[p - 1])) --p;
  if (fOffsetsSparse) {
    while (p > 1 && fRuns.OffsetOf(p) == fRuns.OffsetOf(p - 1)) --p;
  } else if (!fOffsetsFixedWidth) {
    while (p > 1 && fOffsets[static_cast<size_t>(p)] == fOffsets[static_cast<size_t>(p - 1)]) --p;
  }
  return p;
}

bool TBufferProcessor::PrepareTheChunk(int32_t chunk_index) {
  // Once a chunk of a text held bytes beyond ASCII, the next are checked before they are left to
  // the pass: real prose holds a few such bytes in every chunk.
  if (chunk_index == 0) fBeyondAsciiSeen = fDenseBeyondAscii = false;
  if (PrepareTheChunkOnce(chunk_index, !fBeyondAsciiSeen)) return true;
  // Bytes the pass was to check were not plain ASCII: the chunk is decoded afresh, from where it
  // was loaded.
  fBeyondAsciiSeen = true;
  fStream->Last_chunk_ended_at = fStream->fGetChunkFrom + fStream->fReadThisChunk;
  return PrepareTheChunkOnce(chunk_index, false);
}

bool TBufferProcessor::PrepareTheChunkOnce(int32_t chunk_index, bool narrow_allowed) {
  const uint8_t* bytes = fStream->ChunkBytes();
  const int64_t n = fStream->fReadThisChunk;
  const int64_t chunk_start = fStream->fGetChunkFrom;
  const int64_t size = FileHandledInfo.file_size;
  BufferDetails.chunk_index = chunk_index;
  BufferDetails.chunk_start = 0;
  const int64_t ahead = fStream->fReadAhead;
  fLiteralBrackets.clear();
  if (fText.capacity() < size_t(n + ahead) + kCarriedCharsMax) fText.reserve(size_t(n + ahead) + kCarriedCharsMax);
  if (chunk_index == 0 || !fEncodingKnown) DetectEncoding(bytes, n);
  if (chunk_index == 0 && FileHandledInfo.utf8_signature) AskAboutUtf8();

  // Where the text proper begins in this piece: after a byte-order mark or signature, and in a
  // window read from the middle of a UTF-8 text, after the tail of a sequence.
  int64_t skip = 0;
  if (chunk_start < FileSignatureBytes) skip = std::min<int64_t>(n, FileSignatureBytes - chunk_start);
  if (!fStream->the_lot && chunk_start > 0 && fEncoding == TTextEncoding::Utf8)
    while (skip < n && skip < 3 && (bytes[skip] & 0xC0) == 0x80) ++skip;

  const bool reading_on = fStream->the_lot && fStream->Last_chunk_ended_at < size;
  // The look-ahead's bytes are decoded with the chunk's; the cut is looked for among the
  // characters of the chunk's own bytes, as without them.
  // A piece of a UTF-8 text goes straight after the characters carried over, which then need
  // not be moved in front of it: widened when it is plain ASCII, else decoded when it is
  // well-formed; the steps up to the join read the new characters from fPrepBase on. Any other
  // piece (and the full road) is decoded alone first.
  fPrepBase = 0;
  fNarrowNew = nullptr;
  fNarrowMade = false;
  fLazyTextEnd = 0;
  const int64_t decode_n = n + (reading_on ? ahead : 0);
  const bool more_follows = reading_on && chunk_start + n + ahead < size;
  const bool after_carried = FastFirstPassOn() && fReadTheWholeFile && chunk_index > 0 && fEncodingKnown &&
                             fEncoding == TTextEncoding::Utf8 && !FileHandledInfo.is_html && !fCarryText.empty() &&
                             decode_n > skip;
  bool not_utf8 = false;  // reading the piece as bytes found it is not well-formed UTF-8
  if (after_carried) {
    const size_t c = fCarryText.size(), m = static_cast<size_t>(decode_n - skip);
    ResizeZeroFilled(fText, c + m);  // only what the last chunk did not fill is cleared
    // For a tool that reads the kinds on demand, the text is widened on demand as well, but for
    // the stretch where the cut is looked for (and the look-ahead after it): the fast pass reads
    // the bytes. Should the pass not judge the chunk, the rest is widened before the full road.
    const size_t lazy = static_cast<size_t>(BytesLeftUnwidened(chunk_index, chunk_start, n));
    // Once the text held characters beyond ASCII, the piece is read as one byte a character,
    // whatever it holds; so is one whose bytes turn out not to be plain ASCII.
    const bool as_bytes = lazy > 0 && fEightBitDecided && !fDenseBeyondAscii;
    // The bytes left unwidened are checked by the pass as it judges them (a byte of 0x80 or
    // above, or a zero, stops it); should they not be plain ASCII, the chunk is prepared again
    // (read as bytes, or decoded).
    if (as_bytes && !narrow_allowed) {
      not_utf8 = DecodeUtf8Narrow(bytes + skip, m, static_cast<uint32_t>(skip), more_follows, static_cast<size_t>(n - skip),
                                  lazy) == TBytesRead::NotUtf8;
    } else if (lazy > 0 ? (narrow_allowed || PlainAscii(bytes + skip, lazy)) &&
                       WidenPlainAscii(bytes + skip + lazy, m - lazy, fText.data() + c + lazy)
                 : WidenPlainAscii(bytes + skip, m, fText.data() + c)) {
      fLazyTextEnd = static_cast<int32_t>(lazy);
      std::memcpy(fText.data(), fCarryText.data(), c * sizeof(char16_t));
      BufferDetails.encoding = static_cast<uint8_t>(TTextEncoding::Utf8);
      BufferDetails.code_page = 0;
      fOffsetsFixedWidth = true;
      fOffsetsSparse = false;
      fFixedWidth = 1;
      fOffsetsBase = static_cast<uint32_t>(skip);
      fPrepBase = static_cast<int32_t>(c);
      fNarrowNew = bytes + skip;
    } else if (as_bytes) {
      const TBytesRead read =
          DecodeUtf8Narrow(bytes + skip, m, static_cast<uint32_t>(skip), more_follows, static_cast<size_t>(n - skip), lazy);
      if (read == TBytesRead::AsBytes) fBeyondAsciiSeen = true;
      not_utf8 = read == TBytesRead::NotUtf8;
    }
  }
  // A piece of an 8-bit text read for such a tool is read as its bytes where they lie, as plain
  // ASCII is (BytesLeftUnwidened says whether).
  if (fEncoding == TTextEncoding::CodePage && decode_n > skip) {
    const size_t lazy = static_cast<size_t>(BytesLeftUnwidened(chunk_index, chunk_start, n));
    if (lazy > 0)
      ReadCodePageBytes(bytes + skip, static_cast<size_t>(decode_n - skip), static_cast<uint32_t>(skip), lazy,
                        CodePageUnitsForBytes());
  }
  // A piece beyond plain ASCII is decoded after the carried characters in the same way, its
  // bytes read where they lie.
  bool not_strict = false;
  if (fPrepBase == 0 && after_carried && fEightBitDecided)
    not_strict = not_utf8 || !DecodeUtf8AfterCarried(bytes + skip, static_cast<size_t>(decode_n - skip),
                                         static_cast<uint32_t>(skip), more_follows);
  // Decoded after the carried characters, the new ones hold no zero any longer.
  const bool zeros_spaced = fPrepBase > 0;
  if (fPrepBase == 0) {
    // The decoders read the padding after the bytes.
    if (fStream->Mapped()) {
      fStream->CopyMappedChunk();
      bytes = fStream->ChunkBytes();
    }
    DecodeChunk(bytes, decode_n, skip, more_follows, not_strict);
  }

  if (chunk_index == 0 && fText.size() >= 6 && fText[0] == u'<' && (fText[1] | 0x20) == u'h' &&
      (fText[2] | 0x20) == u't' && (fText[3] | 0x20) == u'm' && (fText[4] | 0x20) == u'l' && fText[5] == u'>') {
    FileHandledInfo.is_html = 1;
    FileHandledInfo.unicode_content = 1;
  }
  // Plain ASCII widened in place has nothing to compose, nor has a piece read as bytes (it would
  // not be read so). New characters to compose after the carried ones are composed alone (and
  // joined to them later), as on the full road.
  if (RequiringPrecomposedCharacters && fNarrowNew == nullptr && !ComposedAlready()) {
    if (fPrepBase > 0) fText.erase(0, static_cast<size_t>(std::exchange(fPrepBase, 0)));
    ComposeChunk();
  }
  if (!FileHandledInfo.is_unicode) FileHandledInfo.converted_to_unicode = 1;
  if (FileHandledInfo.is_html) ReplaceEntities();
  if (fTagHandler) fTagHandler->fUse_Unicode = true;
  if (chunk_index == 0 && OnChangeUnicodeSettingTo) OnChangeUnicodeSettingTo(true);

  // Zero characters inside the text are spaces (an 8-bit text holds one only where its bytes do).
  // (Bytes widened in place hold none.)
  const int64_t decoded_bytes = n + (reading_on ? ahead : 0);
  if (!zeros_spaced && (FileHandledInfo.is_unicode ||
                        std::memchr(bytes + skip, 0, static_cast<size_t>(std::max<int64_t>(0, decoded_bytes - skip)))))
    ZerosToSpaces(fText.data() + fPrepBase, fText.size() - static_cast<size_t>(fPrepBase));

  const size_t base = static_cast<size_t>(fPrepBase);
  const int32_t decoded = static_cast<int32_t>(std::min<size_t>(fText.size() - base, INT32_MAX - kLookAheadCharsMax));
  int32_t len = decoded, look_ahead = 0;
  if (reading_on) {
    len = std::min(decoded, CharactersBelowByte(n));
    len = CutAtBoundary(len);
    look_ahead = std::min(decoded - len, std::clamp<int32_t>(LookAheadWanted, 0, kLookAheadCharsMax));
    // Never half a pair at its end.
    if (look_ahead > 0 && IsHighSurrogate(fText[base + static_cast<size_t>(len + look_ahead - 1)])) --look_ahead;
  }
  ResizeZeroFilled(fText, base + static_cast<size_t>(len + look_ahead));

  const int64_t first_byte = chunk_start;
  if (fOffsetsFixedWidth) {
    fByteMap.SetFixedWidth(first_byte + fOffsetsBase, fFixedWidth);
  } else if (fOffsetsSparse) {
    fRuns.Truncate(static_cast<size_t>(len + look_ahead));
    fByteMap.TakeRuns(first_byte, fRuns);
  } else {
    fOffsets.resize(static_cast<size_t>(len + look_ahead) + 1);
    // The map hands back the last chunk's vector: the next chunk sizes and fills it again.
    fByteMap.TakeOffsets(first_byte, fOffsets);
  }
  // The next piece starts at the first character not kept (the boundary character); the last
  // piece ends where the text ends.
  fStream->Last_chunk_ended_at = reading_on ? fByteMap.FileByteOf(len) : chunk_start + n;
  if (fStream->Last_chunk_ended_at <= chunk_start && reading_on) fStream->Last_chunk_ended_at = chunk_start + n;

  BufferDetails.length_in_chars = len;
  BufferDetails.look_ahead = look_ahead;
  BufferDetails.chunk_file_offset = fByteMap.FileByteOf(0);
  BufferDetails.chunk_file_end = fStream->Last_chunk_ended_at;
  BufferDetails.file_size = size;
  BufferDetails.last_chunk = fStream->Last_chunk_ended_at >= size;
  KnownBytePosition = BufferDetails.chunk_file_offset;
  // The carried characters go before the new ones before anything is classified or handled:
  // the passes over the new characters look back at them (a full stop after a single capital
  // at the cut), and the kinds are written once, in place.
  if (fReadTheWholeFile) JoinCarriedCharacters();
  if (!ClassifyTheChunk()) return false;
  const int32_t c = ChunkStartIndex();
  for (const int32_t i : fLiteralBrackets)
    if (i < len + look_ahead) fwchar_kinds[static_cast<size_t>(i + c)] |= kFlagLiteral;
  return true;
}

int32_t TBufferProcessor::CharactersBelowByte(int64_t bytes) const {
  const int32_t n = static_cast<int32_t>(std::min<size_t>(fText.size() - static_cast<size_t>(fPrepBase), INT32_MAX));
  if (fOffsetsFixedWidth) {
    const int64_t k = std::max<int64_t>(0, bytes - fOffsetsBase) / std::max(1, fFixedWidth);
    return static_cast<int32_t>(std::min<int64_t>(n, k));
  }
  if (fOffsetsSparse) return static_cast<int32_t>(std::min<int64_t>(n, fRuns.CharAtOrAfter(bytes)));
  const auto end = fOffsets.begin() + std::min<std::ptrdiff_t>(n, static_cast<std::ptrdiff_t>(fOffsets.size()));
  return static_cast<int32_t>(std::lower_bound(fOffsets.begin(), end, static_cast<uint32_t>(bytes)) - fOffsets.begin());
}

bool TBufferProcessor::ClassifyTheChunk() {
  const size_t n = fText.size();
  // As much room as the text has (its bytes decide it), up to a whole chunk with its carried
  // characters and look-ahead: memory stays at a chunk, and the kinds move to a larger block as
  // seldom as the text does, not each time a cut leaves a few characters more than any chunk
  // before (each move faulted in megabytes afresh). What they held is not moved along: every
  // kind is written again below.
  // The carried characters keep the kinds they were given with the last chunk.
  const size_t c = std::min(n, static_cast<size_t>(ChunkStartIndex()));
  const size_t most = static_cast<size_t>(kTextChunkBytes) + 2 + kCarriedCharsMax +
                      static_cast<size_t>(std::clamp<int32_t>(LookAheadWanted, 0, kLookAheadCharsMax));
  const size_t room = std::max(n - c + 2 + kCarriedCharsMax, std::min(fText.capacity() + 2, most));
  if (fwchar_kinds.capacity() < n - c + 2 + kCarriedCharsMax) {
    TWorkVector<uint16_t>().swap(fwchar_kinds);
    fwchar_kinds.reserve(room);
  }
  // Grown unfilled: the new characters' kinds are all written below, or on demand before anything
  // reads them (MarkingUnwritten gives them a kind no step gives first).
  fwchar_kinds.resize(n + 2);
  if (MarkingUnwritten())
    std::fill(fwchar_kinds.begin() + static_cast<std::ptrdiff_t>(c), fwchar_kinds.begin() + static_cast<std::ptrdiff_t>(n),
              kUnwrittenKindMark);
  if (c > 0) std::copy(fCarryKinds.begin(), fCarryKinds.begin() + static_cast<std::ptrdiff_t>(c), fwchar_kinds.begin());
  fwchar_kinds[n] = 0;
  fwchar_kinds[n + 1] = 0;
  if (BufferDetails.chunk_index == 0) SetUpFastPass();
  // The fast pass judges the chunk whole or not at all: the steps it cannot take here (a header
  // to cut, an excluded span left open, brackets written as entities) need the full road.
  fFastChunk = false;
  const char* why_not = !fFastRules.usable                                        ? "the text's settings"
                        : !fLiteralBrackets.empty()                                ? "brackets written as entities"
                        : BufferDetails.chunk_index == 0 && Cutting_Header         ? "a header to cut"
                        : fTagHandler && fTagHandler->ExcludedSpanOpen()           ? "an excluded stretch open"
                                                                                   : nullptr;
  fFastResult.stopped_in_block = -1;
  if (why_not == nullptr && FastFirstPassOn()) {
    const bool cut_at_end = fReadTheWholeFile && !IsLastChunk();
    fFastChunk = FastFirstPass(fText.data(), fwchar_kinds.data(), static_cast<int32_t>(c), static_cast<int32_t>(n),
                               cut_at_end ? Length() : INT32_MAX, fFastRules, BestVectorPath(), fFastResult,
                               fKindsOnDemand, fNarrowNew, fLazyTextEnd > 0, fNarrowMade);
  }
  if (!fFastChunk) {
    // The pass stopped (or did not run) before it had checked the bytes left unwidened.
    if (fLazyTextEnd > 0 && !fNarrowMade && !PlainAscii(fNarrowNew, static_cast<size_t>(fLazyTextEnd))) return false;
    WidenLazyText(static_cast<int32_t>(c));
    ClassifyChars(fText.data() + c, n - c, fwchar_kinds.data() + c);
  }
  if (FastFirstPassOn()) NoteRoad(why_not);
  return true;
}

namespace {

struct TRoadTally {
  std::atomic<int64_t> chunks{0}, judged{0}, as_bytes{0}, blocks{0}, blocks_beyond_ascii{0}, blocks_alone{0};
  std::mutex lock;
  std::map<std::string, int64_t> reasons;
};

TRoadTally& RoadTally() {
  static TRoadTally tally;
  return tally;
}

// What in block [from, from + 64) of text kept the pass from judging it: its first unit that is a
// zero, a stop of the settings (beyond ASCII too), a hyphen or an invisible character.
std::string StopInBlock(const UString& text, int32_t from, const TFastPassRules& rules) {
  const int32_t end = std::min<int32_t>(from + 64, static_cast<int32_t>(text.size()));
  auto named = [](char16_t u, const char* what) {
    char code[48];
    std::snprintf(code, sizeof code, "U+%04X (%s)", static_cast<unsigned>(u), what);
    return std::string(code);
  };
  for (int32_t i = std::max(0, from); i < end; ++i) {
    const char16_t u = text[static_cast<size_t>(i)];
    if (u == 0) return "a zero";
    if (u < 128) {
      if (rules.stops[u]) return named(u, "a stop");
      continue;
    }
    if (std::binary_search(rules.wide_stops.begin(), rules.wide_stops.end(), u)) return named(u, "a stop");
    if (IsHyphenChar(u)) return named(u, "a hyphen");
    const uint16_t k = CharKindOf(u);
    if (k == KIND_INVISIBLE || k >= kKindHidden) return named(u, "invisible");
  }
  return "a unit judged by its neighbours";
}

}  // namespace

TRoadShare RoadShare() {
  TRoadTally& t = RoadTally();
  TRoadShare r;
  r.chunks = t.chunks;
  r.judged = t.judged;
  r.as_bytes = t.as_bytes;
  r.blocks = t.blocks;
  r.blocks_beyond_ascii = t.blocks_beyond_ascii;
  r.blocks_alone = t.blocks_alone;
  std::lock_guard<std::mutex> hold(t.lock);
  r.reasons.assign(t.reasons.begin(), t.reasons.end());
  std::stable_sort(r.reasons.begin(), r.reasons.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  return r;
}

void TBufferProcessor::NoteRoad(const char* why_not) {
  TRoadTally& t = RoadTally();
  t.chunks.fetch_add(1, std::memory_order_relaxed);
  if (fNarrowNew != nullptr) t.as_bytes.fetch_add(1, std::memory_order_relaxed);
  if (fFastChunk) {
    t.judged.fetch_add(1, std::memory_order_relaxed);
    const TFastPassResult& f = fFastResult;
    int64_t wide = 0;
    if (!f.all_ascii)
      for (const uint64_t w : f.wide_blocks) wide += std::popcount(w);
    t.blocks.fetch_add(static_cast<int64_t>(f.word_masks.size()), std::memory_order_relaxed);
    t.blocks_beyond_ascii.fetch_add(wide, std::memory_order_relaxed);
    t.blocks_alone.fetch_add(f.blocks_alone, std::memory_order_relaxed);
    return;
  }
  const std::string why = why_not != nullptr                 ? why_not
                          : fFastResult.stopped_in_block >= 0 ? StopInBlock(fText, fFastResult.stopped_in_block, fFastRules)
                                                              : "tags or marks the pass leaves alone";
  std::lock_guard<std::mutex> hold(t.lock);
  ++t.reasons[why];
}

void TBufferProcessor::WidenLazyText(int32_t at) {
  if (fLazyTextEnd <= 0) return;
  WidenNarrowUnits(fNarrowNew, fLazyTextEnd, fText.data() + at);
  fLazyTextEnd = 0;
}

void TBufferProcessor::EnsureKinds(int32_t from, int32_t to) {
  if (!fFastChunk || !fFastResult.kinds_pending) return;
  MakeFastPassKinds(fText.data(), fwchar_kinds.data(), from, to, fFastRules, BestVectorPath(), fFastResult,
                    fLazyTextEnd > 0 ? fNarrowNew : nullptr);
}

void TBufferProcessor::EnsureText(int32_t from, int32_t to) {
  if (!fFastChunk || fLazyTextEnd <= 0) return;
  MakeFastPassText(fText.data(), from, to, fFastRules, fFastResult, fNarrowNew);
}

void AddSentenceMarksBeyondAscii(TFastPassRules& r) {
  static const std::pair<std::vector<char16_t>, std::vector<char16_t>> kWideMarks = [] {
    std::pair<std::vector<char16_t>, std::vector<char16_t>> m;  // stops, marks judged as "?" is
    for (uint32_t c = 128; c < 0x10000; ++c) {
      const int kind = SentenceMarkKind(c);
      if (kind == 0) continue;
      (kind == 1 && c != 0x2026 ? m.first : m.second).push_back(static_cast<char16_t>(c));
    }
    return m;
  }();
  for (const char16_t ch : kWideMarks.first) r.AddStop(ch);
  r.wide_sentence_marks = kWideMarks.second;
}

void TBufferProcessor::SetUpFastPass() {
  TFastPassRules& r = fFastRules;
  r = TFastPassRules{};
  r.usable = !fHandlingOnlyPartsOfTexts && !Clearing_All_Control_Chars && !Clearing_Excess_Spaces;
  const Tfixed_lang_details32 lang = fTextSettings.Language();
  for (const char16_t ch : wide_allowables) {
    if (ch >= 128) {  // the pass joins only ASCII symbols into words
      r.AddStop(ch);
      continue;
    }
    r.symbols[ch] = true;
    r.any_symbols = true;
  }
  r.symbols_at_start = lang.SymbolsAtWordStart();
  r.symbols_at_end = lang.SymbolsAtWordEnd();
  r.hyphens_separate_words = lang.HyphenBreaksWord();
  // Whatever could start mark-up, an entity, a marker or a unit tag stops the pass. Tags in
  // angle brackets that are only hidden the pass hides itself, unless some other step looks for
  // a bracket or the code that marks one.
  bool brackets_looked_for = false;
  auto stop = [&](char16_t ch) {
    if (ch == u'<' || ch == u'>' || ch == kTagOnCode || ch == kTagOffCode) brackets_looked_for = true;
    r.AddStop(ch);
  };
  // "&" starts nothing for the steps unless entities are translated, when each one's form adds
  // its first character below.
  for (const char16_t ch : {kTagOnCode, kTagOffCode}) r.AddStop(ch);
  const TIgnore_tag_type hidden = fTextSettings.UnwantedTags();
  bool hides_angle_tags = false;
  for (int i = 0; i < 6; ++i) {
    if (hidden.openers[i] == u'<' && hidden.closers[i] == u'>') {
      hides_angle_tags = true;
      continue;
    }
    if (hidden.openers[i] != 0) stop(hidden.openers[i]);
    if (hidden.closers[i] != 0) stop(hidden.closers[i]);
  }
  if (!fClusterTag.empty()) stop(fClusterTag[0]);
  if (r.symbols[u'<'] || r.symbols[u'>']) brackets_looked_for = true;
  if (TTextTagHandler* tags = fTagHandler) {
    // Tags to keep or exclude are looked for only where there are some.
    for (size_t op = 0; op < tags->ftag_starter_chars.size(); ++op) {
      if (tags->FirstArrayOfTags[op].empty()) continue;
      for (const char16_t ch : tags->ftag_starter_chars[op]) {
        if (ch >= 128) r.usable = false;  // such a tag may be looked for in any chunk
        stop(ch);
      }
    }
    for (const TextMarkerTagrec& m : tags->ArrayOfTextMarkers) {
      if (m.tag.empty()) continue;
      if (m.tag[0] >= 27 && m.tag[0] <= 30) r.usable = false;  // a wildcard may start anywhere
      stop(m.tag[0]);
    }
    if (Translating_Tags)
      for (const TTranslateTagRec& e : tags->ArrayOfTranslationTagfileTags)
        if (!e.long_form.empty()) stop(e.long_form[0]);
    constexpr size_t kSentenceEnds = TTextsett_rec32::kSentenceEndMarker - TTextsett_rec32::kFirstMarker;
    r.sentence_ends = fMarking_Text_Elements && tags->ArrayOfTextMarkers[kSentenceEnds].auto_process;
    r.blank_mid_word_marks = Removing_Punctuation;
  }
  if (r.sentence_ends) AddSentenceMarksBeyondAscii(r);
  // The reader blanks hidden tags (Removing_IgnoreTags) rather than marking them.
  r.tag_span = ftag_clearing_max > 0 ? ftag_clearing_max : settings_defaults::kIgnoreTagsSpan;
  r.hide_tags = fTagHandler && Removing_IgnoreTags && hides_angle_tags && !brackets_looked_for && r.tag_span >= 64;
  r.tag_off_code_text = !brackets_looked_for;
  if (!r.hide_tags) {
    r.AddStop(u'<');
    r.AddStop(u'>');
  }
}

void TBufferProcessor::PreProcessFastChunk(int32_t chunk_index) {
  (void)chunk_index;
  // The kinds are final: what is left is the tag handler's bookkeeping of the markers found.
  if (TTextTagHandler* tags = fTagHandler) {
    if (fMarking_Text_Elements) {
      tags->ClearArrayOfTagsPresent();
      constexpr size_t kSentenceEnds = TTextsett_rec32::kSentenceEndMarker - TTextsett_rec32::kFirstMarker;
      if (fFastRules.sentence_ends) (*tags->ArrayOfTextMarkersFoundPtr)[kSentenceEnds] = fFastResult.sentence_ends;
    }
    tags->ReadAheadFrom = INT32_MAX;
  }
  if (OKToProcess()) {
    BufferDetails.has_media_tags = fTagHandler && fTagHandler->HasMediaTags;
    BufferDetails.has_section_tags = fTagHandler && fTagHandler->HasSectionTags;
  }
}

// --- pre-processing ----------------------------------------------------------------------------------

bool TBufferProcessor::TextSelected() const {
  const UStringView text(fText.data(), static_cast<size_t>(Length()));
  auto found = [&](int i) { return !ftext_select_atall_W[i].empty() && text.find(ftext_select_atall_W[i]) != UStringView::npos; };
  for (int i = 12; i < kTextSelectStrings; ++i)
    if (found(i)) return false;
  bool any_set = false, any_found = false;
  for (int g = 0; g < 4; ++g) {
    bool group_set = false, group_found = false;
    for (int k = 0; k < 3; ++k) {
      const int i = 3 * g + k;
      if (ftext_select_atall_W[i].empty()) continue;
      group_set = true;
      if (found(i)) group_found = true;
    }
    if (group_set && !group_found) return false;
    any_set = any_set || group_set;
    any_found = any_found || group_found;
  }
  return !any_set || any_found;
}

void TBufferProcessor::CutTheHeader() {
  const std::vector<UString> markers = SplitMarkers(End_Of_Header);
  if (markers.empty() || fText.empty()) return;
  const TLCID lcid = static_cast<TLCID>(fTextSettings.LCID());
  const UString upper = UpperCaseU(UStringView(fText.data(), static_cast<size_t>(Length())), lcid);
  for (const UString& m : markers) {
    const size_t at = upper.find(UpperCaseU(m, lcid));
    if (at == UString::npos) continue;
    const int32_t last = static_cast<int32_t>(at + m.size() - 1);
    fHeaderLengthInChars = last + 1;
    BlankOutAndHide(fText.data(), true, fwchar_kinds.data(), 0, fHeaderLengthInChars);
    fRun->NoteHeaderCut();
    Log(u"Header cut at " + IntToUStr(fHeaderLengthInChars) + u" characters (" + m + u")");
    return;
  }
}

void TBufferProcessor::MarkMultiWordUnits() {
  const UString& on = fClusterTag;
  const UString off = SameTagButSwitchedOff(on);
  if (on.empty() || off.empty()) return;
  const UStringView text(fText.data(), fText.size());
  const size_t reach = ftag_clearing_max > 0 ? static_cast<size_t>(ftag_clearing_max) : 1000;
  uint16_t* k = fwchar_kinds.data();
  size_t from = static_cast<size_t>(ChunkStartIndex());  // the carried characters are marked already
  while (from < text.size()) {
    const size_t a = text.find(on, from);
    if (a == UStringView::npos) break;
    const size_t inner = a + on.size();
    const size_t b = text.find(off, inner);
    if (b == UStringView::npos) break;
    if (b + off.size() - a > reach) {
      from = a + 1;
      continue;
    }
    for (size_t i = inner; i < b; ++i)
      if (k[i] < KIND_HIDDEN && !(k[i] & C1_ALPHA)) k[i] = C1_DEFINED | C1_ALPHA | C1_LOWER;
    from = b + off.size();
  }
}

bool TBufferProcessor::PreProcessTheChunk(int32_t chunk_index) {
  fHeaderLengthInChars = 0;
  // The passes handle the new characters and the look-ahead, [c, all); the carried ones before
  // c were handled with the last chunk. The tag handler is told where the look-ahead begins in
  // what each pass is handed.
  const int32_t c = ChunkStartIndex();
  int32_t n = Length();
  int32_t all = n + LookAheadLength();
  char16_t* text = fText.data();
  uint16_t* kinds = fwchar_kinds.data();
  if (chunk_index == 0 && fCheckingBetween) FileHandledInfo.excluded = !TextSelected();
  if (FileHandledInfo.excluded) return true;
  if (fFastChunk) {
    PreProcessFastChunk(chunk_index);
    return true;
  }
  TTextTagHandler* tags = fTagHandler;
  // Whether the new characters and look-ahead hold any tag bracket: without one, no tag pass can
  // find anything.
  const bool any_tag = tags && HoldsTagCharacters(*tags, fTextSettings.UnwantedTags(), text + c, all - c);
  // The last chunk, and a window read alone, have no cut: nothing carries on from them.
  const bool cut_at_end = fReadTheWholeFile && !IsLastChunk();
  auto from_new = [&]() { tags->ReadAheadFrom = cut_at_end ? n - c : INT32_MAX; };
  auto from_start = [&]() { tags->ReadAheadFrom = cut_at_end ? n : INT32_MAX; };
  if (fHandlingOnlyPartsOfTexts && tags) {
    from_new();
    tags->HandleOnlyPartsOfText(text + c, kinds + c, all - c);
  }
  if (Cutting_Header && chunk_index == 0) CutTheHeader();
  const TChunkByteMap* map = &fByteMap;
  // Spans to exclude go before the text markers are looked for: what they hold is no text, so
  // it neither marks units nor decides whether a full stop before it ends a sentence. A span
  // left open at the last cut is closed here whether or not this chunk holds a bracket (a text's
  // first chunk runs the pass to drop what another text left open).
  if (tags && Removing_unwanted_TagFile_Tags && (any_tag || tags->ExcludedSpanOpen())) {
    from_start();
    tags->CheckBufferForTagFileMarkup(ttho_exclude, false, text, kinds, ftag_clearing_max, c, all, map);
  }
  if (fMarking_Text_Elements && tags) {
    from_start();
    tags->CheckBufferForTextMarkerTags(text, kinds, all, ftag_clearing_max, c);
  }
  if (!fClusterTag.empty()) MarkMultiWordUnits();

  if (tags) {
    const uint8_t tool = fRun ? fRun->Settings().tool : current_tool_var;
    from_start();
    if (any_tag && ((tool == 0 && Retaining_Section_Starts) || (Retaining_TagFileTags && !Retaining_Section_Starts)))
      tags->CheckBufferForTagFileMarkup(ttho_keep, Retaining_Section_Starts, text, kinds, ftag_clearing_max, c, all, map);
    if (Translating_Tags) {
      // The rest of each entity is dropped, its bytes staying with the entity's character, so
      // that a word holding an entity stays one word.
      TCharacterSpans tails;
      from_new();
      if (tags->CheckBufferForTranslationTags(text + c, kinds + c, all - c, &tails) > 0 && !tails.empty()) {
        for (auto& [a, b] : tails) a += c, b += c;
        DropCharacters(tails);
        n = Length();
        all = n + LookAheadLength();
        text = fText.data();
        kinds = fwchar_kinds.data();
      }
    }
    if (any_tag && (Removing_IgnoreTags || Marking_IgnoreTags)) {
      const TIgnore_tag_type unwanted = fTextSettings.UnwantedTags();
      from_new();
      for (int i = 0; i < 6; ++i) {
        if (unwanted.openers[i] == 0 || unwanted.closers[i] == 0) continue;
        if (Removing_IgnoreTags)
          tags->BlankUnwantedTags(unwanted.openers[i], unwanted.closers[i], text + c, kinds + c, all - c, true,
                                  ftag_clearing_max);
        else
          tags->MarkUnwantedTags(unwanted.openers[i], unwanted.closers[i], text + c, kinds + c, all - c, true,
                                 ftag_clearing_max);
      }
    }
    from_start();
    if (any_tag && tool != 0 && Retaining_Section_Starts)
      tags->CheckBufferForTagFileMarkup(ttho_keep, true, text, kinds, ftag_clearing_max, c, all, map);
  }
  HandleAllowablesFrom(c);
  if (tags) {
    from_new();
    if (Removing_Punctuation) tags->BlankOutMidWordPunctuation(text + c, kinds + c, C1_PUNCT, C1_ALPHA | C1_DIGIT, all - c, true);
    if (Clearing_All_Control_Chars) tags->BlankOutUnwantedsTest(text + c, kinds + c, C1_CNTRL, all - c, true);
    if (Clearing_Excess_Spaces) tags->BlankOutUnwantedsTest(text + c, kinds + c, KIND_HIDDEN, all - c, true);
    tags->ReadAheadFrom = INT32_MAX;
  }
  if (OKToProcess()) {
    BufferDetails.has_media_tags = tags && tags->HasMediaTags;
    BufferDetails.has_section_tags = tags && tags->HasSectionTags;
  }
  return true;
}

void TBufferProcessor::DropCharacters(TCharacterSpans spans) {
  const int32_t kept_end = Length();
  const int32_t n = kept_end + LookAheadLength();
  if (spans.empty() || n <= 0) return;
  std::sort(spans.begin(), spans.end());
  // Runs between the stretches move down whole; Length() ends where the chunk's last kept
  // character went, the look-ahead follows.
  int32_t w = 0, i = 0, length = -1;
  auto keep = [&](int32_t from, int32_t to) {  // [from, to)
    if (to <= from) return;
    if (length < 0 && kept_end < to) length = w + std::max(0, kept_end - from);
    if (w != from) {
      std::memmove(fText.data() + w, fText.data() + from, sizeof(char16_t) * static_cast<size_t>(to - from));
      std::memmove(fwchar_kinds.data() + w, fwchar_kinds.data() + from, sizeof(uint16_t) * static_cast<size_t>(to - from));
    }
    w += to - from;
  };
  TCharacterSpans clamped;
  clamped.reserve(spans.size());
  for (const auto& [first, end] : spans) {
    const int32_t a = std::clamp(first, i, n);
    const int32_t b = std::clamp(end, a, n);
    keep(i, a);
    if (length < 0 && kept_end < b) length = w;
    if (b > a) clamped.emplace_back(a, b);
    i = b;
  }
  keep(i, n);
  fByteMap.RemoveCharacters(clamped, n);
  ResizeZeroFilled(fText, static_cast<size_t>(w));
  fwchar_kinds.resize(static_cast<size_t>(w) + 2);
  fwchar_kinds[static_cast<size_t>(w)] = 0;
  fwchar_kinds[static_cast<size_t>(w) + 1] = 0;
  if (length < 0) length = w;
  BufferDetails.length_in_chars = length;
  BufferDetails.look_ahead = w - length;
}

void TBufferProcessor::HandleAllowables() { HandleAllowablesFrom(0); }

void TBufferProcessor::HandleAllowablesFrom(int32_t first) {
  EnsureKinds(0, static_cast<int32_t>(fText.size()));
  const Tfixed_lang_details32 lang = fTextSettings.Language();
  const size_t from = std::min<size_t>(static_cast<size_t>(std::max(0, first)), fText.size());
  ::HandleAllowables(fText.data() + from, fwchar_kinds.data() + from, fText.size() - from, wide_allowables,
                     lang.SymbolsAtWordStart(), lang.SymbolsAtWordEnd(), lang.HyphenBreaksWord());
}

void TBufferProcessor::CutLowerCaseWords() {
  EnsureKinds(0, static_cast<int32_t>(fText.size()));
  uint16_t* k = fwchar_kinds.data();
  const size_t n = fText.size();
  bool at_word_start = true;  // the buffer start, or after a blank, space, control or punctuation
  size_t i = 0;
  while (i < n) {
    const uint16_t kind = k[i];
    const bool lower = kind < KIND_HIDDEN && (kind & (C1_ALPHA | C1_LOWER)) == (C1_ALPHA | C1_LOWER);
    if (lower && at_word_start) {
      while (i < n && k[i] < KIND_HIDDEN && (k[i] & (C1_ALPHA | C1_LOWER)) == (C1_ALPHA | C1_LOWER)) k[i++] = C1_SPACE;
      at_word_start = false;
      continue;
    }
    at_word_start = kind < KIND_HIDDEN && (kind & (C1_BLANK | C1_SPACE | C1_CNTRL | C1_PUNCT)) != 0;
    ++i;
  }
}

void TBufferProcessor::Capitalise() {
  if (fText.empty()) return;
  EnsureKinds(0, static_cast<int32_t>(fText.size()));
  const UString upper = UpperCaseU(fText, static_cast<TLCID>(fTextSettings.LCID()));
  if (upper.size() == fText.size()) fText = upper;
}

// --- the stream form of a processed chunk ---------------------------------------------------------

bool TBufferProcessor::SaveToStream(TStream& s, int32_t chunk_index) {
  EnsureKinds(0, Length());
  bool ok = true;
  if (chunk_index == 0) ok = WriteValue(s, FileHandledInfo);
  const int32_t n = Length();
  ok = ok && WriteU8(s, 1) && WriteI32(s, n) && s.WriteExact(fText.data(), int64_t(n) * 2);
  // The look-ahead is not stored: the chunk's kinds are followed by the two zero words.
  const uint16_t ends[2] = {0, 0};
  ok = ok && WriteI32(s, n + 2) && s.WriteExact(fwchar_kinds.data(), int64_t(n) * 2) && s.WriteExact(ends, 4);
  TBufferDetailsRec details = BufferDetails;
  details.look_ahead = 0;
  ok = ok && WriteValue(s, details);
  ok = ok && fSectionStarts->SaveToStream(s);
  // The byte map, written out one entry per character so that any reader can use it.
  ok = ok && WriteI64(s, fByteMap.FileByteOf(0)) && WriteI32(s, 0) && WriteI32(s, n + 1);
  if (ok) {
    std::vector<uint32_t> offs(static_cast<size_t>(n) + 1);
    const int64_t first = fByteMap.FileByteOf(0);
    for (int32_t i = 0; i <= n; ++i) offs[static_cast<size_t>(i)] = static_cast<uint32_t>(fByteMap.FileByteOf(i) - first);
    ok = s.WriteExact(offs.data(), int64_t(offs.size()) * 4);
  }
  return ok;
}

bool TBufferProcessor::ReadFromStream(TStream& s, int32_t chunk_index) {
  auto fail = [this]() {
    fText.clear();
    fwchar_kinds.assign(2, 0);
    BufferDetails.length_in_chars = 0;
    fByteMap.SetFixedWidth(0, 2);
    return false;
  };
  if (chunk_index == 0) {
    TFileHandledRec info;
    if (!ReadValue(s, info)) return fail();
    FileHandledInfo = info;
    if (fTagHandler) fTagHandler->fUse_Unicode = true;  // text in memory is always UTF-16
    if (OnChangeUnicodeSettingTo) OnChangeUnicodeSettingTo(FileHandledInfo.is_unicode != 0);
  }
  uint8_t wide = 0;
  int32_t n = 0;
  if (!ReadU8(s, wide) || wide > 1 || !ReadCount(s, n, wide ? 2 : 1)) return fail();
  if (wide) {
    ResizeZeroFilled(fText, static_cast<size_t>(n));
    if (!s.ReadExact(fText.data(), int64_t(n) * 2)) return fail();
  } else {
    std::string bytes(static_cast<size_t>(n), '\0');
    if (!s.ReadExact(bytes.data(), n)) return fail();
    fText = DecodeCodePage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), CodePageOfDocument());
    if (fText.size() != static_cast<size_t>(n)) return fail();
  }
  int32_t nk = 0;
  if (!ReadCount(s, nk, 2) || nk < n) return fail();
  fwchar_kinds.resize(static_cast<size_t>(nk));
  if (!s.ReadExact(fwchar_kinds.data(), int64_t(nk) * 2)) return fail();
  if (nk < n + 2) fwchar_kinds.resize(static_cast<size_t>(n) + 2, 0);
  TBufferDetailsRec details;
  if (!ReadValue(s, details) || details.length_in_chars != n || details.chunk_start < 0 || details.chunk_start > n)
    return fail();
  BufferDetails = details;
  BufferDetails.look_ahead = 0;  // never stored; an old stream's reserved bytes are not trusted
  if (!fSectionStarts->ReadFromStream(s)) return fail();
  int64_t first = 0;
  int32_t width = 0, count = 0;
  // The map must lie within the text: a first byte beyond its size is a damaged stream.
  const int64_t size = details.file_size;
  if (!ReadI64(s, first) || first < 0 || first > size || !ReadI32(s, width)) return fail();
  if (width == 1 || width == 2) {
    if ((size - first) / width < n) return fail();
    fByteMap.SetFixedWidth(first, width);
    return true;
  }
  if (width != 0 || !ReadCount(s, count, 4) || count != n + 1) return fail();
  std::vector<uint32_t> offs(static_cast<size_t>(count));
  if (!s.ReadExact(offs.data(), int64_t(count) * 4)) return fail();
  for (size_t i = 1; i < offs.size(); ++i)
    if (offs[i] < offs[i - 1]) return fail();
  if (offs.back() > size - first) return fail();
  fByteMap.SetOffsets(first, std::move(offs));
  return true;
}
