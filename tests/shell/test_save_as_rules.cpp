// The save-as model: row and column texts, reading them back, format and extension, the XML
// wrapper, and what OK checks and renames before anything is stored.
#include "shell/grid_tools/save_as_rules.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "model/lists/grid_headings.h"
#include "model/export_test_support.h"
#include "model/lists/result_list_base.h"
#include "model/text_reader_test_support.h"
#include "platform/rtl/files.h"
#include "platform/runtime/vx_dialogs.h"
#include "platform/runtime/vx_tools.h"
#include "platform/settings/settings_access.h"
#include "platform/text/text_files.h"
#include "support/temp_folder.h"

namespace {

TSaveAsSetup Grid(int columns, int rows, int header_rows, TGridRect selection = {}) {
  TSaveAsSetup s;
  s.columns = columns;
  s.rows = rows;
  s.header_rows = header_rows;
  s.selection = selection;
  s.list_type = kListConcordance;
  return s;
}

struct TextCase {
  const char* what;
  TSaveAsSetup setup;
  bool selection_only, numbers_or_headings;
  const char16_t* rows;
  const char16_t* columns;
};

TEST(SaveAsModel, RowAndColumnTexts) {
  const TextCase cases[] = {
      {"101 rows, one header row", Grid(5, 101, 1), false, true, u"0,1,2-100", u"1,2-5"},
      {"3 rows, one header row: a single data row", Grid(5, 3, 1), false, true, u"0,1,2", u"1,2-5"},
      {"two columns with numbers", Grid(2, 10, 0), false, true, u"0,1-9", u"1,2"},
      {"one column with numbers", Grid(1, 10, 0), false, true, u"0,1-9", u"1"},
      {"without headings or numbers", Grid(4, 10, 2), false, false, u"3-9", u"2-4"},
      {"a selection with headings", Grid(6, 50, 1, {2, 5, 3, 9}), true, true, u"0,1,5-9", u"1,3-4"},
      {"a selection without", Grid(6, 50, 1, {2, 5, 3, 9}), true, false, u"5-9", u"3-4"},
      {"a selection of the numbers column", Grid(6, 50, 0, {0, 5, 2, 6}), true, true, u"0,5-6", u"1,2-3"},
  };
  for (const TextCase& c : cases) {
    TSaveAsModel m(c.setup, TExportSettings());
    m.rows_selection_only = m.columns_selection_only = c.selection_only;
    m.with_headings = m.with_numbers = c.numbers_or_headings;
    m.RecomputeRowText();
    m.RecomputeColumnText();
    EXPECT_EQ(Utf16ToUtf8(m.row_text), Utf16ToUtf8(c.rows)) << c.what;
    EXPECT_EQ(Utf16ToUtf8(m.column_text), Utf16ToUtf8(c.columns)) << c.what;
  }
}

TEST(SaveAsModel, SeveralSelectedRowsTickSelectionOnlyAndATransposedGridSwapsCounts) {
  TSaveAsSetup s = Grid(3, 20, 0, {0, 2, 1, 4});
  EXPECT_TRUE(TSaveAsModel(s, TExportSettings()).rows_selection_only);
  s.selection = {0, 2, 1, 2};
  EXPECT_FALSE(TSaveAsModel(s, TExportSettings()).columns_selection_only);
  s.grid_kind = kTransposedGridKind;
  const TSaveAsModel t(s, TExportSettings());
  EXPECT_EQ(t.Columns(), 20);
  EXPECT_EQ(t.Rows(), 3);
}

TEST(SaveAsFormats, FilterFormatAndExtensionAgree) {
  const std::vector<TSaveAsFilter> f = SaveAsFilters(kListConcordance);
  ASSERT_EQ(f.size(), static_cast<size_t>(kSaveAsFormatCount));
  EXPECT_EQ(f[kSaveAsXML].patterns, u"*.xml");
  EXPECT_EQ(f[kSaveAsListOwnType].patterns, u"*.cnc");
  const struct {
    int format;
    const char16_t* name;
  } cases[] = {{kSaveAsPlainText, u"/d/list.txt"}, {kSaveAsXML, u"/d/list.xml"},
               {kSaveAsSpreadsheet, u"/d/list.xlsx"}, {kSaveAsRichText, u"/d/list.rtf"},
               {kSaveAsListOwnType, u"/d/list.cnc"}, {kSaveAsAny, u"/d/list.abc"}};
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameForSaveAsFormat(u"/d/list.abc", c.format, kListConcordance), c.name) << c.format;
    // The name matches one of the filter's patterns for its format.
    bool matched = false;
    UString patterns = f[c.format].patterns + u";";
    for (size_t at = 0, end; (end = patterns.find(u';', at)) != UString::npos; at = end + 1)
      matched = matched || MatchesMask(ExtractFileName(c.name), patterns.substr(at, end - at));
    EXPECT_TRUE(matched) << c.format;
  }
  EXPECT_EQ(FileNameForSaveAsFormat(u"", kSaveAsXML, kListConcordance), u"");
  EXPECT_EQ(SaveAsCaption(kSaveAsListOwnType, kListConcordance), u"Save as .cnc");
}

