// The document file: header and extra-stuff block byte for byte, old versions, damaged and
// truncated documents, safe saving, the window-size restore and the settings blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

#include "chosen_test_support.h"
#include "platform/rtl/files.h"
#include "support/temp_folder.h"
#include "test_tool_document_support.h"

namespace {

int32_t I32At(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void PutI32(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }

std::vector<uint8_t> FileBytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

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

// The 57 header bytes of a document of the concordancer, marker 9, then an extra-stuff record of
// the given version.
std::vector<uint8_t> HandMadeHead(int32_t version, uint8_t marker = 9) {
  std::vector<uint8_t> b(57 + 464, 0);
  PutI32(b, 0, ToolSignature(kToolConcordancer));
  const std::string sig = list_signature32(kListConcordance);
  b[16] = static_cast<uint8_t>(sig.size());
  std::memcpy(b.data() + 17, sig.data(), sig.size());
  b[56] = marker;
  PutI32(b, 57, version);
  PutI32(b, 57 + 56, 3);
  return b;
}

void AppendI32(std::vector<uint8_t>& b, int32_t v) {
  const size_t at = b.size();
  b.resize(at + 4);
  PutI32(b, at, v);
}
void AppendString(std::vector<uint8_t>& b, const std::u16string& s) {
  AppendI32(b, static_cast<int32_t>(s.size()));
  for (char16_t c : s) {
    b.push_back(static_cast<uint8_t>(c & 0xFF));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
}

class DocumentFileTest : public ToolDocumentTest {};

TEST_F(DocumentFileTest, HeaderAndExtraStuffAreWrittenByteForByte) {
  TTestDocument doc;
  doc.main_count = 42;
  doc.SetRelativeEntropyBasis(7);
  doc.SaveAParentFilenameInExtraStuff(u"p.cnc");
  doc.body_value = 5;
  const std::vector<uint8_t> b = SavedBytes(doc, 900, 1200, 120);

  EXPECT_EQ(I32At(b, 0), ToolSignature(kToolConcordancer));
  EXPECT_EQ(I32At(b, 4), -120);
  EXPECT_EQ(I32At(b, 8), 900);
  EXPECT_EQ(I32At(b, 12), 1200);
  const std::string sig = list_signature32(kListConcordance);
  ASSERT_EQ(b[16], sig.size());
  EXPECT_EQ(std::string(b.begin() + 17, b.begin() + 17 + static_cast<long>(sig.size())), sig);
  for (size_t i = 17 + sig.size(); i < 56; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(b[56], 9);

  EXPECT_EQ(I32At(b, 57), 19);
  for (size_t i = 61; i < 57 + 56; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(I32At(b, 57 + 56), 42);
  EXPECT_EQ(I32At(b, 57 + 60), 7);
  for (size_t i = 57 + 64; i < 57 + 464; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(I32At(b, 521), 5);
  EXPECT_EQ(b[525], 'p');
  EXPECT_EQ(b[526], 0);
  EXPECT_EQ(b[533], 'c');
  EXPECT_EQ(I32At(b, 535), 0);  // no notes
  EXPECT_EQ(I32At(b, 539), 5);  // the body
  EXPECT_EQ(b.size(), 543u);
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
  EXPECT_EQ(back.fCheck.client_height, 900);
  EXPECT_EQ(back.fCheck.client_width, 1200);
  EXPECT_EQ(back.fCheck.negated_dpi, -120);
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

TEST_F(DocumentFileTest, OldBlocksSkipTwentyBytesAndVersion18ReadsTheParentName) {
  // Version 17: the 20 bytes after the record are skipped, whatever they hold.
  std::vector<uint8_t> b = HandMadeHead(17);
  for (int i = 0; i < 20; ++i) b.push_back(0xEE);
  AppendI32(b, 0);   // notes
  AppendI32(b, 77);  // body
  TTestDocument doc;
  doc.SaveAParentFilenameInExtraStuff(u"kept?");
  ASSERT_TRUE(ReadsBack(b, doc));
  EXPECT_EQ(doc.TessorineHolderVersionNumber(), 17);
  EXPECT_EQ(doc.ExtraStuffParentFilename(), u"");
  EXPECT_EQ(doc.body_value, 77);

  // Version 18: a string follows.
  b = HandMadeHead(18);
  AppendString(b, u"parent.lst");
  AppendI32(b, 0);
  AppendI32(b, 78);
  TTestDocument doc18;
  ASSERT_TRUE(ReadsBack(b, doc18));
  EXPECT_EQ(doc18.ExtraStuffParentFilename(), u"parent.lst");
  EXPECT_EQ(doc18.body_value, 78);

  // An old block written back keeps its old form, so that it reads as it was.
  TTessorineHolderExtraStuffHolder old;
  old.SetVersion(17);
  TMemoryStream s;
  ASSERT_TRUE(old.SaveToStream(s));
  EXPECT_EQ(s.Size(), 464 + 20);
}

TEST_F(DocumentFileTest, WithoutTheMarkerTheBlockIsNotRead) {
  std::vector<uint8_t> b = HandMadeHead(0, /*marker=*/0);
  b.resize(57);  // no block at all
  AppendI32(b, 0);
  AppendI32(b, 99);
  TTestDocument doc;
  doc.ExtraStuff().SetVersion(23);
  doc.SaveAParentFilenameInExtraStuff(u"before");
  ASSERT_TRUE(ReadsBack(b, doc));
  EXPECT_EQ(doc.TessorineHolderVersionNumber(), 23);
  EXPECT_EQ(doc.ExtraStuffParentFilename(), u"before");
  EXPECT_EQ(doc.body_value, 99);
}

TEST_F(DocumentFileTest, AFortyCharacterSignatureLosesItsLastCharacterToTheMarker) {
  TCheckSignature h;
  ClearCheckSignature(h);
  SetCheckSignatureText(h, std::string(40, 'S'));
  EXPECT_EQ(h.list_signature_length, 40);
  SetExtraStuffMarker(h);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(&h)[56], 9);
  EXPECT_EQ(h.list_signature[38], 'S');
}

TEST_F(DocumentFileTest, EveryTruncationAndDamageAnswersFalse) {
  TTestDocument doc;
  doc.main_count = 3;
  doc.SaveAParentFilenameInExtraStuff(u"parent");
  doc.fNotes.Add(u"one");
  doc.fNotes.Add(u"\ttwo");
  doc.body_value = 1;
  const std::vector<uint8_t> whole = SavedBytes(doc);
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    TTestDocument back;
    int fired = 0;
    back.OnMainEntriesKnown = [&](int32_t) { ++fired; };
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
    EXPECT_FALSE(ReadsBack(part, back)) << "cut at " << cut;
    // A block that could not be read announces no entries.
    if (cut < 57 + 464 + 4 + 12) {
      EXPECT_EQ(fired, 0) << "cut at " << cut;
    }
  }

  // Counts from the file are not trusted.
  for (int32_t bad : {-1, INT32_MAX, 40000}) {
    std::vector<uint8_t> b = whole;
    PutI32(b, 521, bad);  // the parent name's length
    TTestDocument back;
    int fired = 0;
    back.OnMainEntriesKnown = [&](int32_t) { ++fired; };
    EXPECT_FALSE(ReadsBack(b, back)) << bad;
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(back.ExtraStuffParentFilename(), u"");
  }
  std::vector<uint8_t> b = whole;
  PutI32(b, 521 + 4 + 12, 0x3FFFFFFF);  // the notes' line count
  TTestDocument back;
  EXPECT_FALSE(ReadsBack(b, back));

  // A header of another tool, or of an unknown list, is refused.
  b = whole;
  PutI32(b, 0, ToolSignature(kToolKeyness));
  EXPECT_FALSE(ReadsBack(b, back));
  b = whole;
  b[17] = 'X';
  TTestDocument other;
  EXPECT_FALSE(ReadsBack(b, other));
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
    const bool ok = doc.StartSaveToFile(s, u"", 0, 0, 0) && doc.SaveToStream(s);
    EXPECT_FALSE(ok) << "room for " << cap << " bytes";
  }
  // The block alone: a parent name that does not fit is a failure too.
  TTessorineHolderExtraStuffHolder block;
  block.SetVersion(19);
  block.parent_filename = u"name";
  TCappedStream s(464 + 4 + 6);
  EXPECT_FALSE(block.SaveToStream(s));
}

TEST_F(DocumentFileTest, AHeaderInsideALargerStreamIsRewrittenWhereItWasWritten) {
  TTestDocument doc;
  TMemoryStream s;
  const std::vector<uint8_t> prefix(100, 0xAB);
  ASSERT_TRUE(s.WriteExact(prefix.data(), 100));
  ASSERT_TRUE(doc.StartSaveToFile(s, u"", 0, 0, 0));
  ASSERT_TRUE(doc.SaveToStream(s));
  const std::vector<uint8_t>& b = s.Data();
  for (size_t i = 0; i < 100; ++i) ASSERT_EQ(b[i], 0xAB) << i;
  EXPECT_EQ(I32At(b, 100), ToolSignature(kToolConcordancer));
  EXPECT_EQ(b[100 + 56], 9);
  EXPECT_EQ(I32At(b, 157), 19);

  // Without a header written before, the document writes it where it stands.
  TTestDocument fresh;
  TMemoryStream t;
  ASSERT_TRUE(fresh.SaveToStream(t));
  EXPECT_EQ(t.Data()[56], 9);
  t.SetPosition(0);
  TTestDocument back;
  EXPECT_TRUE(back.StartReadFromStream(t));
  EXPECT_TRUE(back.TTessorineholder::ReadWholeFromStream(t));
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

TEST_F(DocumentFileTest, ADiskThatFillsUpHalfWayLeavesThePreviousDocument) {
  TempFolder tmp;
  const UString name = tmp.Path() + u"big.cnc";
  TTestDocument doc;
  ASSERT_TRUE(doc.SaveToFile(name, 0, 0, 0));
  const std::vector<uint8_t> before = FileBytes(name);
  for (int i = 0; i < 20000; ++i) doc.fNotes.Add(u"a line of notes that makes the document large");
  {
    FileSizeLimit limit(64 * 1024);
    EXPECT_FALSE(doc.SaveToFile(name, 0, 0, 0));
  }
  EXPECT_EQ(FileBytes(name), before);
  EXPECT_EQ(FindFiles(tmp.Path(), u"*").size(), 1u);
  ASSERT_TRUE(doc.SaveToFile(name, 0, 0, 0));
  TTestDocument back;
  ASSERT_TRUE(back.ReadWholeFromFile(name, kToolConcordancer).first);
  EXPECT_EQ(back.fNotes.Count(), 20000);
}

TEST_F(DocumentFileTest, SaveToFileAddsTheDefaultExtensionOnlyWhenThereIsNone) {
  TempFolder tmp;
  TTestDocument doc;
  ASSERT_TRUE(doc.SaveToFile(tmp.Path() + u"plain", 0, 0, 0));
  EXPECT_TRUE(FileExists(tmp.Path() + u"plain.cnc"));
  ASSERT_TRUE(doc.SaveToFile(tmp.Path() + u"named.xyz", 0, 0, 0));
  EXPECT_TRUE(FileExists(tmp.Path() + u"named.xyz"));
  // A batch save passes 0 for the window sizes.
  const std::vector<uint8_t> b = FileBytes(tmp.Path() + u"named.xyz");
  EXPECT_EQ(I32At(b, 4), 0);
  EXPECT_EQ(I32At(b, 8), 0);
  EXPECT_EQ(I32At(b, 12), 0);
}

TEST_F(DocumentFileTest, ReadWholeFromFileAnswersTwoFlags) {
  TempFolder tmp;
  const UString name = tmp.Path() + u"d.cnc";
  TTestDocument doc;
  doc.body_value = 4;
  ASSERT_TRUE(doc.SaveToFile(name, 0, 0, 0));

  TTestDocument back;
  T2_BooleanRec r = back.ReadWholeFromFile(name, kToolConcordancer);
  EXPECT_TRUE(r.first);
  EXPECT_TRUE(r.second);
  EXPECT_EQ(back.SourceTextFilename, name);
  EXPECT_EQ(back.body_value, 4);

  TTestDocument wrong;
  r = wrong.ReadWholeFromFile(name, kToolWordLister);
  EXPECT_FALSE(r.first);
  EXPECT_FALSE(r.second);
  EXPECT_EQ(wrong.SourceTextFilename, u"");

  TTestDocument missing;
  r = missing.ReadWholeFromFile(tmp.Path() + u"nothing.cnc", kToolConcordancer);
  EXPECT_FALSE(r.first);

  tmp.Write(u"short.cnc", "abc");
  r = missing.ReadWholeFromFile(tmp.Path() + u"short.cnc", kToolConcordancer);
  EXPECT_FALSE(r.first);
  EXPECT_EQ(missing.SourceTextFilename, u"");
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
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(5000, false, v));
  EXPECT_EQ(v, 1000);
  ASSERT_TRUE(doc.TryToGetClientHeightOrWidth(803, true, v));
  EXPECT_EQ(v, 600);

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
  auto block = [](size_t size, size_t probe_at, int32_t probe, int32_t marked) {
    std::vector<uint8_t> b(size + 100, 0x11);  // more bytes follow the block
    PutI32(b, probe_at, probe);
    PutI32(b, 1048, marked);
    return b;
  };
  // A version-4 block: 1212 bytes, its int32 at 640 not negative.
  {
    std::vector<uint8_t> b = block(1212, 640, 0, -9);
    TMemoryStream s(b);
    TKeywordsSettingsRec32 rec;
    ASSERT_TRUE(doc.KWSettingsRead(s, rec));
    EXPECT_EQ(s.Position(), 1212);
    EXPECT_EQ(rec.LayoutMarkedValue(), 9);
    EXPECT_EQ(rec.bytes[1300], 0);  // beyond the old layout
  }
  // Negative at 640, and 3 at 1184: the old version-5 block of 2256 bytes.
  {
    std::vector<uint8_t> b = block(2256, 640, -1, -9);
    PutI32(b, 1184, 3);
    TMemoryStream s(b);
    TKeywordsSettingsRec32 rec;
    ASSERT_TRUE(doc.KWSettingsRead(s, rec));
    EXPECT_EQ(s.Position(), 2256);
    EXPECT_EQ(rec.bytes[2300], 0);
  }
  // Negative at 640, not 3 at 1184: rewound again, the whole 2664 bytes.
  {
    std::vector<uint8_t> b = block(2664, 640, -1, -9);
    PutI32(b, 1184, 4);
    TMemoryStream s(b);
    TKeywordsSettingsRec32 rec;
    ASSERT_TRUE(doc.KWSettingsRead(s, rec));
    EXPECT_EQ(s.Position(), 2664);
    EXPECT_EQ(rec.bytes[2300], 0x11);
  }
  // Too short for what it claims to be: false, the record untouched.
  {
    std::vector<uint8_t> b = block(2000, 640, -1, -9);
    b.resize(2000);
    TMemoryStream s(b);
    TKeywordsSettingsRec32 rec;
    rec.Clear();
    rec.SetMaxKeywordsWanted(500);
    EXPECT_FALSE(doc.KWSettingsRead(s, rec));
    EXPECT_EQ(rec.MaxKeywordsWanted(), 500);
  }
  // Version 5: the old font at byte 8 becomes the display font.
  {
    doc.ExtraStuff().SetVersion(5);
    std::vector<uint8_t> b(2664, 0);
    b[8] = 1;
    b[9] = 12;
    std::memcpy(b.data() + 10, "Arial", 5);
    TMemoryStream s(b);
    TKeywordsSettingsRec32 rec;
    ASSERT_TRUE(doc.KWSettingsRead(s, rec));
    TTextsett_rec32 as_text;
    as_text.Clear();
    std::memcpy(as_text.bytes + 330, rec.bytes + 330, 204);
    EXPECT_EQ(as_text.FontName(), u"Arial");
    EXPECT_EQ(as_text.FontSize(), 12);
  }
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
