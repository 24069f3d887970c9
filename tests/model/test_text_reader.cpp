// The text reader: records and the stream form of a chunk, encodings, odd inputs, the chunk loop
// and the pre-processing steps of the first chunk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "text_reader_test_support.h"
#include "model/reading/tag_handler.h"
#include "model/documents/work_derived.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/services/progress.h"

using namespace text_reader_test;

namespace {

class FileBuf : public ::testing::Test {
 protected:
  ~FileBuf() override { global_panic_state = kPanicNone; }
  UString Write(UStringView name, std::string_view bytes) { return tmp_.Write(name, bytes); }
  // A collector that has read a text of these bytes through, keeping the kinds too.
  std::unique_ptr<TCollector> Read(std::string_view bytes, TTextTagHandler* tags = nullptr) {
    auto c = std::make_unique<TCollector>(ChosenFile(Write(u"t.txt", bytes)), tags);
    c->keep_kinds = true;
    EXPECT_TRUE(ReadThrough(*c));
    EXPECT_FALSE(c->chunks.empty());
    return c;
  }

  ScopedSettings settings_;
  TempFolder tmp_;
};

template <typename T>
T At(const std::vector<uint8_t>& b, size_t at) {
  T v;
  std::memcpy(&v, b.data() + at, sizeof v);
  return v;
}

}  // namespace

