#include <gtest/gtest.h>

#include <cstring>

#include "model/documents/check_signature.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_tools.h"
#include "platform/zip/zip_forge.h"
#include "shell/files/file_recognition.h"
#include "support/temp_folder.h"

namespace {

constexpr uint8_t kLinzora = 1;

std::string Header(uint8_t writer, std::string_view list_signature) {
  TCheckSignature h{};
  ClearCheckSignature(h);
  h.signature = ToolSignature(writer);
  SetCheckSignatureText(h, list_signature);
  std::string bytes(sizeof h, '\0');
  std::memcpy(bytes.data(), &h, sizeof h);
  return bytes + "body";
}

UString BatchArchive(const TempFolder& dir, UStringView name, const std::string& comment, bool with_member) {
  const UString member = dir.Write(u"member.cnc", Header(kLinzora, list_signature32(kListConcordance)));
  TZipForge zip;
  zip.SetFileName(dir.Path() + UString(name));
  EXPECT_TRUE(zip.OpenArchive(TZipOpenMode::ReadWrite));
  EXPECT_TRUE(zip.SetFileComment(comment));
  if (with_member) {
    EXPECT_TRUE(zip.AddFile(member));
  }
  EXPECT_TRUE(zip.CloseArchive());
  return dir.Path() + UString(name);
}

class FileRecognition : public ::testing::Test {
 protected:
  void SetUp() override { HeadlessDialogs().Clear(); }
  TempFolder dir;
};

}  // namespace

TEST_F(FileRecognition, VerdictAndMessageForEachKindOfFile) {
  struct Case {
    const char* what;
    UString name;
    uint8_t tool;
    TFileVerdict verdict;
    TVXDialog message;  // MessageBox: none expected
    TTessorineList list_type;
  };
  const Case cases[] = {
      {"own list", dir.Write(u"a.cnc", Header(kLinzora, list_signature32(kListConcordance))), kLinzora,
       TFileVerdict::ForThisTool, TVXDialog::MessageBox, kListConcordance},
      {"another tool's list", dir.Write(u"k.kws", Header(kToolKeyness, list_signature32(kListKeywords))), kLinzora,
       TFileVerdict::OtherTool, TVXDialog::WrongToolForFile, kListNone},
      {"our header, list type of another tool", dir.Write(u"w.cnc", Header(kLinzora, list_signature32(kListWordList))),
       kLinzora, TFileVerdict::OtherTool, TVXDialog::WrongToolForFile, kListNone},
      {"unknown list signature", dir.Write(u"old.cnc", Header(kLinzora, "SOME OLDER LIST")), kLinzora,
       TFileVerdict::OlderFormat, TVXDialog::IsntACurrentTessorFile, kListNone},
      {"foreign bytes", dir.Write(u"x.cnc", std::string(100, 'x')), kLinzora, TFileVerdict::NotOurs,
       TVXDialog::IsntTessorFile, kListNone},
      {"empty file", dir.Write(u"e.cnc", ""), kLinzora, TFileVerdict::NotOurs, TVXDialog::IsntTessorFile, kListNone},
      {"missing", dir.Path() + u"none.cnc", kLinzora, TFileVerdict::Missing, TVXDialog::FailedToFind, kListNone},
      {"batch archive", BatchArchive(dir, u"b.zip", "Tessor Batch file .cnc", true), kLinzora,
       TFileVerdict::ForThisTool, TVXDialog::MessageBox, kListConcordance},
      {"empty batch archive", BatchArchive(dir, u"b0.zip", "Tessor Batch file .cnc", false), kLinzora,
       TFileVerdict::NotOurs, TVXDialog::IsntTessorFile, kListNone},
      {"archive of another comment", BatchArchive(dir, u"z.zip", "holiday photos", true), kLinzora,
       TFileVerdict::NotOurs, TVXDialog::IsntTessorFile, kListNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ExamineFile(c.name, c.tool).verdict, c.verdict);
    HeadlessDialogs().Clear();
    TVXStored_File_rec rec{c.name, 3, 7};
    const bool accepted = CheckFileForTool(rec, c.tool);
    EXPECT_EQ(accepted, c.verdict == TFileVerdict::ForThisTool);
    if (accepted) {
      EXPECT_EQ(rec.name, c.name);
      EXPECT_EQ(rec.list_type, c.list_type);
      EXPECT_TRUE(HeadlessDialogs().Asked().empty());
    } else {
      EXPECT_TRUE(rec.name.empty());  // a refused file leaves no record behind
      ASSERT_EQ(HeadlessDialogs().Asked().size(), 1u);
      EXPECT_EQ(HeadlessDialogs().Asked()[0].id, c.message);
      EXPECT_NE(HeadlessDialogs().Asked()[0].text.find(ExtractFileName(c.name)), UString::npos);
    }
    // A file already open (a hand-over) gets the same verdict from its header, wherever the
    // stream stood, and is left at its start for the read; archives are not looked into.
    if (c.verdict == TFileVerdict::Missing || ExtractFileExt(c.name) == u".zip") continue;
    auto open = TFileStream::Open(c.name, TFileMode::OpenRead);
    ASSERT_TRUE(open);
    open->SetPosition(open->Size() / 2);
    EXPECT_EQ(ExamineOpenFile(*open, c.tool).verdict, c.verdict);
    EXPECT_EQ(open->Position(), 0);
    HeadlessDialogs().Clear();
    TVXStored_File_rec open_rec{c.name, 3, 7};
    EXPECT_EQ(CheckOpenFileForTool(open_rec, *open, c.tool), accepted);
    EXPECT_EQ(open_rec.name, rec.name);
    EXPECT_EQ(open_rec.list_type, rec.list_type);
    EXPECT_EQ(HeadlessDialogs().Asked().size(), accepted ? 0u : 1u);
  }
  // The wrong-tool message names the tool the file belongs to.
  TVXStored_File_rec rec{dir.Path() + u"k.kws"};
  CheckFileForTool(rec, kLinzora);
  EXPECT_NE(HeadlessDialogs().Asked().back().text.find(u"Keyness"), UString::npos);
}

