// The text reader: records and the stream form of a chunk, encodings, odd inputs, the chunk loop
// and the pre-processing steps of the first chunk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "filebuf_test_support.h"
#include "model/TagHandlingGeneral.h"
#include "model/work_derived.h"
#include "platform/runtime/vx_dialogs.h"
#include "shell/services/tessor_minimal_progress.h"

using namespace filebuf_test;

namespace {

class FileBuf : public ::testing::Test {
 protected:
  ~FileBuf() override {
    global_panic_state = kPanicNone;
    Global_LowestJumpTo = 0;
    TBufferProcessor::ResetUtf8ConversionAnswers();
  }
  UString Write(UStringView name, std::string_view bytes) { return tmp_.Write(name, bytes); }

  ScopedSettings settings_;
  TempFolder tmp_;
};

std::string Repeat(std::string_view s, size_t bytes) {
  std::string out;
  while (out.size() < bytes) out += s;
  return out;
}

}  // namespace

// --- records and the stream form ------------------------------------------------------------------

TEST_F(FileBuf, ChunkStreamHasItsByteLayout) {
  const UString name = Write(u"a.txt", "caf\xC3\xA9 x\n");
  TCollector c(ChosenFile(name));
  ASSERT_TRUE(ReadThrough(c));
  TMemoryStream m;
  ASSERT_TRUE(c.SaveToStream(m, 0));
  const std::vector<uint8_t>& b = m.Data();
  int64_t size = 0;
  std::memcpy(&size, b.data(), 8);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(b[8], 0);   // not mark-up
  EXPECT_EQ(b[9], 0);   // not a zip member
  EXPECT_EQ(b[10], 0);  // not UTF-16
  EXPECT_EQ(b[11], 0);  // not excluded
  EXPECT_EQ(b[12], 1);  // converted to UTF-16
  EXPECT_EQ(b[13], 0);  // no signature
  EXPECT_EQ(b[56], 1);  // characters of two bytes
  int32_t n = 0;
  std::memcpy(&n, b.data() + 57, 4);
  ASSERT_EQ(n, 7);
  EXPECT_EQ(b[61 + 6], 0xE9);  // "é" as UTF-16LE
  int32_t kinds = 0;
  std::memcpy(&kinds, b.data() + 61 + 14, 4);
  EXPECT_EQ(kinds, 9);  // one per character and two more
  const size_t details = 61 + 14 + 4 + 18;
  int32_t len = 0;
  std::memcpy(&len, b.data() + details + 4, 4);
  EXPECT_EQ(len, 7);
  int64_t end_byte = 0;
  std::memcpy(&end_byte, b.data() + details + 16, 8);
  EXPECT_EQ(end_byte, 8);
  // Later chunks are written without the 56-byte record.
  TMemoryStream later;
  ASSERT_TRUE(c.SaveToStream(later, 1));
  EXPECT_EQ(later.Size(), m.Size() - 56);
}

TEST_F(FileBuf, ChunkStreamRoundTripAndDamagedStreams) {
  const UString text = MixedText(20000, 11);
  const UString name = Write(u"r.txt", "<html>" + ToUtf8(text) + " &gt;");
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

  // Cut anywhere, the stream answers false and leaves an empty buffer.
  const std::vector<uint8_t>& all = m.Data();
  for (size_t cut : {size_t(0), size_t(30), size_t(56), size_t(60), all.size() / 2, all.size() - 1}) {
    TMemoryStream part(std::vector<uint8_t>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(cut)));
    TCollector r(ChosenFile(name));
    EXPECT_FALSE(r.ReadFromStream(part, 0)) << cut;
    EXPECT_EQ(r.Length(), 0);
  }
  // A character count beyond the bytes left, a negative one, a bad width flag.
  for (auto garble : {std::pair<size_t, int32_t>{57, 0x7FFFFFFF}, {57, -5}}) {
    std::vector<uint8_t> bad = all;
    std::memcpy(bad.data() + garble.first, &garble.second, 4);
    TMemoryStream s(bad);
    TCollector r(ChosenFile(name));
    EXPECT_FALSE(r.ReadFromStream(s, 0));
  }
  std::vector<uint8_t> bad = all;
  bad[56] = 7;
  TMemoryStream s(bad);
  TCollector r(ChosenFile(name));
  EXPECT_FALSE(r.ReadFromStream(s, 0));
}