TEST_F(FileBuf, ChunkStreamHasItsByteLayout) {
  auto c = Read("caf\xC3\xA9 x\n");
  TMemoryStream m, later;
  ASSERT_TRUE(c->SaveToStream(m, 0) && c->SaveToStream(later, 1));
  const std::vector<uint8_t>& b = m.Data();
  EXPECT_EQ(At<int64_t>(b, 0), 8);  // file size
  // Not mark-up, not a zip member, not UTF-16, not excluded, converted to UTF-16, no signature.
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 8, b.begin() + 14), (std::vector<uint8_t>{0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(b[56], 1);  // characters of two bytes
  ASSERT_EQ(At<int32_t>(b, 57), 7);
  EXPECT_EQ(b[61 + 6], 0xE9);               // "é" as UTF-16LE
  EXPECT_EQ(At<int32_t>(b, 61 + 14), 9);    // kinds: one per character and two more
  const size_t details = 61 + 14 + 4 + 18;
  EXPECT_EQ(At<int32_t>(b, details + 4), 7);
  EXPECT_EQ(At<int64_t>(b, details + 16), 8);  // end byte
  EXPECT_EQ(later.Size(), m.Size() - 56);      // later chunks are written without the 56-byte record
}

TEST_F(FileBuf, AChunkIsStoredWithoutItsLookAhead) {
  // The first chunk of a longer text has a look-ahead; its stream holds the chunk alone, its
  // kinds followed by the two zero words, and reads back with no look-ahead.
  const UString name = Write(u"long.txt", ToUtf8(MixedText(kMiB2 + 50000, 13)));
  TCollector c(ChosenFile(name));
  c.keep_kinds = true;
  TMemoryStream m;
  bool saved = false;
  c.on_chunk = [&](TCollector& p, int32_t i) {
    if (i != 0) return;
    EXPECT_EQ(p.LookAheadLength(), kLookAheadChars);
    const int32_t stored = p.BufferDetails.look_ahead;  // a packed field: read by value
    EXPECT_EQ(stored, kLookAheadChars);
    saved = p.SaveToStream(m, 0);
  };
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_TRUE(saved);
  TCollector back(ChosenFile(name));
  m.SetPosition(0);
  ASSERT_TRUE(back.ReadFromStream(m, 0));
  EXPECT_EQ(m.BytesLeft(), 0);
  EXPECT_EQ(back.LookAheadLength(), 0);
  EXPECT_EQ(UString(back.Text(), back.Length()), c.chunks[0].text);
  ASSERT_EQ(c.chunks[0].kinds.size(), static_cast<size_t>(back.Length()) + 2);
  for (int32_t i = 0; i < back.Length() + 2; ++i) ASSERT_EQ(back.Kinds()[i], c.chunks[0].kinds[i]) << i;
  for (int32_t i = 0; i <= back.Length(); ++i) ASSERT_EQ(back.FileByteOf(i), c.chunks[0].bytes[i]) << i;
}

TEST_F(FileBuf, ChunkStreamRoundTripAndDamagedStreams) {
  const UString name = Write(u"r.txt", "<html>" + ToUtf8(MixedText(20000, 11)) + " &gt;");
  TCollector c(ChosenFile(name));
  c.keep_kinds = true;
  ASSERT_TRUE(ReadThrough(c));
  TMemoryStream m;
  ASSERT_TRUE(c.SaveToStream(m, 0));

  TCollector back(ChosenFile(name));
  m.SetPosition(0);
  ASSERT_TRUE(back.ReadFromStream(m, 0));
  EXPECT_EQ(m.BytesLeft(), 0);
  EXPECT_EQ(UString(back.Text(), back.Length()), c.chunks[0].text);
  EXPECT_EQ(std::memcmp(&back.FileHandledInfo, &c.FileHandledInfo, 56), 0);
  EXPECT_EQ(std::memcmp(&back.BufferDetails, &c.BufferDetails, 80), 0);
  EXPECT_TRUE(back.FileHandledInfo.is_html);
  for (int32_t i = 0; i <= back.Length(); ++i) ASSERT_EQ(back.FileByteOf(i), c.chunks[0].bytes[i]) << i;
  for (int32_t i = 0; i < back.Length() + 2; ++i) ASSERT_EQ(back.Kinds()[i], c.chunks[0].kinds[i]) << i;

  // Cut anywhere, or with a character count beyond the bytes left, a negative one or a bad width
  // flag, the stream answers false and leaves an empty buffer.
  const std::vector<uint8_t>& all = m.Data();
  std::vector<std::vector<uint8_t>> damaged;
  for (size_t cut : {size_t(0), size_t(30), size_t(56), size_t(60), all.size() / 2, all.size() - 1})
    damaged.emplace_back(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(cut));
  for (int32_t count : {0x7FFFFFFF, -5}) {
    damaged.push_back(all);
    std::memcpy(damaged.back().data() + 57, &count, 4);
  }
  damaged.push_back(all);
  damaged.back()[56] = 7;
  for (size_t i = 0; i < damaged.size(); ++i) {
    TMemoryStream s(damaged[i]);
    TCollector r(ChosenFile(name));
    EXPECT_FALSE(r.ReadFromStream(s, 0)) << i;
    EXPECT_EQ(r.Length(), 0) << i;
  }
}

TEST_F(FileBuf, ChunkStreamWithEightBitTextIsRead) {
  // A chunk kept by a document without Unicode: one byte a character, in the document's code page.
  TMemoryStream m;
  TFileHandledRec info{};
  info.file_size = 104;
  ASSERT_TRUE(WriteValue(m, info) && WriteU8(m, 0) && WriteI32(m, 4) && m.WriteExact("caf\xE9", 4));
  const uint16_t kinds[6] = {0x302, 0x302, 0x302, 0x302, 0, 0};
  ASSERT_TRUE(WriteI32(m, 6) && m.WriteExact(kinds, 12));
  TBufferDetailsRec details{};
  details.length_in_chars = 4;
  details.file_size = 104;
  ASSERT_TRUE(WriteValue(m, details) && WriteI32(m, 0));  // no section starts
  ASSERT_TRUE(WriteI64(m, 100) && WriteI32(m, 1));         // one byte a character from byte 100
  m.SetPosition(0);
  TCollector c(ChosenFile(u"/nowhere/old.txt"));
  ASSERT_TRUE(c.ReadFromStream(m, 0));
  EXPECT_EQ(UString(c.Text(), c.Length()), u"caf\u00E9");
  EXPECT_EQ(c.FileByteOf(3), 103);
  EXPECT_EQ(c.FileSize(), 104);
}

TEST_F(FileBuf, EncodingDecisions) {
  struct Case {
    std::string bytes;
    const char16_t* text;
    bool unicode, html;
    int32_t at;  // a character, and the byte it lies at
    int64_t byte;
    bool swapped = false;
  } cases[] = {
      {"\xFF\xFE", u"", true, false, 0, 2},           // a byte-order mark alone: an empty UTF-16 text
      {"\xFE\xFF", u"", true, false, 0, 2, true},     // either way round
      {"\xFF\xFD", u"\u00FF\u00FD", false, false, 1, 1},  // other two bytes are never UTF-16
      {Utf16Bytes(u"Hi there", false, true), u"Hi there", true, false, 0, 2, true},  // FE FF: swapped UTF-16
      {"<HtMl><b>x</b> &lt;", u"<HtMl><b>x</b> <", false, true, 15, 15},     // "<html>" in any case
      {"<html lang=en> &lt;", u"<html lang=en> &lt;", false, false, 15, 15},  // but not "<html "
      {std::string("a\0\0b c", 6), u"a  b c", false, false, 3, 3},            // zeros are blanks
      // A UTF-8 text ending inside a sequence: the broken bytes are U+FFFD, each at its byte.
      {"ab \xC3\xA9 \xE4\xB8", u"ab \u00E9 \uFFFD\uFFFD", false, false, 6, 7},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(ToUtf8(k.text));
    auto c = Read(k.bytes);
    EXPECT_EQ(c->Joined(), k.text);
    EXPECT_EQ(c->FileHandledInfo.is_unicode != 0, k.unicode);
    EXPECT_EQ(c->FileHandledInfo.is_html != 0, k.html);
    EXPECT_EQ(c->chunks[0].bytes[k.at], k.byte);
    EXPECT_EQ(c->chunks.back().end, static_cast<int64_t>(k.bytes.size()));
    EXPECT_EQ(c->LittleEndian, k.swapped);
    if (k.swapped && k.bytes.size() > 2) {
      EXPECT_EQ(c->fTextSignature, 0x4800FFFEu);  // FE FF 00 'H'
    }
  }
}

// Bytes of UTF-8 with faults among runs of ASCII of every length: decoded whole, they give the
// units, offsets and first bad byte that the same bytes give fed in pieces of at most 15 bytes
// (each piece walked a sequence at a time, a sequence broken off at a piece's end taken up by the
// next), with and without bytes following the last piece.
TEST(LenientUtf8, WholeBytesDecodeAsPiecesOfFewerThanSixteen) {
  static const std::string kBits[] = {"\xC3\xA9", "\xE2\x80\x99", "\xF0\x9F\x98\x80", "\xE9", "\xBF", "\xC3",
                                      "\xE2\x80", "\xF0\x9F", "\xED\xA0\x80", "\xE0\x80\x80", "\xC0\xAF", "\xFF",
                                      std::string(1, '\0')};
  std::mt19937 rng(1641);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    std::string bytes;
    const size_t want = rng() % 400;
    while (bytes.size() < want) {
      if (rng() % 3 == 0) bytes += kBits[rng() % std::size(kBits)];
      for (size_t n = rng() % 48; n > 0; --n) bytes += static_cast<char>(rng() % 2 ? 'a' + rng() % 26 : ' ' + rng() % 95);
    }
    const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes.data());
    const uint32_t base = rng() % 1000;
    for (const bool more_follows : {false, true}) {
      SCOPED_TRACE(more_follows ? "more follows" : "the end");
      UString whole;
      std::vector<uint32_t> whole_offsets;
      const int64_t whole_bad = DecodeUtf8Lenient(b, bytes.size(), base, more_follows, whole, whole_offsets);
      UString pieced;
      std::vector<uint32_t> pieced_offsets;
      int64_t pieced_bad = -1;
      size_t at = 0;
      for (;;) {
        const size_t n = std::min<size_t>(1 + rng() % 15, bytes.size() - at);
        const bool last = at + n == bytes.size();
        const int64_t bad = DecodeUtf8Lenient(b + at, n, base + static_cast<uint32_t>(at), last ? more_follows : true,
                                              pieced, pieced_offsets);
        if (pieced_bad < 0 && bad >= 0) pieced_bad = static_cast<int64_t>(at) + bad;
        const size_t stopped = pieced_offsets.back() - base;  // the end offset of the piece
        if (last && (stopped == bytes.size() || more_follows)) break;
        pieced_offsets.pop_back();
        at = stopped;
      }
      EXPECT_TRUE(whole == pieced);
      EXPECT_EQ(whole_offsets, pieced_offsets);
      EXPECT_EQ(whole_bad, pieced_bad);
    }
  }
}

