// The document file: header and extra-stuff block byte for byte, old versions, damaged and
// truncated documents, safe saving, the window-size restore and the settings blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "chosen_texts_test_support.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "support/temp_folder.h"
#include "test_tool_document_support.h"

namespace {

// A whole document as it would be saved: the header, then the document's SaveToStream.
std::vector<uint8_t> SavedBytes(TTestDocument& doc, int32_t h = 0, int32_t w = 0, int32_t dpi = 0) {
  TMemoryStream s;
  EXPECT_TRUE(doc.StartSaveToFile(s, u"", h, w, dpi));
  EXPECT_TRUE(doc.SaveToStream(s));
  return s.Data();
}

bool ReadsBack(const std::vector<uint8_t>& bytes, TTestDocument& doc) {
  TMemoryStream s(bytes);
  return doc.StartReadFromStream(s) && doc.ReadWholeFromStream(s);
}

// The 57 header bytes of a document of the concordancer, then an extra-stuff record of the given
// version (marker 9), or nothing (marker 0).
Bytes HandMadeHead(int32_t version, uint8_t marker = 9) {
  const std::string sig = list_signature32(kListConcordance);
  Bytes b;
  b.put<int32_t>(ToolSignature(kToolConcordancer)).zeros(12).put<uint8_t>(static_cast<uint8_t>(sig.size()));
  b.ascii(sig).zeros(39 - sig.size()).put<uint8_t>(marker);
  if (marker == 9) b.put<int32_t>(version).zeros(52).put<int32_t>(3).zeros(464 - 60);
  return b;
}

class DocumentFileTest : public ToolDocumentTest {};

TEST_F(DocumentFileTest, HeaderAndExtraStuffAreWrittenByteForByte) {
  TTestDocument doc;
  doc.main_count = 42;
  doc.SetRelativeEntropyBasis(7);
  doc.SaveAParentFilenameInExtraStuff(u"p.cnc");
  doc.body_value = 5;
  const std::vector<uint8_t> b = SavedBytes(doc, 900, 1200, 120);

  const std::string sig = list_signature32(kListConcordance);
  Bytes e;
  e.put<int32_t>(ToolSignature(kToolConcordancer)).put<int32_t>(-120).put<int32_t>(900).put<int32_t>(1200);
  e.put<uint8_t>(static_cast<uint8_t>(sig.size())).ascii(sig).zeros(39 - sig.size()).put<uint8_t>(9);
  e.put<int32_t>(19).zeros(52).put<int32_t>(42).put<int32_t>(7).zeros(464 - 64);
  e.counted(u"p.cnc").put<int32_t>(0).put<int32_t>(5);  // parent name, no notes, the body
  EXPECT_EQ(b, e.b);
  // Saving marked the text settings as saved and set the caption of "no value".
  EXPECT_TRUE(doc.TextSettings().Saved());
  EXPECT_FALSE(doc.NoValueCaption.empty());

  TTestDocument back(kListWordList);
  int32_t entries_seen = -1;
  back.OnMainEntriesKnown = [&](int32_t n) { entries_seen = n; };
  ASSERT_TRUE(ReadsBack(b, back));
  EXPECT_EQ(back.ListKind, kListConcordance);
  EXPECT_EQ(back.TessorineHolderVersionNumber(), 19);
  EXPECT_EQ(back.TessorineHolderMainListCount(), 42);
  EXPECT_EQ(back.RelativeEntropyBasis(), 7);
  EXPECT_EQ(back.ExtraStuffParentFilename(), u"p.cnc");
  EXPECT_EQ(back.body_value, 5);
  EXPECT_EQ(entries_seen, 42);
  EXPECT_EQ(int32_t{back.fCheck.client_height}, 900);
  EXPECT_EQ(int32_t{back.fCheck.client_width}, 1200);
  EXPECT_EQ(int32_t{back.fCheck.negated_dpi}, -120);
}

TEST_F(DocumentFileTest, VersionIsAtLeast19AndAHigherOneIsKept) {
  TTestDocument doc;
  doc.ExtraStuff().SetVersion(3);
  std::vector<uint8_t> b = SavedBytes(doc);
  EXPECT_EQ(I32At(b, 57), 19);
  // Saving again into the same writer leaves the marker and the version.
  TMemoryStream s;
  ASSERT_TRUE(doc.StartSaveToFile(s, u"", 0, 0, 0));
  ASSERT_TRUE(doc.SaveToStream(s));
  ASSERT_TRUE(doc.SaveToStream(s));
  EXPECT_EQ(s.Data()[56], 9);
  EXPECT_EQ(I32At(s.Data(), 57), 19);

  // A file of version 25 is saved with 25.
  PutI32(b, 57, 25);
  TTestDocument back;
  ASSERT_TRUE(ReadsBack(b, back));
  EXPECT_EQ(back.TessorineHolderVersionNumber(), 25);
  EXPECT_EQ(I32At(SavedBytes(back), 57), 25);
}

TEST_F(DocumentFileTest, OldBlocksAndBlocksWithoutTheMarker) {
  // Version 17: the 20 bytes after the record are skipped, whatever they hold.
  Bytes b = HandMadeHead(17);
  b.b.insert(b.b.end(), 20, 0xEE);
  b.put<int32_t>(0).put<int32_t>(77);  // notes, body
  TTestDocument doc;
  doc.SaveAParentFilenameInExtraStuff(u"kept?");
  ASSERT_TRUE(ReadsBack(b.b, doc));
  EXPECT_EQ(doc.TessorineHolderVersionNumber(), 17);
  EXPECT_EQ(doc.ExtraStuffParentFilename(), u"");
  EXPECT_EQ(doc.body_value, 77);

  // Version 18: a string follows.
  b = HandMadeHead(18);
  b.counted(u"parent.lst").put<int32_t>(0).put<int32_t>(78);
  TTestDocument doc18;
  ASSERT_TRUE(ReadsBack(b.b, doc18));
  EXPECT_EQ(doc18.ExtraStuffParentFilename(), u"parent.lst");
  EXPECT_EQ(doc18.body_value, 78);

  // An old block written back keeps its old form, so that it reads as it was.
  TTessorineHolderExtraStuffHolder old;
  old.SetVersion(17);
  TMemoryStream s;
  ASSERT_TRUE(old.SaveToStream(s));
  EXPECT_EQ(s.Size(), 464 + 20);

  // Without the marker there is no block to read: the document keeps its own.
  b = HandMadeHead(0, /*marker=*/0);
  b.put<int32_t>(0).put<int32_t>(99);
  TTestDocument unmarked;
  unmarked.ExtraStuff().SetVersion(23);
  unmarked.SaveAParentFilenameInExtraStuff(u"before");
  ASSERT_TRUE(ReadsBack(b.b, unmarked));
  EXPECT_EQ(unmarked.TessorineHolderVersionNumber(), 23);
  EXPECT_EQ(unmarked.ExtraStuffParentFilename(), u"before");
  EXPECT_EQ(unmarked.body_value, 99);
}

TEST_F(DocumentFileTest, EveryTruncationAndDamageAnswersFalse) {
  TTestDocument doc;
  doc.main_count = 3;
  doc.SaveAParentFilenameInExtraStuff(u"parent");
  doc.fNotes.Add(u"one");
  doc.fNotes.Add(u"\ttwo");
  doc.body_value = 1;
  const std::vector<uint8_t> whole = SavedBytes(doc);
  // Reads the bytes into a fresh document: false, and whether the entries were announced and the
  // parent name taken.
  bool announced = false, parent = false;
  auto reads = [&](const std::vector<uint8_t>& b) {
    TTestDocument back;
    announced = false;
    back.OnMainEntriesKnown = [&](int32_t) { announced = true; };
    const bool ok = ReadsBack(b, back);
    parent = !back.ExtraStuffParentFilename().empty();
    return ok;
  };
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    EXPECT_FALSE(reads(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)))) << cut;
    // A block that could not be read announces no entries.
    EXPECT_FALSE(announced && cut < 57 + 464 + 4 + 12) << "cut at " << cut;
  }

  // Counts from the file are not trusted: the parent name's length, the notes' line count.
  for (const auto& [at, bad] : {std::pair<size_t, int32_t>{521, -1}, {521, INT32_MAX}, {521, 40000},
                                {521 + 4 + 12, 0x3FFFFFFF}}) {
    std::vector<uint8_t> b = whole;
    PutI32(b, at, bad);
    EXPECT_FALSE(reads(b)) << bad;
    EXPECT_FALSE(at == 521 && (announced || parent)) << bad;
  }
  // A header of another tool, or of an unknown list, is refused.
  std::vector<uint8_t> b = whole;
  PutI32(b, 0, ToolSignature(kToolKeyness));
  EXPECT_FALSE(reads(b));
  b = whole;
  b[17] = 'X';
  EXPECT_FALSE(reads(b));
}

