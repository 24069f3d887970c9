// Every save of the program that writes a temporary sibling and renames it (documents, exports,
// text files, saved choices) keeps the file's mode, saves through a link into the file it names,
// and refuses a write-protected file, leaving it as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "../concordance/document_test_support.h"
#include "export_test_support.h"
#include "model/reading/chosen_texts_handover.h"
#include "model/export/list_export.h"
#include "platform/rtl/files.h"
#include "platform/rtl/temporary_names.h"
#include "platform/text/text_files.h"
#include "support/temp_folder.h"
#include "wordlist/word_list_document.h"

namespace {

std::string Path8(const UString& s) { return Utf16ToUtf8(s); }

struct TSaveRoutine {
  const char* what;
  const char16_t* extension;
  std::function<bool(const UString& name)> save;
};

std::string Contents(const UString& name) {
  std::ifstream in(Path8(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(SavesKeepFiles, ModeLinksAndWriteProtectionForEverySave) {
  document_test::ScopedSettings settings;
  TempFolder texts;
  const UString text = texts.Write(u"t.txt", "river bank");
  TVXBaseHolder holder;
  TGivenRowsList rows(&holder);
  rows.rows = {{TextCell(u"N"), TextCell(u"Word")}, {TextCell(u"1"), TextCell(u"river")}};
  rows.UseRow0AsHeadings();
  const TSaveRoutine routines[] = {
      {"concordance document", u".cnc",
       [](const UString& n) { return document_test::NewDocument()->SaveToFile(n, 0, 0, 0); }},
      {"word-list document", u".lst",
       [](const UString& n) {
         T_WholeWordlistHolder doc(nullptr, nullptr, nullptr, kListWordList, false, false, nullptr, nullptr);
         return doc.SaveToFile(n, 0, 0, 0);
       }},
      {"text export", u".txt", [&](const UString& n) { return ExportListAsTXT(rows, holder, n); }},
      {"XML export", u".xml", [&](const UString& n) { return ExportListAsXML(rows, holder, n); }},
      {"rich-text export", u".rtf", [&](const UString& n) { return ExportListAsRTF(rows, holder, n, u"doc"); }},
      {"spreadsheet export", u".xlsx", [&](const UString& n) { return ExportListAsExcel(rows, holder, n, u"doc"); }},
      {"text file", u".txt", [](const UString& n) { return SaveTextFileUtf16(n, u"some text\n"); }},
      {"saved choice of texts", u".chosen",
       [&](const UString& n) {
         TVXFileDetails set(false, kToolConcordancer);
         set.ToolAddAFile(text);
         return set.SaveAllChosenToFile(n);
       }},
  };
  for (const TSaveRoutine& r : routines) {
    SCOPED_TRACE(r.what);
    TempFolder dir;
    const UString real = dir.Path() + u"real/saved" + r.extension;
    const UString link = dir.Path() + u"link" + r.extension;
    ASSERT_TRUE(ForceDirectories(dir.Path() + u"real"));
    std::ofstream(Path8(real)) << "old";
    ASSERT_EQ(::symlink(Path8(real).c_str(), Path8(link).c_str()), 0);

    // A private file stays private.
    ASSERT_EQ(::chmod(Path8(real).c_str(), 0600), 0);
    ASSERT_TRUE(r.save(real));
    struct stat st {};
    ASSERT_EQ(::stat(Path8(real).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    const std::string saved = Contents(real);
    EXPECT_NE(saved, "old");

    // Through the link: the link stays, the file it names is written and keeps its mode.
    ASSERT_EQ(::chmod(Path8(real).c_str(), 0640), 0);
    std::ofstream(Path8(real)) << "old";
    ASSERT_TRUE(r.save(link));
    ASSERT_EQ(::lstat(Path8(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(Path8(real).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(Contents(real), "old");

    // Write-protected: refused, as it was.
    std::ofstream(Path8(real)) << "old";
    ASSERT_EQ(::chmod(Path8(real).c_str(), 0444), 0);
    EXPECT_FALSE(r.save(real));
    EXPECT_FALSE(r.save(link));
    EXPECT_EQ(Contents(real), "old");
    ASSERT_EQ(::stat(Path8(real).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);

    for (const auto& e : std::filesystem::recursive_directory_iterator(Path8(dir.Path())))
      EXPECT_FALSE(IsOurTemporaryName(std::string_view(e.path().string()))) << e.path();
  }
}