TEST_F(FileBuf, ChunkStreamWithEightBitTextIsRead) {
  // A chunk kept by a document without Unicode: one byte a character, in the document's code page.
  TMemoryStream m;
  TFileHandledRec info{};
  info.file_size = 4;
  ASSERT_TRUE(WriteValue(m, info) && WriteU8(m, 0) && WriteI32(m, 4) && m.WriteExact("caf\xE9", 4));
  const uint16_t kinds[6] = {0x302, 0x302, 0x302, 0x302, 0, 0};
  ASSERT_TRUE(WriteI32(m, 6) && m.WriteExact(kinds, 12));
  TBufferDetailsRec details{};
  details.length_in_chars = 4;
  ASSERT_TRUE(WriteValue(m, details) && WriteI32(m, 0));     // no section starts
  ASSERT_TRUE(WriteI64(m, 100) && WriteI32(m, 1));            // one byte a character from byte 100
  m.SetPosition(0);
  TCollector c(ChosenFile(u"/nowhere/old.txt"));
  ASSERT_TRUE(c.ReadFromStream(m, 0));
  EXPECT_EQ(UString(c.Text(), c.Length()), u"caf\u00E9");
  EXPECT_EQ(c.FileByteOf(3), 103);
  EXPECT_EQ(c.FileSize(), 4);
}

// --- encodings ---------------------------------------------------------------------------------------

TEST_F(FileBuf, EncodingDecisions) {
  {  // two bytes are never UTF-16, not even a byte-order mark
    TCollector c(ChosenFile(Write(u"two.txt", "\xFF\xFE")));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_FALSE(c.FileHandledInfo.is_unicode);
    EXPECT_EQ(c.Joined(), u"\u00FF\u00FE");
  }
  {  // FE FF: byte-reversed UTF-16, swapped
    TCollector c(ChosenFile(Write(u"be.txt", Utf16Bytes(u"Hi there", false, true))));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_TRUE(c.FileHandledInfo.is_unicode);
    EXPECT_TRUE(c.LittleEndian);
    EXPECT_EQ(c.Joined(), u"Hi there");
    EXPECT_EQ(c.chunks[0].bytes[0], 2);
    EXPECT_EQ(c.fTextSignature, 0x4800FFFEu);  // FE FF 00 'H'
  }
  {  // the UTF-8 signature is skipped like a byte-order mark
    TCollector c(ChosenFile(Write(u"sig.txt", "\xEF\xBB\xBFna\xC3\xAFve")));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_TRUE(c.FileHandledInfo.utf8_signature);
    EXPECT_EQ(c.FileSignatureBytes, 3u);
    EXPECT_EQ(c.Joined(), u"na\u00EFve");
    EXPECT_EQ(c.chunks[0].bytes[0], 3);
    EXPECT_EQ(c.chunks[0].bytes[2], 5);
    EXPECT_EQ(c.chunks[0].bytes[3], 7);
  }
  {  // mark-up: "<html>" in any case, but not "<html "
    TCollector yes(ChosenFile(Write(u"m1.txt", "<HtMl><b>x</b> &lt;")));
    ASSERT_TRUE(ReadThrough(yes));
    EXPECT_TRUE(yes.FileHandledInfo.is_html);
    EXPECT_EQ(yes.Joined(), u"<HtMl><b>x</b> <");
    TCollector no(ChosenFile(Write(u"m2.txt", "<html lang=en> &lt;")));
    ASSERT_TRUE(ReadThrough(no));
    EXPECT_FALSE(no.FileHandledInfo.is_html);
    EXPECT_EQ(no.Joined(), u"<html lang=en> &lt;");
  }
  {  // zero characters are blanks
    TCollector c(ChosenFile(Write(u"z.txt", std::string("a\0\0b c", 6))));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.Joined(), u"a  b c");
  }
  {  // a UTF-8 text ending inside a sequence: the broken bytes are read in the code page
    TCollector c(ChosenFile(Write(u"cut.txt", "ab \xC3\xA9 \xE4\xB8")));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.Joined(), u"ab \u00E9 \u00E4\u00B8");
    EXPECT_EQ(c.chunks[0].bytes[6], 7);
    EXPECT_EQ(c.chunks[0].end, 8);
  }
}

// --- odd inputs --------------------------------------------------------------------------------------