TEST_F(FileBuf, EmptyMissingAndFolderTextsAreNotRead) {
  {
    TCollector c(ChosenFile(Write(u"empty.txt", "")));
    EXPECT_FALSE(c.SetupTheBuffer());
    EXPECT_TRUE(c.ReadAndProcess());  // nothing to read
    EXPECT_TRUE(c.chunks.empty());
  }
  ForceDirectories(tmp_.Path() + u"folder.txt");
  for (const UString& name : {tmp_.Path() + u"absent.txt", tmp_.Path() + u"folder.txt"}) {
    TCollector c(ChosenFile(name));
    EXPECT_FALSE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());
    EXPECT_TRUE(c.chunks.empty());
    EXPECT_EQ(+c.FileHandledInfo.file_size, 0);
  }
  TCollector z(ChosenFile(tmp_.Path() + u"none.zip/a.txt", 1));  // a zip member that is not there
  EXPECT_FALSE(z.SetupTheBuffer());
  EXPECT_FALSE(z.ReadAndProcess());
}

TEST_F(FileBuf, BinaryFileIsReadWithoutHarm) {
  std::string bytes(3 * 1024 * 1024 + 77, '\0');
  std::mt19937 rng(12);
  for (char& ch : bytes) ch = static_cast<char>(rng() % 5 == 0 ? 0 : rng());
  auto c = Read(bytes);
  ASSERT_GE(c->chunks.size(), 2u);
  for (const ChunkSeen& ch : c->chunks) {
    EXPECT_EQ(ch.text.find(u'\0'), UString::npos);
    EXPECT_EQ(ch.kinds.size(), ch.text.size() + 2);
    EXPECT_EQ(ch.kinds[ch.text.size()], 0);
  }
  for (size_t k = 1; k < c->chunks.size(); ++k) EXPECT_EQ(c->chunks[k].start, c->chunks[k - 1].end);
  EXPECT_EQ(c->chunks.back().end, static_cast<int64_t>(bytes.size()));
}