// A stream that takes no byte beyond a limit (a full disk).
class TCappedStream : public TMemoryStream {
 public:
  explicit TCappedStream(int64_t cap) : cap_(cap) {}
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t room = std::max<int64_t>(0, cap_ - Position());
    return TMemoryStream::Write(buffer, std::min(count, room));
  }

 private:
  int64_t cap_;
};

TEST_F(DocumentFileTest, EveryShortWriteIsAFailedSave) {
  TTestDocument doc;
  doc.SaveAParentFilenameInExtraStuff(u"a parent file name");
  const size_t whole = SavedBytes(doc).size();
  for (size_t cap = 0; cap < whole; ++cap) {
    TCappedStream s(static_cast<int64_t>(cap));
    EXPECT_FALSE(doc.StartSaveToFile(s, u"", 0, 0, 0) && doc.SaveToStream(s)) << "room for " << cap << " bytes";
  }
  // The block alone: a parent name that does not fit is a failure too.
  TTessorineHolderExtraStuffHolder block;
  block.SetVersion(19);
  block.parent_filename = u"name";
  TCappedStream s(464 + 4 + 6);
  EXPECT_FALSE(block.SaveToStream(s));
}

// A document whose body write fails after some bytes.
class TFailingDocument : public TTestDocument {
 public:
  bool SaveToStream(TStream& s) override {
    if (!TTestDocument::SaveToStream(s)) return false;
    const uint8_t junk[10] = {};
    s.WriteExact(junk, 10);
    return !fail;
  }
  bool fail = false;
};