TEST_F(FileBuf, EmptyMissingAndFolderTextsAreNotRead) {
  {
    TCollector c(ChosenFile(Write(u"empty.txt", "")));
    EXPECT_FALSE(c.SetupTheBuffer());
    EXPECT_TRUE(c.ReadAndProcess());  // nothing to read
    EXPECT_TRUE(c.chunks.empty());
  }
  for (const UString& name : {tmp_.Path() + u"absent.txt", tmp_.Path() + u"folder.txt"}) {
    if (name.ends_with(u"folder.txt")) ForceDirectories(name);
    TCollector c(ChosenFile(name));
    EXPECT_FALSE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());
    EXPECT_TRUE(c.chunks.empty());
    EXPECT_EQ(+c.FileHandledInfo.file_size, 0);
  }
  {  // a zip member that is not there
    TCollector c(ChosenFile(tmp_.Path() + u"none.zip/a.txt", 1));
    EXPECT_FALSE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());
  }
}

TEST_F(FileBuf, BinaryFileIsReadWithoutHarm) {
  std::string bytes(3 * 1024 * 1024 + 77, '\0');
  std::mt19937 rng(12);
  for (char& ch : bytes) ch = static_cast<char>(rng() % 5 == 0 ? 0 : rng());
  TCollector c(ChosenFile(Write(u"bin.dat", bytes)));
  c.keep_kinds = true;
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_GE(c.chunks.size(), 2u);
  for (const ChunkSeen& ch : c.chunks) {
    EXPECT_EQ(ch.text.find(u'\0'), UString::npos);
    EXPECT_EQ(ch.kinds.size(), ch.text.size() + 2);
    EXPECT_EQ(ch.kinds[ch.text.size()], 0);
  }
  for (size_t k = 1; k < c.chunks.size(); ++k) EXPECT_EQ(c.chunks[k].start, c.chunks[k - 1].end);
  EXPECT_EQ(c.chunks.back().end, static_cast<int64_t>(bytes.size()));
}

TEST_F(FileBuf, TextThatVanishesWhileReadEndsTheLoop) {
  // The source stops giving bytes at 3 MB of its 5 MB: the loop ends, it does not spin.
  TPatternStream source("some words here\n", 5000000);
  source.FailFrom(3000000);
  TCollector c(ChosenFile(u"/nowhere/generated.txt"));
  c.UseSourceStream(&source);
  ASSERT_TRUE(c.SetupTheBuffer());
  EXPECT_FALSE(c.ReadAndProcess());
  ASSERT_FALSE(c.chunks.empty());
  EXPECT_LE(c.chunks.back().end, 3000000);

  // A file cut short between set-up and reading.
  const UString name = Write(u"shrinks.txt", Repeat("abc def\n", 5000000));
  TCollector f(ChosenFile(name));
  ASSERT_TRUE(f.SetupTheBuffer());
  ASSERT_EQ(truncate(Utf16ToUtf8(name).c_str(), 3000000), 0);
  EXPECT_FALSE(f.ReadAndProcess());
  ASSERT_FALSE(f.chunks.empty());
  EXPECT_LE(f.chunks.back().end, 3000000);
}