// The name offered is the document's with its extension replaced by "_" and the list type's
// name, then the format's extension; it wins over the name kept from the last export. A document
// never saved offers "_" and the type's name alone, in the kept name's folder, else the tool's
// default folder, where OK then puts it.
TEST(SaveAsModel, TheNameOfferedComesFromTheDocumentsName) {
  text_reader_test::ScopedSettings settings;
  const struct {
    const char16_t* document;
    TTessorineList list_type;
    int format;
    const char16_t* kept;
    const char16_t* offered;
    const char16_t* folder;
  } cases[] = {
      {u"/texts/corpus.cnc", kListConcordance, kSaveAsPlainText, u"/earlier/old.txt", u"/texts/corpus_Concordance.txt",
       u"/texts/"},
      {u"/texts/corpus.cnc", kListCollocates, kSaveAsXML, u"", u"/texts/corpus_Collocates.xml", u"/texts/"},
      {u"/texts/v1.2/list.lst", kListWordList, kSaveAsRichText, u"", u"/texts/v1.2/list_Word list.rtf",
       u"/texts/v1.2/"},
      {u"/texts/v1.2/notes", kListPlot, kSaveAsSpreadsheet, u"", u"/texts/v1.2/notes_Plot.xlsx", u"/texts/v1.2/"},
      {u"", kListConcordance, kSaveAsPlainText, u"/earlier/old.txt", u"_Concordance.txt", u"/earlier/"},
      {u"", kListCollocates, kSaveAsPlainText, u"", u"_Collocates.txt", u"(default)"},
  };
  TVXBaseHolder holder;
  TGivenRowsList list(&holder);
  list.rows = {{TextCell(u"N"), TextCell(u"Word")}, {TextCell(u"1"), TextCell(u"cat")}};
  list.UseRow0AsHeadings();
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.offered));
    EXPECT_EQ(SaveAsNameForDocument(c.document, c.list_type), ChangeFileExt(c.offered, u""));
    const TSaveAsSetup setup = SaveAsSetupForList(list, c.list_type, 0, kToolConcordancer, 1, 1, c.document);
    EXPECT_EQ(setup.default_folder, GetDefaultFolder(kToolConcordancer));
    TExportSettings kept;
    kept.format = c.format;
    kept.file_name = c.kept;
    const TSaveAsModel m(setup, kept);
    EXPECT_EQ(Utf16ToUtf8(m.file_name), Utf16ToUtf8(c.offered));
    const UString folder = c.folder == UString(u"(default)") ? GetDefaultFolder(kToolConcordancer) : UString(c.folder);
    EXPECT_EQ(m.initial_folder, folder);
  }
}

TEST(SaveAsFormats, XmlWrapperHasALegalElementName) {
  EXPECT_EQ(SaveAsTopXML(kListConcordance), u"<?xml version=\"1.0\"?>\r\n<TESSORINE_CONCORDANCE>\r\n");
  EXPECT_EQ(SaveAsBottomXML(kListConcordance), u"\r\n</TESSORINE_CONCORDANCE>");
}

