// What a concordance holds survives its ".cnc": the Set column's categories, however they were
// set, and the lines' link to their texts, so that a reopened document widens its lines as the
// run's own document does.
#include <QLineEdit>
#include <QComboBox>

#include "concordance/lines/concordance_line.h"
#include "platform/rtl/streams.h"
#include "shell/qt/vx_grid.h"
#include "windows/set_column_edit_dialog.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"

namespace {

class DocumentReopened : public MainRoadTest {
 protected:
  // A window holding the lines of these search words (one a line, loaded from a file) in the texts.
  void RunOn(const std::vector<std::pair<UString, std::string>>& texts, std::string_view words) {
    Start();
    std::vector<UString> names;
    for (const auto& [name, bytes] : texts) names.push_back(dir.Write(u"texts/" + name, bytes));
    HandOverTexts(names);
    Main().ShowStartDialog();
    ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
    Wizard().FileNameBox()->setText(ToQString(dir.Write(u"lists/words.txt", words)));
    Wizard().ButtonSWsFromFileClick();
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    ASSERT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
    ASSERT_NE(Main().Doc(), nullptr);
  }
  TConcordanceList& Lines() { return *Main().Doc()->fConcordanceList; }
  // Each line's category by where its hit lies (the order may change on the way).
  std::map<int64_t, UString> CategoriesByPlace() {
    std::map<int64_t, UString> out;
    for (int i = 0; i < Lines().Count(); ++i)
      out[Lines().Line(i)->Data().byte_position] = UString(Lines().Line(i)->SetText());
    return out;
  }
  UString SaveAs(UStringView name) {
    const UString file = dir.Path() + UString(name);
    EXPECT_TRUE(Main().SaveDataToFile(Main().ConcordanceGrid(), file));
    return file;
  }
  static std::string FileBytes(const UString& file) {
    std::string bytes;
    auto f = TFileStream::Open(file, TFileMode::OpenRead);
    if (!f) return bytes;
    bytes.resize(static_cast<size_t>(f->Size()));
    if (!f->ReadExact(bytes.data(), static_cast<int64_t>(bytes.size()))) bytes.clear();
    return bytes;
  }
  static std::string Utf16(UStringView s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t));
  }
};

TEST_F(DocumentReopened, CategoriesComeBackAfterSaveAndReopen) {
  RunOn({{u"ages.txt", "An old man, an old dog and a young cat sat by the river.\n"}}, "old\nyoung\n");
  ASSERT_EQ(Lines().Count(), 3);
  // The run's search words in the Set column: old, old, young.
  std::vector<UString> from_run;
  for (int i = 0; i < 3; ++i) from_run.emplace_back(Lines().Line(i)->SetText());
  std::sort(from_run.begin(), from_run.end());
  EXPECT_EQ(from_run, (std::vector<UString>{u"old", u"old", u"young"}));

  // One category typed over the run's, through the Set cell's editor.
  TVX_Grid* grid = Main().ConcordanceGrid();
  grid->SelectCell(1, Lines().PredefinedSetColumnNumber());
  AnswerNextModal(true, [](QDialog& d) {
    static_cast<TFormSetColumnEdit&>(d).ValueBox()->setCurrentText(QStringLiteral("my category"));
  });
  Main().DDblClickCell(grid, 1);
  DeliverPendingEvents();
  const std::map<int64_t, UString> before = CategoriesByPlace();
  int typed = 0;
  for (const auto& [place, text] : before) typed += text == u"my category" ? 1 : 0;
  ASSERT_EQ(typed, 1);

  // Saving asks nothing: the list's stream has room for them. The file holds them.
  dialogs.Clear();
  const UString file = SaveAs(u"ages.cnc");
  EXPECT_TRUE(dialogs.Asked().empty());
  const std::string bytes = FileBytes(file);
  EXPECT_NE(bytes.find(Utf16(u"my category")), std::string::npos);
  EXPECT_NE(bytes.find(Utf16(u"young")), std::string::npos);

  // Closed and opened again: every line has its category back.
  Start({file});
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(CategoriesByPlace(), before);
}

// A long text with "river" in its middle, and lines of 60 characters: a line to widen.
std::pair<UString, std::string> LongRiverText() {
  std::string body;
  for (int i = 0; i < 150; ++i) body += "word" + std::to_string(i) + " ";
  body += "river ";
  for (int i = 150; i < 300; ++i) body += "word" + std::to_string(i) + " ";
  return {u"long.txt", body + "\n"};
}

TEST_F(DocumentReopened, ReopenedLinesWidenFromTheirTexts) {
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetCharactersPerLine(60);
  SetConcSaveRec(rec);
  RunOn({LongRiverText()}, "river\n");
  ASSERT_EQ(Lines().Count(), 1);
  const UString narrow(Lines().Line(0)->Text().ToUString());
  ASSERT_LE(narrow.size(), 60u);
  const UString file = SaveAs(u"long.cnc");

  Start({file});
  ASSERT_NE(Main().Doc(), nullptr);
  ASSERT_EQ(Lines().Count(), 1);
  EXPECT_EQ(UString(Lines().Line(0)->Text().ToUString()), narrow);
  Main().HandleMenuCommand(183, u"");  // Move right
  DeliverPendingEvents();
  const UString wide(Lines().Line(0)->Text().ToUString());
  EXPECT_GT(wide.size(), narrow.size());
  EXPECT_NE(wide.find(u"word140 word141"), UString::npos);
  EXPECT_NE(wide.find(narrow.substr(narrow.find(u"river"), 20)), UString::npos);

  // The widened line is what the document saves and opens again.
  const UString wider_file = SaveAs(u"long_wide.cnc");
  Start({wider_file});
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(UString(Lines().Line(0)->Text().ToUString()), wide);
}

TEST_F(DocumentReopened, ReopenedLinesWhoseTextIsGoneSaySo) {
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetCharactersPerLine(60);
  SetConcSaveRec(rec);
  RunOn({LongRiverText()}, "river\n");
  const UString file = SaveAs(u"long.cnc");
  const UString narrow(Lines().Line(0)->Text().ToUString());
  ASSERT_TRUE(DeleteFileU(dir.Path() + u"texts/long.txt"));

  Start({file});
  ASSERT_NE(Main().Doc(), nullptr);
  dialogs.Clear();
  Main().HandleMenuCommand(183, u"");
  DeliverPendingEvents();
  EXPECT_TRUE(WasAsked(TVXDialog::CantFindOneOfTheFiles));
  EXPECT_EQ(UString(Lines().Line(0)->Text().ToUString()), narrow);
}

}  // namespace

TEST_F(DocumentReopened, ColumnWidthsSetByTheUserComeBack) {
  RunOn({{u"ages.txt", "An old man, an old dog and a young cat sat by the river.\n"}}, "old\n");
  TVX_Grid* grid = Main().ConcordanceGrid();
  ASSERT_NE(grid, nullptr);
  const int columns = grid->Model().columnCount();
  ASSERT_GT(columns, 3);
  std::vector<int> set;
  for (int c = 0; c < columns; ++c) {
    set.push_back(c == 0 ? 333 : 40 + 7 * c);
    grid->setColumnWidth(c, set.back());
  }
  const UString file = SaveAs(u"widths.cnc");
  Start({file});
  ASSERT_NE(Main().Doc(), nullptr);
  grid = Main().ConcordanceGrid();
  ASSERT_NE(grid, nullptr);
  QApplication::processEvents();
  for (int c = 0; c < columns; ++c) EXPECT_EQ(grid->columnWidth(c), set[static_cast<size_t>(c)]) << c;
}