TEST_F(FileBuf, ThreeGigabyteTextIsReadWithSixtyFourBitPositions) {
  // A generated text of 3 GB (never written): every chunk starts where the last one ended, the
  // positions beyond 2 GiB and 4 GiB... are right, and memory stays at one chunk.
  const std::string line = "Lorem ipsum dolor sit amet, consectetur adipiscing elit\n";
  const int64_t period = static_cast<int64_t>(line.size());
  const int64_t size = 3000000000LL;
  TPatternStream source(line, size);
  TCollector c(ChosenFile(u"/nowhere/big.txt"));
  c.keep_text = false;
  c.keep_bytes = false;
  int64_t max_mem = 0, max_kinds = 0, prev_end = 0;
  bool contiguous = true, at_line_starts = true;
  c.on_chunk = [&](TCollector& p, int32_t) {
    max_mem = std::max(max_mem, p.Stream()->fMemSize);
    max_kinds = std::max<int64_t>(max_kinds, static_cast<int64_t>(p.fwchar_kinds.capacity()));
    contiguous = contiguous && p.ChunkStartInFile() == prev_end;
    if (!p.IsLastChunk()) at_line_starts = at_line_starts && p.ChunkEndInFile() % period == period - 1;  // the next piece starts at a "\n"
    prev_end = p.ChunkEndInFile();
    // The character-to-byte map is right past 2 GiB too.
    if (p.ChunkStartInFile() > (int64_t(1) << 31)) {
      const int32_t mid = p.Length() / 2;
      EXPECT_EQ(p.FileByteOf(mid), p.ChunkStartInFile() + mid);
      EXPECT_EQ(p.Text()[mid], line[static_cast<size_t>((p.ChunkStartInFile() + mid) % period)]);
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
  EXPECT_LE(max_mem, kMiB2 + 8);
  EXPECT_LE(max_kinds, kMiB2 + 2);
}

TEST_F(FileBuf, WindowAroundAPositionBeyondFourGiB) {
  // A sparse file of 5 GB with text near its end: one window is read, starting at a multiple of
  // 256 at or before the position asked for.
  const UString name = tmp_.Path() + u"sparse.txt";
  const int64_t at = 5000000000LL;
  {
    FILE* f = fopen(Utf16ToUtf8(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseeko(f, at, SEEK_SET), 0);
    const std::string tail = Repeat("far away text ", 20000);
    ASSERT_EQ(fwrite(tail.data(), 1, tail.size(), f), tail.size());
    fclose(f);
  }
  TCollector c(ChosenFile(name));
  c.fReadTheWholeFile = false;
  c.StartReadingFrom = at + 1000;
  ASSERT_TRUE(c.SetupTheBuffer());
  ASSERT_TRUE(c.ReadAndProcess());
  ASSERT_EQ(c.chunks.size(), 1u);
  EXPECT_EQ(c.StartReadingFrom, (at + 1000) / 256 * 256);
  EXPECT_EQ(c.chunks[0].start, (at + 1000) / 256 * 256);
  EXPECT_EQ(c.chunks[0].text.size(), 9998u);
  EXPECT_EQ(c.chunks[0].bytes[100], c.chunks[0].start + 100);
  const int64_t first = c.chunks[0].start;
  EXPECT_EQ(c.chunks[0].text[0], u"far away text "[(first - at) % 14]);
}

// --- the chunk loop ---------------------------------------------------------------------------------

TEST_F(FileBuf, StopAtTheEndOfTheTextFinishesTheText) {
  const UString name = Write(u"five.txt", Repeat("one two three\n", 5000000));
  {
    TCollector c(ChosenFile(name));
    c.on_chunk = [](TCollector&, int32_t i) {
      if (i == 0) global_panic_state = kPanicEndOfText;
    };
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.chunks.size(), 3u);
    EXPECT_EQ(c.chunks.back().end, 5000000 + (14 - 5000000 % 14) % 14);
  }
  global_panic_state = kPanicNone;
  {
    TCollector c(ChosenFile(name));
    c.on_chunk = [](TCollector&, int32_t i) {
      if (i == 0) global_panic_state = kPanicStopNow;
    };
    ASSERT_TRUE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());
    EXPECT_EQ(c.chunks.size(), 1u);
  }
}

TEST_F(FileBuf, ChunksBeforeTheFirstJumpPositionAreSkipped) {
  const UString name = Write(u"jump.txt", Repeat("alpha beta gamma\n", 5000000));
  TChosenFileDetailsFullRec f = ChosenFile(name);
  f.rec.jumps = std::make_shared<T1LongintList>();
  f.rec.jumps->push_back(4500000);
  TCollector c(f);
  ASSERT_TRUE(ReadThrough(c));
  ASSERT_EQ(c.chunks.size(), 1u);
  EXPECT_LE(c.chunks[0].start, 4500000);
  EXPECT_GE(c.chunks[0].end, 4500000);
  EXPECT_EQ(Global_LowestJumpTo, 4500000);
}

TEST_F(FileBuf, ProcessingAnswerFalseEndsTheText) {
  const UString name = Write(u"stop.txt", Repeat("a b\n", 5000000));
  TCollector c(ChosenFile(name));
  c.answer = false;
  ASSERT_TRUE(c.SetupTheBuffer());
  EXPECT_FALSE(c.ReadAndProcess());
  EXPECT_EQ(c.chunks.size(), 1u);
}

// --- the UTF-8 question -------------------------------------------------------------------------------

TEST_F(FileBuf, Utf8QuestionYesToAllFlagsEveryLaterText) {
  CreateGlobalProgress();
  HeadlessDialogs().Clear();
  HeadlessDialogs().Script({mrYesToAll});
  const UString a = Write(u"a.txt", "\xEF\xBB\xBFone");
  const UString b = Write(u"b.txt", "\xEF\xBB\xBFtwo");
  const UString plain = Write(u"c.txt", "three");
  {
    TCollector c(ChosenFile(a));
    ASSERT_TRUE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());
    EXPECT_TRUE(c.PleaseConvertTheFileToUnicode);
    EXPECT_TRUE(c.chunks.empty());
    ASSERT_NE(GlobalProgress(), nullptr);
    EXPECT_FALSE(GlobalProgress()->Suspended());
  }
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 1u);
  EXPECT_EQ(GetTextConversionOptions() & 4u, 0u);
  {
    TCollector c(ChosenFile(b));
    ASSERT_TRUE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());
    EXPECT_TRUE(c.PleaseConvertTheFileToUnicode);
  }
  {
    TCollector c(ChosenFile(plain));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_FALSE(c.PleaseConvertTheFileToUnicode);
  }
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 1u);
  FreeGlobalProgress();
}