TEST_F(DocumentFileTest, AFailedSaveLeavesTheFileOnDiskAsItWas) {
  TempFolder tmp;
  const UString name = tmp.Path() + u"doc.cnc";
  TFailingDocument doc;
  doc.body_value = 11;
  ASSERT_TRUE(doc.SaveToFile(name, 0, 0, 0));
  const std::vector<uint8_t> before = FileBytes(name);
  ASSERT_FALSE(before.empty());

  doc.body_value = 12;
  doc.fail = true;
  EXPECT_FALSE(doc.SaveToFile(name, 0, 0, 0));
  EXPECT_EQ(FileBytes(name), before);
  EXPECT_EQ(FindFiles(tmp.Path(), u"*").size(), 1u);  // no temporary file left behind

  EXPECT_FALSE(doc.SaveToFile(tmp.Path() + u"missing/doc.cnc", 0, 0, 0));
  EXPECT_FALSE(doc.SaveToFile(u"", 0, 0, 0));
}

TEST_F(DocumentFileTest, SaveToFileAddsTheDefaultExtensionOnlyWhenThereIsNone) {
  TempFolder tmp;
  TTestDocument doc;
  ASSERT_TRUE(doc.SaveToFile(tmp.Path() + u"plain", 0, 0, 0));
  EXPECT_TRUE(FileExists(tmp.Path() + u"plain.cnc"));
  ASSERT_TRUE(doc.SaveToFile(tmp.Path() + u"named.xyz", 0, 0, 0));
  // A batch save passes 0 for the window sizes.
  const std::vector<uint8_t> b = FileBytes(tmp.Path() + u"named.xyz");
  ASSERT_GE(b.size(), 57u);
  EXPECT_EQ(I32At(b, 4) | I32At(b, 8) | I32At(b, 12), 0);

  // Read back by the tool that made it, and by no other.
  TTestDocument back, wrong;
  EXPECT_TRUE(back.ReadWholeFromFile(tmp.Path() + u"named.xyz", kToolConcordancer).second);
  EXPECT_EQ(back.SourceTextFilename, tmp.Path() + u"named.xyz");
  const T2_BooleanRec r = wrong.ReadWholeFromFile(tmp.Path() + u"named.xyz", kToolWordLister);
  EXPECT_FALSE(r.first || r.second);
  EXPECT_EQ(wrong.SourceTextFilename, u"");
  EXPECT_FALSE(wrong.ReadWholeFromFile(tmp.Path() + u"nothing.cnc", kToolConcordancer).first);
}