TEST_F(FileBuf, TextThatVanishesWhileReadEndsTheLoop) {
  // The source stops giving bytes at 3 MB of its 5 MB: the loop ends, it does not spin.
  TPatternStream source("some words here\n", 5000000);
  source.FailFrom(3000000);
  TCollector c(ChosenFile(u"/nowhere/generated.txt"));
  c.UseSourceStream(&source);
  // A file cut short between set-up and reading.
  const UString name = Write(u"shrinks.txt", Times("abc def\n", 625000));
  TCollector f(ChosenFile(name));
  ASSERT_TRUE(c.SetupTheBuffer() && f.SetupTheBuffer());
  ASSERT_EQ(truncate(Utf16ToUtf8(name).c_str(), 3000000), 0);
  for (TCollector* p : {&c, &f}) {
    EXPECT_FALSE(p->ReadAndProcess());
    ASSERT_FALSE(p->chunks.empty());
    EXPECT_LE(p->chunks.back().end, 3000000);
  }
}

TEST_F(FileBuf, ThreeGigabyteTextIsReadWithSixtyFourBitPositions) {
  // A generated text of 3 GB (never written): every chunk starts where the last one ended, the
  // positions beyond 2 GiB are right, and memory stays at one chunk.
  const std::string line = "Lorem ipsum dolor sit amet, consectetur adipiscing elit\n";
  const int64_t period = static_cast<int64_t>(line.size()), size = 3000000000LL;
  TPatternStream source(line, size);
  TCollector c(ChosenFile(u"/nowhere/big.txt"));
  c.keep_text = c.keep_bytes = false;
  int64_t max_mem = 0, max_kinds = 0, prev_end = 0;
  bool contiguous = true, at_line_starts = true;
  c.on_chunk = [&](TCollector& p, int32_t) {
    max_mem = std::max(max_mem, p.Stream()->fMemSize);
    max_kinds = std::max<int64_t>(max_kinds, static_cast<int64_t>(p.fwchar_kinds.capacity()));
    contiguous = contiguous && p.ChunkStartInFile() == prev_end;
    if (!p.IsLastChunk()) at_line_starts = at_line_starts && p.ChunkEndInFile() % period == period - 1;  // at a "\n"
    prev_end = p.ChunkEndInFile();
    if (p.ChunkStartInFile() > (int64_t(1) << 31)) {
      const int32_t mid = (p.Length() - p.ChunkStartIndex()) / 2;
      EXPECT_EQ(p.FileByteOf(p.ChunkStartIndex() + mid), p.ChunkStartInFile() + mid);
      EXPECT_EQ(p.Text()[p.ChunkStartIndex() + mid], line[static_cast<size_t>((p.ChunkStartInFile() + mid) % period)]);
    }
  };
  c.UseSourceStream(&source);
  ASSERT_TRUE(c.SetupTheBuffer());
  EXPECT_EQ(c.fChunksToDo, static_cast<int32_t>(size / kMiB2));
  ASSERT_TRUE(c.ReadAndProcess());
  EXPECT_TRUE(contiguous);
  EXPECT_TRUE(at_line_starts && c.chunks.size() > 1);
  EXPECT_EQ(prev_end, size);
  EXPECT_EQ(c.characters, size);
  EXPECT_GE(c.chunks.size(), static_cast<size_t>(size / kMiB2));
  // The chunk, the bytes read for its look-ahead, and room for the carried characters.
  EXPECT_LE(max_mem, kMiB2 + 8 + 8 * kLookAheadChars + 16);
  EXPECT_LE(max_kinds, kMiB2 + 2 + kCarriedCharsMax + kLookAheadChars);
}