TEST_F(FileBuf, Utf8QuestionNoToAllReadsAndAsksNoMore) {
  CreateGlobalProgress();
  HeadlessDialogs().Clear();
  HeadlessDialogs().Script({mrYes, mrNoToAll});
  const UString a = Write(u"a.txt", "\xEF\xBB\xBFone");
  {
    TCollector c(ChosenFile(a));
    ASSERT_TRUE(c.SetupTheBuffer());
    EXPECT_FALSE(c.ReadAndProcess());  // Yes: converted later, not read now
    EXPECT_TRUE(c.PleaseConvertTheFileToUnicode);
    EXPECT_FALSE(GlobalProgress()->Suspended());
  }
  for (int i = 0; i < 2; ++i) {
    TCollector c(ChosenFile(a));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.Joined(), u"one");
    EXPECT_FALSE(GlobalProgress()->Suspended());
  }
  EXPECT_EQ(HeadlessDialogs().Asked().size(), 2u);
  FreeGlobalProgress();
}

// --- selection, header, units, case ---------------------------------------------------------------------

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
  {  // only the second marker: the header ends there, its last character included
    TCollector c(ChosenFile(Write(u"h1.txt", "Title Words\nby Someone end\nThe text itself")));
    c.keep_kinds = true;
    ASSERT_TRUE(ReadThrough(c));
    const UString& t = c.chunks[0].text;
    EXPECT_EQ(c.fHeaderLengthInChars, 26);
    EXPECT_EQ(t.substr(0, 26), UString(26, u' '));
    EXPECT_EQ(t.substr(26), u"\nThe text itself");
    for (int i = 0; i < 26; ++i) ASSERT_EQ(c.chunks[0].kinds[i], KIND_HIDDEN) << i;  // no words from it
    EXPECT_NE(c.chunks[0].kinds[27] & C1_ALPHA, 0);
  }
  {  // both markers: the first marker in the list wins, wherever it is
    TCollector c(ChosenFile(Write(u"h2.txt", "a END b </HEADER> body")));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.fHeaderLengthInChars, 17);
    EXPECT_EQ(c.Joined(), UString(17, u' ') + u" body");
  }
  {  // no marker: nothing cut
    TCollector c(ChosenFile(Write(u"h3.txt", "plain text")));
    ASSERT_TRUE(ReadThrough(c));
    EXPECT_EQ(c.fHeaderLengthInChars, 0);
    EXPECT_EQ(c.Joined(), u"plain text");
  }
  EXPECT_EQ(GetTimesEndOfTextHeaderCut(), cuts + 2);
}