// A file already open is read as it was when opened, whatever its name names by then (a
// hand-over is checked and read through one opening); the document takes the name it is given.
TEST_F(DocumentFileTest, AnOpenFileIsReadAsItWasOpened) {
  TempFolder tmp;
  TTestDocument doc;
  const UString name = tmp.Path() + u"handed.cnc";
  ASSERT_TRUE(doc.SaveToFile(name, 0, 0, 0));
  auto open = TFileStream::Open(name, TFileMode::OpenRead);
  ASSERT_TRUE(open);
  // Another file put in its place afterwards.
  const UString other = tmp.Path() + u"other.cnc";
  { TFileStream::Open(other, TFileMode::Create)->WriteExact("not a document", 14); }
  ASSERT_TRUE(RenameFileU(other, name));
  TTestDocument back;
  EXPECT_TRUE(back.ReadWholeFromOpenFile(*open, name, kToolConcordancer).first);
  EXPECT_EQ(back.SourceTextFilename, name);
  // By its name the replacement is read, and refused.
  TTestDocument by_name;
  EXPECT_FALSE(by_name.ReadWholeFromFile(name, kToolConcordancer).first);
  EXPECT_EQ(by_name.SourceTextFilename, u"");
}

TEST_F(DocumentFileTest, WindowSizeRestore) {
  TTestDocument doc;
  int32_t v = -1;
  EXPECT_FALSE(doc.TryToGetClientHeightOrWidth(800, true, v));  // nothing stored
  EXPECT_EQ(v, -1);

  doc.fCheck.client_height = 900;
  doc.fCheck.client_width = 1000;
  doc.fCheck.negated_dpi = 0;
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(800, true, v));
  EXPECT_EQ(v, 600);  // 800 div 4 * 3
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(803, true, v));
  EXPECT_EQ(v, 600);
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(5000, false, v));
  EXPECT_EQ(v, 1000);

  // Taken at 192 pixels per inch, shown at 96.
  SetScreenPixelsPerInch(96);
  doc.fCheck.negated_dpi = -192;
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(5000, true, v));
  EXPECT_EQ(v, 450);
  doc.fCheck.negated_dpi = INT32_MIN;
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(5000, true, v));
  EXPECT_EQ(v, 0);

  doc.fCheck.client_width = 0;
  EXPECT_FALSE(doc.TryToGetClientHeightOrWidth(800, true, v));
}

TEST_F(DocumentFileTest, KeywordsBlockKeepsItsValueNegativeOnDiskAndThePositiveValueInMemory) {
  TTestDocument doc;
  doc.ExtraStuff().SetVersion(19);
  for (const auto& [given, stored, read] :
       std::vector<std::tuple<int32_t, int32_t, int32_t>>{{5, -5, 5}, {0, -1, 1}, {-7, -7, 7}, {INT32_MIN, INT32_MIN, INT32_MAX}}) {
    TKeywordsSettingsRec32 rec;
    rec.Clear();
    rec.SetLayoutMarkedValue(given);
    rec.SetLayoutVersion(3);
    const TKeywordsSettingsRec32 original = rec;
    TMemoryStream s;
    ASSERT_TRUE(doc.KWSettingsSaved(s, rec));
    EXPECT_TRUE(rec.SameBytes(original));  // the caller's record is left alone
    ASSERT_EQ(s.Size(), 2664);
    EXPECT_EQ(I32At(s.Data(), 1048), stored) << given;
    EXPECT_EQ(I32At(s.Data(), 1592), 7);
    EXPECT_EQ(s.Data()[2], 1);
    s.SetPosition(0);
    TKeywordsSettingsRec32 back;
    back.Clear();
    ASSERT_TRUE(doc.KWSettingsRead(s, back));
    EXPECT_EQ(back.LayoutMarkedValue(), read) << given;
  }
}