std::string FileBytes(const UString& name) {
  std::ifstream in(ToFsPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t ModeOf(const UString& name) {
  struct stat st {};
  return ::stat(Utf16ToUtf8(name).c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool IsLink(const UString& name) {
  struct stat st {};
  return ::lstat(Utf16ToUtf8(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class SaveAsAccept : public testing::Test {
 protected:
  void SetUp() override { SetDialogService(&dialogs); }
  void TearDown() override { SetDialogService(nullptr); }
  TSaveAsModel Model(int columns, int rows, int header_rows) {
    TSaveAsModel m(Grid(columns, rows, header_rows), TExportSettings());
    m.file_name = dir.Path() + u"out.txt";
    return m;
  }
  THeadlessDialogService dialogs;
  TempFolder dir;
};

TEST_F(SaveAsAccept, AnUnsavedDocumentsListIsSavedInTheDefaultFolder) {
  TSaveAsSetup setup = Grid(3, 10, 0);
  setup.file_name = SaveAsNameForDocument(u"", kListConcordance);
  setup.default_folder = dir.Path();
  TSaveAsModel m(setup, TExportSettings());
  EXPECT_EQ(m.file_name, u"_Concordance.txt");
  TExportSettings out;
  ASSERT_EQ(m.Accept(out), kSaveAsAccepted);
  EXPECT_EQ(out.file_name, dir.Path() + u"_Concordance.txt");
  EXPECT_TRUE(dialogs.Asked().empty());
}

TEST_F(SaveAsAccept, AllOnlyWhenEveryRowOrColumnIsNamed) {
  const struct {
    const char16_t* rows;
    const char16_t* columns;
    bool all_rows, all_columns;
    std::vector<int32_t> row_numbers, column_numbers;
    int32_t first_row, last_row, first_column, last_column;
  } cases[] = {
      {u"0-100", u"1-5", true, true, {}, {}, 0, 100, 0, 4},
      {u"50-100", u"2-5", false, false, {50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66,
                                       67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83,
                                       84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100},
       {1, 2, 3, 4}, 50, 100, 1, 4},
      {u"0,1,2-100", u"5, 1-4", true, true, {}, {}, 0, 100, 0, 4},
      {u"0,3", u"1", false, false, {0, 3}, {0}, 0, 3, 0, 0},
  };
  for (const auto& c : cases) {
    TSaveAsModel m = Model(5, 101, 1);
    m.row_text = c.rows;
    m.column_text = c.columns;
    TExportSettings out;
    ASSERT_EQ(m.Accept(out), kSaveAsAccepted) << Utf16ToUtf8(c.rows);
    EXPECT_EQ(out.all_rows, c.all_rows) << Utf16ToUtf8(c.rows);
    EXPECT_EQ(out.all_columns, c.all_columns) << Utf16ToUtf8(c.columns);
    EXPECT_EQ(out.rows, c.row_numbers) << Utf16ToUtf8(c.rows);
    EXPECT_EQ(out.columns, c.column_numbers) << Utf16ToUtf8(c.columns);
    EXPECT_EQ(out.first_row, c.first_row);
    EXPECT_EQ(out.last_row, c.last_row);
    EXPECT_EQ(out.first_column, c.first_column);
    EXPECT_EQ(out.last_column, c.last_column);
  }
  EXPECT_TRUE(dialogs.Asked().empty());
}

TEST_F(SaveAsAccept, BadInputIsRefusedWithAMessageAndChangesNothing) {
  const std::string kept = "kept";
  const UString existing = dir.Write(u"there.txt", kept);
  const struct {
    const char* what;
    const char16_t* rows;
    const char16_t* columns;
    UString file;
    TVXDialog message;
  } cases[] = {
      {"an empty name", u"0-9", u"1-3", u"  ", TVXDialog::ProvideAFilenameOrCancel},
      {"a folder without a file part", u"0-9", u"1-3", dir.Path(), TVXDialog::ProvideAFilenameOrCancel},
      {"a missing folder", u"0-9", u"1-3", dir.Path() + u"none/x.txt", TVXDialog::CannotWriteToXFolder},
      {"rows that do not parse", u"0-x", u"1-3", dir.Path() + u"a.txt", TVXDialog::InformationMessage},
      {"a reversed range", u"9-3", u"1-3", dir.Path() + u"a.txt", TVXDialog::InformationMessage},
      {"a row past the list", u"0-10", u"1-3", dir.Path() + u"a.txt", TVXDialog::InformationMessage},
      {"column 0", u"0-9", u"0-3", dir.Path() + u"a.txt", TVXDialog::InformationMessage},
      {"a column past the list", u"0-9", u"1-4", dir.Path() + u"a.txt", TVXDialog::InformationMessage},
      {"empty columns", u"0-9", u"", dir.Path() + u"a.txt", TVXDialog::InformationMessage},
      // A bad text is found before the overwrite question: the existing file is never asked about.
      {"bad rows over an existing file", u"x", u"1-3", existing, TVXDialog::InformationMessage},
  };
  for (const auto& c : cases) {
    dialogs.Clear();
    TSaveAsModel m = Model(3, 10, 0);
    m.initial_folder.clear();
    m.row_text = c.rows;
    m.column_text = c.columns;
    m.file_name = c.file;
    TExportSettings out;
    out.file_name = u"unchanged";
    EXPECT_EQ(m.Accept(out), kSaveAsRefused) << c.what;
    EXPECT_EQ(out.file_name, u"unchanged") << c.what;
    ASSERT_EQ(dialogs.Asked().size(), 1u) << c.what;
    EXPECT_EQ(dialogs.Asked()[0].id, c.message) << c.what;
  }
  EXPECT_FALSE(FileExists(dir.Path() + u"there.bak"));
  EXPECT_EQ(FileSizeU(existing), 4);
}

TEST_F(SaveAsAccept, AnUnwritableFolderIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  const UString folder = dir.Path() + u"locked";
  ASSERT_TRUE(ForceDirectories(folder));
  ASSERT_EQ(chmod(Utf16ToUtf8(folder).c_str(), 0555), 0);
  TSaveAsModel m = Model(3, 10, 0);
  m.file_name = folder + u"/x.txt";
  TExportSettings out;
  EXPECT_EQ(m.Accept(out), kSaveAsRefused);
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].id, TVXDialog::CannotWriteToXFolder);
  chmod(Utf16ToUtf8(folder).c_str(), 0755);
}

// Saving over a file: No keeps it as it was; Yes copies it to its ".bak" name (an older backup
// replaced) and leaves the file itself for the export, which saves into it: the backup holds the
// old bytes, the file the new ones, and both keep the file's mode; through a link the file it
// names is written and the link stays a link.
TEST_F(SaveAsAccept, OverwritingCopiesTheFileToItsBackupAndTheExportSavesIntoIt) {
  const struct {
    const char* what;
    mode_t mode;
    bool through_link;
  } cases[] = {{"a private file", 0600, false}, {"a file the group may read", 0640, false},
               {"a link to a private file", 0600, true}, {"a link to a shared file", 0644, true}};
  TVXBaseHolder holder;
  TGivenRowsList list(&holder);
  list.rows = {{TextCell(u"N"), TextCell(u"Word")}, {TextCell(u"1"), TextCell(u"new")}};
  list.UseRow0AsHeadings();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder files;
    const UString target = dir.Write(u"out.txt", "new old");
    const UString real = c.through_link ? files.Write(u"real.txt", "new old") : target;
    if (c.through_link) {
      std::filesystem::remove(ToFsPath(target));
      ASSERT_EQ(::symlink(Utf16ToUtf8(real).c_str(), Utf16ToUtf8(target).c_str()), 0);
    }
    ASSERT_EQ(::chmod(Utf16ToUtf8(real).c_str(), c.mode), 0);
    dir.Write(u"out.bak", "older");
    TSaveAsModel m = Model(2, 2, 0);
    TExportSettings out;
    dialogs.Clear();
    dialogs.Script({mrNo});
    EXPECT_EQ(m.Accept(out), kSaveAsRefused);
    EXPECT_EQ(FileBytes(real), "new old");
    EXPECT_EQ(FileBytes(dir.Path() + u"out.bak"), "older");
    dialogs.Script({mrYes});
    ASSERT_EQ(m.Accept(out), kSaveAsAccepted);
    EXPECT_EQ(out.file_name, target);
    EXPECT_EQ(FileBytes(dir.Path() + u"out.bak"), "new old");
    EXPECT_EQ(ModeOf(dir.Path() + u"out.bak"), c.mode);
    EXPECT_EQ(FileBytes(real), "new old");  // the export has not run yet

    out.with_numbers = false;
    out.columns = {1};
    out.all_columns = false;
    ASSERT_TRUE(ExportListWithSettings(list, holder, out, u""));
    UString exported;
    ASSERT_TRUE(ReadTextFile(real, exported, 1 << 20));
    EXPECT_EQ(Utf16ToUtf8(exported), "Word\nnew\n");
    EXPECT_EQ(ModeOf(real), c.mode);
    EXPECT_EQ(IsLink(target), c.through_link);
    EXPECT_EQ(FileBytes(dir.Path() + u"out.bak"), "new old");
    EXPECT_EQ(ModeOf(dir.Path() + u"out.bak"), c.mode);
    std::filesystem::remove(ToFsPath(target));
  }
}

// A file the export could not save into is refused before the question, with a message naming
// it; nothing is copied and the file is as it was.
TEST_F(SaveAsAccept, AFileThatCannotBeSavedOverIsRefusedBeforeTheQuestion) {
  TempFolder files;
  const UString protected_file = files.Write(u"kept.txt", "kept");
  ASSERT_EQ(::chmod(Utf16ToUtf8(protected_file).c_str(), 0444), 0);
  const struct {
    const char* what;
    UString points_to;  // empty: the protected file itself
    UString named;      // the file the message names
  } cases[] = {{"write-protected", u"", dir.Path() + u"out.txt"},
               {"a link to a write-protected file", protected_file, protected_file}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const UString target = dir.Path() + u"out.txt";
    if (c.points_to.empty()) {
      dir.Write(u"out.txt", "kept");
      ASSERT_EQ(::chmod(Utf16ToUtf8(target).c_str(), 0444), 0);
    } else {
      ASSERT_EQ(::symlink(Utf16ToUtf8(c.points_to).c_str(), Utf16ToUtf8(target).c_str()), 0);
    }
    TSaveAsModel m = Model(3, 10, 0);
    TExportSettings out;
    out.file_name = u"unchanged";
    dialogs.Clear();
    dialogs.Script({mrYes});
    EXPECT_EQ(m.Accept(out), kSaveAsRefused);
    ASSERT_EQ(dialogs.Asked().size(), 1u);
    EXPECT_EQ(dialogs.Asked()[0].id, TVXDialog::InformationMessage);
    EXPECT_NE(dialogs.Asked()[0].text.find(c.named), UString::npos) << Utf16ToUtf8(dialogs.Asked()[0].text);
    EXPECT_NE(dialogs.Asked()[0].text.find(u"write-protected"), UString::npos);
    EXPECT_EQ(out.file_name, u"unchanged");
    EXPECT_FALSE(std::filesystem::exists(ToFsPath(dir.Path() + u"out.bak")));
    EXPECT_EQ(FileBytes(target), "kept");
    std::filesystem::remove(ToFsPath(target));
  }
  // The export's own save refuses it too (root's as well), and leaves it as it was.
  TVXBaseHolder holder;
  TGivenRowsList list(&holder);
  list.rows = {{TextCell(u"Word")}, {TextCell(u"new")}};
  TExportSettings s;
  s.file_name = protected_file;
  EXPECT_FALSE(ExportListWithSettings(list, holder, s, u""));
  EXPECT_EQ(FileBytes(protected_file), "kept");
}

TEST_F(SaveAsAccept, AFailedBackupIsSaidAndTheDialogStaysOpen) {
  const UString target = dir.Write(u"out.txt", "data");
  ASSERT_TRUE(ForceDirectories(dir.Path() + u"out.bak/inside"));  // a full folder cannot be replaced
  TSaveAsModel m = Model(3, 10, 0);
  TExportSettings out;
  out.file_name = u"unchanged";
  dialogs.Script({mrYes});
  EXPECT_EQ(m.Accept(out), kSaveAsRefused);
  ASSERT_EQ(dialogs.Asked().size(), 2u);
  EXPECT_EQ(dialogs.Asked()[1].id, TVXDialog::InformationMessage);
  EXPECT_NE(dialogs.Asked()[1].text.find(u"out.bak"), UString::npos);
  EXPECT_EQ(FileSizeU(target), 4);
  EXPECT_EQ(out.file_name, u"unchanged");
}

TEST_F(SaveAsAccept, XmlNeverKeepsTheHeadingRowsAndANameWithoutFolderGetsTheInitialOne) {
  TSaveAsModel m = Model(3, 10, 2);
  ASSERT_EQ(m.row_text, u"0,1,2,3-9");
  m.format = kSaveAsXML;
  m.file_name = u"list.txt";
  m.initial_folder = dir.Path();
  m.tab_separator = false;
  m.separator_text = u" ;x ";
  TExportSettings out;
  ASSERT_EQ(m.Accept(out), kSaveAsAccepted);
  EXPECT_FALSE(m.with_headings);
  EXPECT_EQ(m.row_text, u"3-9");
  EXPECT_EQ(out.rows, (std::vector<int32_t>{3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(out.file_name, dir.Path() + u"list.xml");
  EXPECT_EQ(out.separator, u";");
}

TEST(SaveAsExport, ChoicesReachTheHolder) {
  TExportSettings s;
  s.all_rows = false;
  s.rows = {0, 4};
  s.columns = {1};
  TVXBaseHolder holder;
  ApplyExportSettings(s, holder);
  EXPECT_FALSE(holder.export_all_rows);
  EXPECT_TRUE(holder.export_all_columns);
  EXPECT_EQ(holder.selected_rows, (std::vector<int32_t>{0, 4}));
  EXPECT_EQ(holder.selected_columns, (std::vector<int32_t>{1}));
}

}  // namespace

namespace {

// A list of n rows and the given headings.
class TCountedRowsList : public TVXBaseDataClass {
 public:
  TCountedRowsList(int rows, int columns) : TVXBaseDataClass(nullptr, nullptr, 0, kListConcordance, 0), rows_(rows) {
    std::vector<UString> h;
    for (int c = 0; c < columns; ++c) h.push_back(u"H" + IntToUStr(c));
    SetHeadings(std::move(h));
  }
  int TotalRowCount() const override { return rows_; }

 private:
  int rows_;
};

}  // namespace

// The dialog is set up from the grid of a list as the grid numbers its rows (the headings 0, data
// rows 1 .. n): the rows text names every data row, the last too. The characters of a line are
// those the store keeps for text output, which a fresh store has at 0 (whole lines).
TEST(SaveAsModel, SetupForAListNumbersRowsAsTheGridDoes) {
  text_reader_test::ScopedSettings settings;
  struct Case {
    int rows, columns, current_row, current_column;
    int32_t stored;  // -1: a fresh store
    const char16_t* row_text;
    const char16_t* column_text;
    int32_t characters;
  } cases[] = {{6903, 17, 5, 2, -1, u"0,1-6903", u"1,2-17", 0},
               {1, 2, 0, 0, 120, u"0,1", u"1,2", 120},
               {100, 30, 100, 30, 0, u"0,1-100", u"1,2-30", 0}};
  for (const Case& c : cases) {
    if (c.stored >= 0) SetConcCharactersForTextOnly(c.stored);
    const TCountedRowsList list(c.rows, c.columns);
    const TSaveAsSetup setup = SaveAsSetupForList(list, kListConcordance, 0, 1, c.current_row, c.current_column, u"");
    EXPECT_EQ(setup.rows, c.rows + 1) << c.rows;
    EXPECT_EQ(setup.characters, c.characters) << c.rows;
    EXPECT_GE(setup.selection.top, 1);
    EXPECT_GE(setup.selection.left, 1);
    TSaveAsModel m(setup, TExportSettings());
    EXPECT_EQ(Utf16ToUtf8(m.row_text), Utf16ToUtf8(c.row_text)) << c.rows;
    EXPECT_EQ(Utf16ToUtf8(m.column_text), Utf16ToUtf8(c.column_text)) << c.rows;
    EXPECT_EQ(m.characters, c.characters) << c.rows;
  }
}

// With a layout the dialog counts the grid's columns in its order, hidden ones left out and added
// ones in: the cell the user is on is named by its place.
TEST(SaveAsModel, SetupForALaidOutListNumbersColumnsByPlace) {
  text_reader_test::ScopedSettings settings;
  TCountedRowsList list(4, 5);  // H0 .. H4
  EnsureGridHeadings(list);
  const int set = list.AddSetColumn();
  TGrid_head32 h;
  h.column_number = static_cast<int16_t>(set);
  h.added = 1;
  h.set_column = 1;
  list.grid_headings.push_back(h);
  TGrid_header_array& heads = list.grid_headings;
  heads[static_cast<size_t>(HeadingIndexOfColumn(heads, 2))].visible = false;
  ExchangeTwoHeadings(heads, HeadingIndexOfColumn(heads, 1), HeadingIndexOfColumn(heads, 4));
  // Places: 0 H0, 1 H4, 2 H3, 3 H1, 4 the set column.
  EXPECT_EQ(LaidOutColumns(list), (std::vector<int>{0, 4, 3, 1, set}));
  const struct {
    int current_column, place;
  } cases[] = {{set, 4}, {4, 1}, {1, 3}, {2, 1}, {0, 1}};
  for (const auto& c : cases) {
    const TSaveAsSetup setup = SaveAsSetupForList(list, kListConcordance, 0, 1, 1, c.current_column, u"");
    EXPECT_EQ(setup.columns, 5) << c.current_column;
    EXPECT_EQ(setup.selection.left, c.place) << c.current_column;
    TSaveAsModel m(setup, TExportSettings());
    EXPECT_EQ(Utf16ToUtf8(m.column_text), "1,2-5") << c.current_column;
  }
}