TEST_F(FileBuf, WindowAroundAPositionBeyondFourGiB) {
  // A sparse file of 5 GB with text near its end: one window is read, starting at a multiple of
  // 256 at or before the position asked for.
  const UString name = tmp_.Path() + u"sparse.txt";
  const int64_t at = 5000000000LL, window = (at + 1000) / 256 * 256;
  {
    FILE* f = fopen(Utf16ToUtf8(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseeko(f, at, SEEK_SET), 0);
    const std::string tail = Times("far away text ", 20000);
    ASSERT_EQ(fwrite(tail.data(), 1, tail.size(), f), tail.size());
    fclose(f);
  }
  TCollector c(ChosenFile(name));
  c.fReadTheWholeFile = false;
  c.StartReadingFrom = at + 1000;
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_EQ(c.chunks.size(), 1u);
  EXPECT_EQ(c.StartReadingFrom, window);
  EXPECT_EQ(c.chunks[0].start, window);
  EXPECT_EQ(c.chunks[0].text.size(), 9998u);
  EXPECT_EQ(c.chunks[0].bytes[100], window + 100);
  EXPECT_EQ(c.chunks[0].text[0], u"far away text "[(window - at) % 14]);
}

TEST_F(FileBuf, StopStateAndFalseAnswersEndTheLoop) {
  // A stop at the end of the text finishes the text; a stop now, or a chunk answered false, ends
  // the loop after that chunk.
  const UString name = Write(u"five.txt", Times("one two three\n", 357143));  // 5,000,002 bytes
  struct Case {
    uint8_t panic;
    bool answer, ok;
    size_t chunks;
  } cases[] = {{kPanicEndOfText, true, true, 3}, {kPanicStopNow, true, false, 1}, {kPanicNone, false, false, 1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.panic));
    global_panic_state = kPanicNone;
    TCollector c(ChosenFile(name));
    c.answer = k.answer;
    c.on_chunk = [&k](TCollector&, int32_t i) {
      if (i == 0) global_panic_state = k.panic;
    };
    ASSERT_TRUE(c.SetupTheBuffer());
    EXPECT_EQ(c.ReadAndProcess(), k.ok);
    ASSERT_EQ(c.chunks.size(), k.chunks);
    if (k.ok) { EXPECT_EQ(c.chunks.back().end, 5000002); }
  }
}