TEST_F(DocumentFileTest, OldKeywordsBlocksAreRecognisedByRewinding) {
  TTestDocument doc;
  doc.ExtraStuff().SetVersion(3);
  // A block of size bytes (more follow), with an int32 at 640 and one at 1184; answers how far
  // the read went, or -1.
  auto read = [&](size_t size, int32_t at640, int32_t at1184, TKeywordsSettingsRec32& rec) -> int64_t {
    std::vector<uint8_t> b(size + 100, 0x11);
    PutI32(b, 640, at640);
    PutI32(b, 1048, -9);
    PutI32(b, 1184, at1184);
    TMemoryStream s(b);
    return doc.KWSettingsRead(s, rec) ? s.Position() : -1;
  };
  // A version-4 block: 1212 bytes, its int32 at 640 not negative.
  TKeywordsSettingsRec32 rec;
  EXPECT_EQ(read(1212, 0, 0x11111111, rec), 1212);
  EXPECT_EQ(rec.LayoutMarkedValue(), 9);
  EXPECT_EQ(rec.bytes[1300], 0);  // beyond the old layout
  // Negative at 640, and 3 at 1184: the old version-5 block of 2256 bytes.
  EXPECT_EQ(read(2256, -1, 3, rec), 2256);
  EXPECT_EQ(rec.bytes[2300], 0);
  // Negative at 640, not 3 at 1184: rewound again, the whole 2664 bytes.
  EXPECT_EQ(read(2664, -1, 4, rec), 2664);
  EXPECT_EQ(rec.bytes[2300], 0x11);

  // Too short for what it claims to be: false, the record untouched.
  {
    std::vector<uint8_t> b(2000, 0x11);
    PutI32(b, 640, -1);
    TMemoryStream s(b);
    rec.Clear();
    rec.SetMaxKeywordsWanted(500);
    EXPECT_FALSE(doc.KWSettingsRead(s, rec));
    EXPECT_EQ(rec.MaxKeywordsWanted(), 500);
  }
  // Version 5: the old font at byte 8 becomes the display font.
  doc.ExtraStuff().SetVersion(5);
  std::vector<uint8_t> b(2664, 0);
  b[8] = 1;
  b[9] = 12;
  std::memcpy(b.data() + 10, "Arial", 5);
  TMemoryStream s(b);
  ASSERT_TRUE(doc.KWSettingsRead(s, rec));
  TTextsett_rec32 as_text;
  as_text.Clear();
  std::memcpy(as_text.bytes + 330, rec.bytes + 330, 204);
  EXPECT_EQ(as_text.FontName(), u"Arial");
  EXPECT_EQ(as_text.FontSize(), 12);
}

TEST_F(DocumentFileTest, TextSettingsBlockKeepsTheUsersFontForTheSameLanguage) {
  TTextsett_rec32 current = GetTextSettings();
  TTestDocument doc;
  TTextsett_rec32 stored = current;
  Tfixed_lang_details32 lang = stored.Language();
  lang.SetFontName(u"Stored Font");
  stored.SetLanguage(lang);
  stored.SetSaved(false);
  doc.SetTextSettings(stored);
  TMemoryStream s;
  ASSERT_TRUE(doc.SavedTextSettings(s));
  EXPECT_EQ(s.Size(), 3028);
  EXPECT_EQ(s.Data()[2], 1);

  s.SetPosition(0);
  TTestDocument same;
  ASSERT_TRUE(same.ReadTextSettings(s));
  EXPECT_EQ(same.TextSettings().FontName(), current.FontName());

  // Another language keeps the font of the file.
  std::vector<uint8_t> b = s.Data();
  PutI32(b, 4, current.LCID() + 1);
  TMemoryStream t(b);
  TTestDocument other;
  ASSERT_TRUE(other.ReadTextSettings(t));
  EXPECT_EQ(other.TextSettings().FontName(), u"Stored Font");

  b.resize(3000);
  TMemoryStream shortened(b);
  TTestDocument cut;
  const UString before = cut.TextSettings().FontName();
  EXPECT_FALSE(cut.ReadTextSettings(shortened));
  EXPECT_EQ(cut.TextSettings().FontName(), before);
}