TEST_F(FileBuf, MultiWordUnitsAndLowerCaseWords) {
  SetWordlistClusterTag(u"<mwu>");
  TCollector c(ChosenFile(Write(u"mwu.txt", "in <mwu>New York</mwu> the cat, Sat.")));
  c.keep_kinds = true;
  c.on_chunk = [](TCollector& p, int32_t) { p.CutLowerCaseWords(); };
  ASSERT_TRUE(ReadThrough(c));
  const UString& t = c.chunks[0].text;
  const std::vector<uint16_t>& k = c.chunks[0].kinds;
  const size_t space = t.find(u"New York") + 3;
  EXPECT_EQ(k[space], C1_DEFINED | C1_ALPHA | C1_LOWER);  // one word with its neighbours
  // Lower-case words are cut: "in", "the", "cat" (after a blank), not "Sat" nor "New".
  std::vector<uint16_t> seen;
  TCollector d(ChosenFile(Write(u"low.txt", "in the cat,dog Sat")));
  d.on_chunk = [&](TCollector& p, int32_t) {
    p.CutLowerCaseWords();
    seen.assign(p.Kinds(), p.Kinds() + p.Length());
  };
  ASSERT_TRUE(ReadThrough(d));
  const uint16_t cut = C1_SPACE;
  EXPECT_EQ(seen[0], cut);
  EXPECT_EQ(seen[1], cut);
  EXPECT_EQ(seen[3], cut);
  EXPECT_EQ(seen[7], cut);
  EXPECT_EQ(seen[11], cut);  // "dog" after punctuation
  EXPECT_NE(seen[15], cut);  // "Sat"
  EXPECT_NE(seen[16], cut);  // "at" inside "Sat" is not a word start
}

TEST_F(FileBuf, CapitaliseUpperCasesTheText) {
  TCollector c(ChosenFile(Write(u"cap.txt", "stra\xC3\x9F" "e caf\xC3\xA9")));
  c.on_chunk = [](TCollector& p, int32_t) { p.Capitalise(); };
  c.keep_text = false;
  UString seen;
  c.on_chunk = [&](TCollector& p, int32_t) {
    p.Capitalise();
    seen.assign(p.Text(), p.Length());
  };
  ASSERT_TRUE(ReadThrough(c));
  EXPECT_EQ(seen, u"STRA\u00DFE CAF\u00C9");
}

// --- the tag handler's steps on real mark-up ----------------------------------------------------------------

TEST_F(FileBuf, MarkupIsHiddenByTheTagHandler) {
  TTextTagHandler tags(0x0409, 1252);
  tags.LoadCurrentTextMarkers();
  TCollector c(ChosenFile(Write(u"tags.txt", "<p class=x>Hello there.</p> World. Fine")), &tags);
  c.keep_kinds = true;
  ASSERT_TRUE(ReadThrough(c));
  const UString& t = c.chunks[0].text;
  const std::vector<uint16_t>& k = c.chunks[0].kinds;
  EXPECT_EQ(t.substr(0, 11), UString(11, u' '));  // "<p class=x>" blanked
  for (int i = 0; i < 11; ++i) ASSERT_EQ(k[i], kFlagHidden) << i;
  const size_t hello = t.find(u"Hello");
  EXPECT_NE(k[hello] & C1_ALPHA, 0);
  EXPECT_EQ(t.find(u"</p>"), UString::npos);
  for (size_t i = t.find(u"there.") + 6; i < t.find(u" World"); ++i) EXPECT_EQ(k[i], kFlagHidden) << i;  // "</p>"
  // Sentence ends are marked automatically.
  EXPECT_EQ(k[t.find(u"there.") + 5], kFlagSentenceEndAuto);
  EXPECT_EQ(tags.TagsFound()[1], 2);
}

// --- the tool document -------------------------------------------------------------------------------

TEST_F(FileBuf, ReadsUnderTheDocumentsSettingsAndReportsToIt) {
  TTextsett_rec32 ts = GetTextSettings();
  ts.PutAt<uint16_t>(46, 1251);  // Cyrillic 8-bit texts
  TTessorineholder doc(ts, nullptr, nullptr, nullptr, false, false, nullptr, nullptr);
  doc.SetUnicode(false);
  auto report = [&doc](const TFileHandledRec& info, bool first) {
    TAllFileHandledInfo all{};
    CopyFileHandledInfo(info, all);
    doc.UpdateAllFileHandledInfo(all, first);
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
    TCollector c(ChosenFile(Write(u"w.txt", Utf16Bytes(u"wide text", true, true))), nullptr, false, &doc, report,
                 false);
    ASSERT_TRUE(ReadThrough(c));
  }
  EXPECT_TRUE(doc.Unicode());  // a UTF-16 text does
  EXPECT_TRUE(doc.FilesHandledDifferently);
}