TEST_F(FileBuf, ChunksBeforeTheFirstJumpPositionAreSkipped) {
  TChosenFileDetailsFullRec f = ChosenFile(Write(u"jump.txt", Times("alpha beta gamma\n", 294118)));
  f.rec.jumps = std::make_shared<TJumpList>();
  f.rec.jumps->push_back(4500000);
  TCollector c(f);
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_EQ(c.chunks.size(), 1u);
  EXPECT_LE(c.chunks[0].start, 4500000);
  EXPECT_GE(c.chunks[0].end, 4500000);
  EXPECT_EQ(c.LowestJumpTo(), 4500000);
}

TEST_F(FileBuf, Utf8QuestionIsTheJobsAndEveryAnswerReadsTheText) {
  // The reader shows no dialog: it asks the run's call-back. Yes converts the text and reads it;
  // a "to all" answer holds for the rest of the run; No keeps the text as it is (the document
  // then takes UTF-16 entries). Each row: the answers the job gives, then for three texts with
  // the signature whether each asks the document for UTF-16, and how often the job was asked.
  struct Case {
    std::vector<TTextAnswer> answers;
    std::vector<bool> unicode_content;
    size_t asked;
  } cases[] = {
      {{TTextAnswer::YesToAll}, {false, false, false}, 1},
      {{TTextAnswer::Yes, TTextAnswer::No, TTextAnswer::NoToAll}, {false, true, true}, 3},
      {{TTextAnswer::NoToAll}, {true, true, true}, 1},
  };
  HeadlessDialogs().Clear();
  for (const Case& k : cases) {
    size_t asked = 0;
    TTextReadRun run(TakeTextReadSnapshot(nullptr), [&](TTextQuestion q, UStringView file) {
      EXPECT_EQ(q, TTextQuestion::ConvertUtf8Text);
      EXPECT_NE(file.find(u".txt"), UStringView::npos);
      return k.answers[std::min(asked++, k.answers.size() - 1)];
    });
    for (size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(testing::Message() << "case " << (&k - cases) << ", text " << i);
      TCollector c(ChosenFile(Write(u"s" + IntToUStr(int64_t(i)) + u".txt", "\xEF\xBB\xBF" "caf\xC3\xA9")), nullptr,
                   false, nullptr, nullptr, i == 0, &run);
      ASSERT_TRUE(ReadThrough(c));
      EXPECT_EQ(c.Joined(), u"caf\u00E9");
      EXPECT_EQ(c.FileHandledInfo.unicode_content != 0, k.unicode_content[i]);
      EXPECT_EQ(c.PleaseConvertTheFileToUnicode, !k.unicode_content[i]);
    }
    EXPECT_EQ(asked, k.asked);
    // The settings keep the question until the run ends, then drop it after a "to all" answer.
    EXPECT_NE(GetTextConversionOptions() & 4u, 0u);
    run.StoreAtRunEnd();
    EXPECT_EQ((GetTextConversionOptions() & 4u) == 0, run.AnsweredToAll());
    SetTextConversionOptions(4 | 8);
  }
  EXPECT_TRUE(HeadlessDialogs().Asked().empty());
  // Without a call-back, or with questions off, the answer is No: read as it is.
  SetTextConversionOptions(8);
  TCollector quiet(ChosenFile(Write(u"q.txt", "\xEF\xBB\xBFone")));
  ASSERT_TRUE(ReadThrough(quiet));
  EXPECT_TRUE(quiet.FileHandledInfo.unicode_content);
}