TEST_F(DocumentFileTest, ColourBlockIsRaw) {
  TTestDocument doc;
  for (int i = 0; i < 192; ++i) doc.fColours[i] = static_cast<uint8_t>(i);
  TMemoryStream s;
  ASSERT_TRUE(doc.SavedColours(s));
  ASSERT_EQ(s.Size(), 192);
  s.SetPosition(0);
  TTestDocument back;
  ASSERT_TRUE(back.ReadColours(s));
  EXPECT_EQ(std::memcmp(back.fColours, doc.fColours, 192), 0);
  TMemoryStream shortened(std::vector<uint8_t>(191, 7));
  EXPECT_FALSE(back.ReadColours(shortened));
  EXPECT_EQ(back.fColours[5], 5);
}

}  // namespace

// The main grid's column widths ride in the extra-stuff block's reserved bytes: the block keeps
// its size (older readers skip them), a block without them (older files) gives no layout.
TEST_F(DocumentFileTest, GridColumnWidthsAreKeptInTheReservedBytes) {
  struct Case {
    const char* what;
    std::vector<int32_t> widths;
    std::vector<int16_t> back;
  };
  std::vector<int32_t> most(TTessorineHolderExtraStuffHolder::kMaxLayoutColumns, 30);
  std::vector<int32_t> too_many(TTessorineHolderExtraStuffHolder::kMaxLayoutColumns + 1, 30);
  const std::vector<Case> cases = {
      {"a concordance's", {40, 900, 60, 60, 1, 32767}, {40, 900, 60, 60, 1, 32767}},
      {"none", {}, {}},
      {"as many as the bytes hold", most, std::vector<int16_t>(most.size(), 30)},
      {"too many: none kept", too_many, {}},
      {"a column of no width: none kept", {40, 0, 60}, {}},
      {"too wide: none kept", {40, 40000}, {}},
  };
  for (const Case& c : cases) {
    TTestDocument doc;
    doc.ExtraStuff().SetGridColumnWidths({7, 7, 7});  // replaced, not added to
    doc.ExtraStuff().SetGridColumnWidths(c.widths);
    doc.SetRelativeEntropyBasis(7);
    const std::vector<uint8_t> b = SavedBytes(doc, 0, 0, 0);
    ASSERT_EQ(b.size(), 57u + 464 + 4 + 4 + 4) << c.what;  // header, block, no parent, no notes, body
    TTestDocument back;
    ASSERT_TRUE(ReadsBack(b, back)) << c.what;
    EXPECT_EQ(back.ExtraStuff().GridColumnWidths(), c.back) << c.what;
    EXPECT_EQ(back.RelativeEntropyBasis(), 7) << c.what;
  }
  // A block written before widths were kept: reserved bytes zero, so no layout.
  TTessorineHolderExtraStuffHolder older;
  EXPECT_TRUE(older.GridColumnWidths().empty());
  // Damaged: the mark with a count beyond the room, or a negative width.
  older.record.Put<int32_t, 64>(TTessorineHolderExtraStuffHolder::kLayoutMark);
  older.record.Put<int32_t, 68>(1000);
  EXPECT_TRUE(older.GridColumnWidths().empty());
  older.record.Put<int32_t, 68>(2);
  older.record.Put<int16_t, 72>(50);
  older.record.Put<int16_t, 74>(-3);
  EXPECT_TRUE(older.GridColumnWidths().empty());
}