TEST_F(FileRecognition, FileUtilitiesTakePlainTexts) {
  for (const UString name : {u"notes.txt", u"NOTES.TXT", u"film.en_srt"}) {
    TVXStored_File_rec rec{dir.Write(name, "plain words")};
    EXPECT_TRUE(CheckFileForTool(rec, kToolFileUtilities)) << Utf16ToUtf8(name);
    EXPECT_EQ(rec.list_type, kListPlainText);
  }
  TVXStored_File_rec rec{dir.Write(u"notes.txt", "plain words")};
  EXPECT_FALSE(CheckFileForTool(rec, kLinzora));  // only that tool reads plain texts
}

TEST_F(FileRecognition, CommandLineParameters) {
  const UString own = dir.Write(u"run.cnc", Header(kLinzora, list_signature32(kListConcordance)));
  EXPECT_TRUE(FileRecFromParameter(u"ab", kLinzora).name.empty());
  EXPECT_TRUE(FileRecFromParameter(dir.Path() + u"none.cnc", kLinzora).name.empty());
  const TVXStored_File_rec found = FileRecFromParameter(u"  " + own + u" ", kLinzora);
  EXPECT_EQ(found.name, own);
  EXPECT_EQ(found.list_type, kListConcordance);
  EXPECT_EQ(FileRecFromParameter(BatchArchive(dir, u"p.zip", "photos", true), kLinzora).list_type, kListNone);
  EXPECT_EQ(FileRecFromParameter(dir.Write(u"t.txt", "words"), kToolFileUtilities).list_type, kListPlainText);
}

TEST(WindowTexts, CaptionsMenusAndCounts) {
  EXPECT_EQ(CaptionForFile(u"/d/run.cnc", u"/d/run.cnc", kListConcordance), u"run.cnc");
  EXPECT_EQ(CaptionForFile(u"/d/run.cnc", u"/e/other.cnc", kListConcordance), u"/d/run.cnc");
  EXPECT_NE(CaptionForFile(u"/d/big.idx", u"/d/big.idx", kListIndex).find(u"big"), UString::npos);
  EXPECT_EQ(CaptionForFile(u"/d/big.idx", u"/d/big.idx", kListIndex).find(u".idx"), UString::npos);

  EXPECT_EQ(RecentFileMenuText(u"/d/salt & pepper.cnc"), u"/d/salt && pepper.cnc");
  EXPECT_EQ(RecentFileMenuText(u"a\nb"), u"a\\Nb");

  for (const auto& [name, browser] : std::initializer_list<std::pair<UString, bool>>{
           {u"a.html", true}, {u"a.HTM", true}, {u"a.xml", true}, {u"a.H", false}, {u"a.X", false},
           {u"a.txt", false}, {u"html", false}, {u"a.xhtml", false}}) {
    EXPECT_EQ(IsBrowserFileExtension(name), browser) << Utf16ToUtf8(name);
  }

  EXPECT_EQ(PercentDone(1, 0), std::nullopt);
  EXPECT_EQ(PercentDone(5, -3), std::nullopt);
  EXPECT_EQ(PercentDone(int64_t{1} << 40, int64_t{1} << 41), 50);  // 32 bits would overflow
  EXPECT_EQ(PercentDone(255, 256), 99);

  for (const auto& [text, count] : std::initializer_list<std::pair<UString, std::optional<int64_t>>>{
           {u"5", 5}, {u" 9 ", 9}, {u"0", std::nullopt}, {u"10", std::nullopt}, {u"11", std::nullopt},
           {u"-3", std::nullopt}, {u"4x", std::nullopt}, {u"", std::nullopt},
           {u"99999999999999999999", std::nullopt}}) {
    EXPECT_EQ(ReduceCountFromText(text, 10), count) << Utf16ToUtf8(text);
  }
}