TEST_F(FileBuf, TextSelectionByGroupsAndExclusions) {
  SetTextSelectAtAll(true);
  auto set = [](int slot, UStringView text) {
    TSelectTextFile_RecW r{};
    r.SetText(text);
    SetTextSelectAtAllString(slot, r);
  };
  set(4, u"whale");  // group 2 only
  set(6, u"ship");
  set(13, u"SECRET");
  auto excluded = [&](std::string_view body) {
    TCollector c(ChosenFile(Write(u"sel.txt", body)));
    EXPECT_TRUE(c.SetupTheBuffer());
    c.ReadAndProcess();
    EXPECT_EQ(c.chunks.empty(), c.FileHandledInfo.excluded != 0);
    return c.FileHandledInfo.excluded != 0;
  };
  EXPECT_TRUE(excluded("a story of the sea"));
  EXPECT_FALSE(excluded("the white whale"));
  EXPECT_FALSE(excluded("a ship"));
  EXPECT_TRUE(excluded("the whale and the ship, SECRET"));
  set(1, u"Ahab");  // now group 1 must be found too
  EXPECT_TRUE(excluded("the white whale"));
  EXPECT_FALSE(excluded("Ahab and the whale"));
}

TEST_F(FileBuf, HeaderCutBlanksThroughTheMarkerAndHidesIt) {
  SetEndOfTextHeader(u";</header>;;END;");
  const int32_t cuts = GetTimesEndOfTextHeaderCut();
  TTextReadRun run(TakeTextReadSnapshot(nullptr));
  // Only the second marker: the header ends there, its last character included; both markers:
  // the first marker in the list wins, wherever it is; no marker: nothing cut.
  for (auto [body, length] : {std::pair<std::string, int32_t>{"Title Words\nby Someone end\nThe text itself", 26},
                              {"a END b </HEADER> body", 17}, {"plain text", 0}}) {
    auto c = std::make_unique<TCollector>(ChosenFile(Write(u"h.txt", body)), nullptr, false, nullptr, nullptr, true, &run);
    c->keep_kinds = true;
    ASSERT_TRUE(ReadThrough(*c));
    EXPECT_EQ(c->fHeaderLengthInChars, length);
    EXPECT_EQ(c->Joined(), UString(size_t(length), u' ') + Latin1ToUtf16(body.substr(size_t(length))));
    for (int i = 0; i < length; ++i) ASSERT_EQ(c->chunks[0].kinds[i], KIND_HIDDEN) << i;  // no words from it
    EXPECT_NE(c->chunks[0].kinds[size_t(length) + 1] & C1_ALPHA, 0);
  }
  // Counted by the run, stored once when it ends: reading wrote nothing.
  EXPECT_EQ(run.HeaderCuts(), 2);
  EXPECT_EQ(GetTimesEndOfTextHeaderCut(), cuts);
  run.StoreAtRunEnd();
  run.StoreAtRunEnd();
  EXPECT_EQ(GetTimesEndOfTextHeaderCut(), cuts + 2);
}

TEST_F(FileBuf, MultiWordUnitsLowerCaseWordsAndCapitals) {
  SetWordlistClusterTag(u"<mwu>");
  auto c = Read("in <mwu>New York</mwu> the cat, Sat.");
  const size_t space = c->chunks[0].text.find(u"New York") + 3;
  EXPECT_EQ(c->chunks[0].kinds[space], C1_DEFINED | C1_ALPHA | C1_LOWER);  // one word with its neighbours
  // Lower-case words are cut: "in", "the", "cat" (after a blank), "dog" (after punctuation), not "Sat".
  std::vector<uint16_t> seen;
  TCollector d(ChosenFile(Write(u"low.txt", "in the cat,dog Sat")));
  d.on_chunk = [&](TCollector& p, int32_t) {
    p.CutLowerCaseWords();
    seen.assign(p.Kinds(), p.Kinds() + p.Length());
  };
  ASSERT_TRUE(ReadThrough(d));
  for (int i : {0, 1, 3, 7, 11}) EXPECT_EQ(seen[i], C1_SPACE) << i;
  EXPECT_NE(seen[15], C1_SPACE);  // "Sat"
  EXPECT_NE(seen[16], C1_SPACE);  // "at" inside "Sat" is not a word start

  UString upper;
  TCollector e(ChosenFile(Write(u"cap.txt", "stra\xC3\x9F" "e caf\xC3\xA9")));
  e.on_chunk = [&](TCollector& p, int32_t) {
    p.Capitalise();
    upper.assign(p.Text(), p.Length());
  };
  ASSERT_TRUE(ReadThrough(e));
  EXPECT_EQ(upper, u"STRA\u00DFE CAF\u00C9");
}

TEST_F(FileBuf, MarkupIsHiddenByTheTagHandler) {
  TTextTagHandler tags(0x0409, 1252);
  tags.LoadCurrentTextMarkers();
  auto c = Read("<p class=x>Hello there.</p> World. Fine", &tags);
  const UString& t = c->chunks[0].text;
  const std::vector<uint16_t>& k = c->chunks[0].kinds;
  EXPECT_EQ(t.substr(0, 11), UString(11, u' '));  // "<p class=x>" blanked
  for (int i = 0; i < 11; ++i) ASSERT_EQ(k[i], kFlagHidden) << i;
  EXPECT_NE(k[t.find(u"Hello")] & C1_ALPHA, 0);
  EXPECT_EQ(t.find(u"</p>"), UString::npos);
  for (size_t i = t.find(u"there.") + 6; i < t.find(u" World"); ++i) EXPECT_EQ(k[i], kFlagHidden) << i;  // "</p>"
  EXPECT_EQ(k[t.find(u"there.") + 5], kFlagSentenceEndAuto);  // sentence ends are marked automatically
  EXPECT_EQ(tags.TagsFound()[1], 2);
}

TEST_F(FileBuf, ReadsUnderTheDocumentsSettingsAndReportsToIt) {
  TTextsett_rec32 ts = GetTextSettings();
  ts.PutAt<uint16_t>(46, 1251);  // Cyrillic 8-bit texts
  TTessorineholder doc(ts, nullptr, nullptr, nullptr, false, false, nullptr, nullptr);
  doc.SetUnicode(false);
  auto report = [&doc](const TFileHandledRec& info, bool first) {
    TAllFileHandledInfo all{};
    CopyFileHandledInfo(info, all);
    doc.UpdateAllFileHandledInfo(all, first);
    if (NeedsUnicodeDocument(info)) doc.SetUnicode(true);
  };
  {
    TCollector c(ChosenFile(Write(u"ru.txt", "\xEF\xF0\xE8\xE2\xE5\xF2 \x80")), nullptr, false, &doc, report, true);
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.Joined(), u"\u043F\u0440\u0438\u0432\u0435\u0442 \u0402");
    EXPECT_EQ(c.CodePage(), 1251);
    EXPECT_FALSE(doc.Unicode());  // an 8-bit text asks nothing of the document
  }
  EXPECT_TRUE(doc.AllFileHandledInfo.ConvertedToUnicode());
  EXPECT_FALSE(doc.AllFileHandledInfo.Unicode());
  {
    const UString wide = Write(u"w.txt", Utf16Bytes(u"wide text", true, true));
    TCollector w(ChosenFile(wide), nullptr, false, &doc, report, false);
    w.on_chunk = [&doc](TCollector&, int32_t) { EXPECT_FALSE(doc.Unicode()); };  // the reader changes nothing
    ASSERT_TRUE(ReadThrough(w));
    ASSERT_EQ(w.chunks.size(), 1u);
  }  // the text reports to the document when it is done, and the job sets the flag
  EXPECT_TRUE(doc.Unicode());  // a UTF-16 text does
  EXPECT_TRUE(doc.FilesHandledDifferently);
}
