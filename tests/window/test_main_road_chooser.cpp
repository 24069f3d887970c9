// The chooser of texts as the start wizard opens it: on the wizard's choice, marking a program
// among the texts, refusing an empty choice instead of leaving the old one to run, and printing
// the list of texts.
#include <algorithm>

#include <QDir>
#include <QLabel>
#include <QPrinter>
#include <QTableView>

#include "concordance/document/concordance_document.h"
#include "model/chosen_texts_test_support.h"
#include "platform/text/text_files.h"
#include "shell/qt/grid_printing.h"
#include "window/main_road_support.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"

namespace {

const UString kSamples = Utf8ToUtf16(LINZORA_SAMPLES_DIR) + u"/";

}  // namespace

class MainRoadChooser : public MainRoadTest {};

TEST_F(MainRoadChooser, OpensOnTheWizardsChoiceAndRefusesAnEmptyOne) {
  Start();
  std::vector<UString> samples;
  for (const QString& f : QDir(QStringLiteral(LINZORA_SAMPLES_DIR)).entryList({QStringLiteral("*.txt")}, QDir::Files))
    samples.push_back(kSamples + FromQString(f));
  HandOverTexts(samples);
  const int chosen = static_cast<int>(samples.size());
  TTextChooser* chooser = OpenChooserFromWizard();
  ASSERT_NE(chooser, nullptr);
  EXPECT_TRUE(Wizard().TextsLabel()->text().contains(QStringLiteral("You have %1 texts chosen").arg(chosen)));
  // The chooser shows the same texts.
  EXPECT_EQ(chooser->Choice().Count(), chosen);
  EXPECT_EQ(chooser->Grid()->model()->rowCount(), chosen);
  EXPECT_EQ(chooser->Status()->text(), QStringLiteral("%1 texts").arg(chosen));

  // A program among them is marked as the run will find it.
  TempFolder corpus;
  const UString program = corpus.Write(u"tools/program.txt", std::string("\x7F" "ELF\x02\x01\x01\0\0\0river\0\0\x03\0>\0", 22) +
                                                                 std::string(300, '\0'));
  chooser->AddFiles({program});
  const QModelIndex kind = chooser->Grid()->model()->index(chosen, 4);
  EXPECT_EQ(kind.data().toString(), QStringLiteral("not a text (binary)"));
  EXPECT_TRUE(kind.data(Qt::ForegroundRole).isValid());
  DeliverPendingEvents();
  EXPECT_GT(ColoursIn(SaveScreenshot(*chooser, QStringLiteral("text_chooser_current_choice"))), 8);

  // Cleared, then a folder holding only a zip archive with "inside zips" off: nothing is found,
  // and the message says why; OK is refused, naming the folder, and the tool keeps its choice.
  chooser->ClearAll();
  const UString zips = corpus.Path() + u"zips";
  ASSERT_TRUE(ForceDirectories(zips));
  ASSERT_TRUE(CopyFileU(kSamples + u"winter_walk.zip", zips + u"/winter_walk.zip"));
  const size_t asked = dialogs.Asked().size();
  chooser->AddFolder(zips);
  ASSERT_EQ(dialogs.Asked().size(), asked + 1);
  EXPECT_NE(dialogs.Asked().back().text.find(zips), UString::npos);
  EXPECT_NE(dialogs.Asked().back().text.find(u"\"inside zips\""), UString::npos);
  chooser->accept();
  ASSERT_EQ(dialogs.Asked().size(), asked + 2);
  EXPECT_NE(dialogs.Asked().back().text.find(u"No texts are chosen"), UString::npos);
  EXPECT_NE(dialogs.Asked().back().text.find(zips), UString::npos);
  EXPECT_NE(chooser->result(), QDialog::Accepted);
  DeliverPendingEvents();
  EXPECT_EQ(Main().ChosenTexts.FileCount(), chosen);
  EXPECT_TRUE(Wizard().OKButton()->isEnabled());
  const QImage shot = SaveScreenshot(*chooser, QStringLiteral("text_chooser_refused"));
  EXPECT_GT(ColoursIn(shot), 8);
  chooser->reject();
}

// The chooser the wizard asks for opens over the wizard and keeps it waiting: its OK cannot run
// the old choice while the new one is made.
TEST_F(MainRoadChooser, OpensOverTheWizardThatAskedForIt) {
  Start();
  TTextChooser* chooser = OpenChooserFromWizard();
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->parentWidget(), &Wizard());
  EXPECT_TRUE(chooser->isWindow());
  EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
  chooser->reject();
}

// Another process of this user handed texts over last; this window has chosen none: its chooser
// opens on its own (empty) choice, and what it commits is the window's.
TEST_F(MainRoadChooser, OpensOnTheWindowsOwnChoiceNotOnTheLastHandOver) {
  Start();
  TVXFileDetails theirs(false, kToolConcordancer);
  theirs.ToolAddAFile(kSamples + u"river_spring.txt");
  theirs.ToolAddAFile(kSamples + u"bridge_walk.txt");
  ASSERT_TRUE(theirs.SavedToTempFile());
  SetChosenTextFiles(true, theirs.TempFilename(), theirs.FileCount());
  ASSERT_EQ(Main().ChosenTexts.FileCount(), 0);
  TTextChooser* chooser = OpenChooserFromWizard();
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->Choice().Count(), 0);
  chooser->AddFiles({kSamples + u"hallam_mill.txt"});
  chooser->accept();
  ASSERT_TRUE(WaitUntil([this] { return Main().ChosenTexts.FileCount() == 1; }));
  EXPECT_EQ(Utf16ToUtf8(Main().ChosenTexts.GetFullFileDetails(0).rec.filename), "hallam_mill.txt");
}

// Print... with no printer installed: the user names a PDF file through the window's file
// dialogs and the list of texts goes into it, a page for each screenful of rows; cancelling the
// name prints nothing and keeps the choice.
TEST_F(MainRoadChooser, PrintsTheListOfTextsIntoAPdfTheUserNames) {
  Start();
  TScriptedFileDialogs files;
  Main().SetFileDialogs(&files);
  TTextChooser* chooser = OpenChooserFromWizard();
  ASSERT_NE(chooser, nullptr);
  TempFolder corpus;
  for (int i = 0; i < 150; ++i) corpus.Write(u"texts/text" + IntToUStr(i) + u".txt", "a few words");
  chooser->AddFolder(corpus.Path() + u"texts");
  ASSERT_EQ(chooser->Choice().Count(), 150);
  QPushButton* print = nullptr;
  for (QPushButton* b : chooser->findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("Print...")) print = b;
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(print->isEnabled());

  const UString pdf = corpus.Path() + u"chosen.pdf";
  files.answers = {u"", pdf};
  print->click();
  EXPECT_EQ(files.save_requests, 1);
  EXPECT_FALSE(FileExists(pdf));
  EXPECT_EQ(chooser->Choice().Count(), 150);

  print->click();
  EXPECT_EQ(files.save_requests, 2);
  ASSERT_TRUE(FileExists(pdf));
  // 150 rows do not fit one page; the same table printed straight onto the same page set-up
  // gives as many pages.
  const int pages = PdfPageCount(ToQString(pdf));
  EXPECT_GE(pages, 2);
  QPrinter again(QPrinter::HighResolution);
  ASSERT_FALSE(ApplyPrintPageRec(again, GetPrinterRec().PrinterName(), GetPrintPageRec()));
  again.setOutputFileName(ToQString(corpus.Path() + u"again.pdf"));
  const TVXFileDetails& texts = chooser->Choice().Texts();
  EXPECT_EQ(PrintChosenTexts(texts.PrintTable(kToolConcordancer), again, chooser->font()), pages);
  chooser->reject();
}

namespace {

QPushButton* ChooserButton(TTextChooser& chooser, const QString& caption) {
  for (QPushButton* b : chooser.findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

// Each line of the last run as its text's name and its byte position, in order.
std::vector<std::pair<UString, int64_t>> LinesOfRun(TFormLinzora& main) {
  std::vector<std::pair<UString, int64_t>> lines;
  T_WholeLinzoraHolder* doc = main.Doc();
  if (!doc) return lines;
  for (int i = 0; i < doc->fConcordanceList->Count(); ++i) {
    const TConcordanceLineData& line = doc->fConcordanceList->Line(i)->Data();
    lines.emplace_back(main.ChosenTexts.GetFullFileDetails(line.filename_num_original).rec.filename,
                       line.byte_position);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

// Texts chosen again are not read again: a folder added twice, its parent with its sub-folders,
// the files themselves and a saved choice loaded on top add nothing; the chooser says how many it
// left out, and the run over them is the run over the texts chosen once.
TEST_F(MainRoadChooser, TextsChosenAgainAreNotAddedAgain) {
  Start();
  TScriptedFileDialogs files;
  Main().SetFileDialogs(&files);
  TempFolder corpus;
  const std::string body = "The river flows past the mill. A river bend. The river again.";
  const std::vector<UString> texts = {corpus.Write(u"corpus/a/one.txt", body), corpus.Write(u"corpus/a/two.txt", body)};
  const UString parent = corpus.Path() + u"corpus";
  const UString folder = parent + u"/a";
  ASSERT_EQ(ChooseTextsThroughWizard({folder}), 2);
  RunFromWizard(u"river");
  const auto once = LinesOfRun(Main());
  ASSERT_EQ(once.size(), 6u);

  TTextChooser* chooser = OpenChooserFromWizard();
  ASSERT_NE(chooser, nullptr);
  const UString saved = parent + u"/choice.chosen";
  files.answers = {saved};
  ChooserButton(*chooser, QStringLiteral("Save..."))->click();
  ASSERT_TRUE(FileExists(saved));
  const size_t asked = dialogs.Asked().size();
  struct TAgain {
    const char* what;
    std::function<void()> add;
  };
  const std::vector<TAgain> again = {
      {"the folder again", [&] { chooser->AddFolder(folder); }},
      {"its parent with sub-folders", [&] { chooser->AddFolder(parent); }},
      {"the files themselves", [&] { chooser->AddFiles(texts); }},
      {"the saved choice", [&] {
         files.answers = {saved};
         ChooserButton(*chooser, QStringLiteral("Load..."))->click();
       }},
  };
  for (const TAgain& a : again) {
    SCOPED_TRACE(a.what);
    a.add();
    EXPECT_EQ(chooser->Choice().Count(), 2);
    EXPECT_EQ(chooser->Grid()->model()->rowCount(), 2);
    EXPECT_EQ(chooser->Status()->text(), QStringLiteral("2 texts; 2 chosen already, left out"));
  }
  EXPECT_EQ(dialogs.Asked().size(), asked);  // nothing to complain of
  DeliverPendingEvents();
  const QImage shot = SaveScreenshot(*chooser, QStringLiteral("text_chooser_repeats_left_out"));
  EXPECT_GT(InkPixelsIn(shot, chooser->Status()->geometry()), 50);
  chooser->accept();
  ASSERT_TRUE(WaitUntil([this] { return Main().ChosenTexts.FileCount() == 2; }));
  RunFromWizard(u"river");
  EXPECT_EQ(Main().ChosenTexts.FileCount(), 2);
  EXPECT_EQ(LinesOfRun(Main()), once);
}

// A choice saved under a name ending in ".txt" is a plain list of names and loads back; so does
// one saved in the headed form under that name before, and one under any other name. A damaged
// choice is named in a message and changes nothing.
TEST_F(MainRoadChooser, ChoicesSavedAsTextOrHeadedLoadBack) {
  Start();
  TScriptedFileDialogs files;
  Main().SetFileDialogs(&files);
  TempFolder corpus;
  const std::vector<UString> texts = WriteRiverTexts(corpus, 3, 1);
  TTextChooser* chooser = OpenChooserFromWizard();
  ASSERT_NE(chooser, nullptr);
  chooser->AddFiles(texts);
  ASSERT_EQ(chooser->Choice().Count(), 3);
  QPushButton* save = ChooserButton(*chooser, QStringLiteral("Save..."));
  QPushButton* load = ChooserButton(*chooser, QStringLiteral("Load..."));
  ASSERT_TRUE(save && load);

  const UString plain = corpus.Path() + u"choice.txt";
  const UString headed = corpus.Path() + u"choice.chosen";
  const UString old_headed = corpus.Path() + u"old choice.txt";
  ASSERT_TRUE(chooser->Choice().Texts().SaveAllChosenToFile(old_headed));  // as Save wrote ".txt" before
  files.answers = {plain, headed};
  save->click();
  save->click();
  // The plain list: UTF-16 with its mark, one full name a line.
  const std::string bytes = ReadAll(plain);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  UString text;
  ASSERT_TRUE(ReadTextFile(plain, text, 1 << 20));
  EXPECT_EQ(text, texts[0] + u"\n" + texts[1] + u"\n" + texts[2] + u"\n");

  for (const UString& choice : {plain, headed, old_headed}) {
    SCOPED_TRACE(Utf16ToUtf8(choice));
    chooser->ClearAll();
    files.answers = {choice};
    load->click();
    ASSERT_EQ(chooser->Choice().Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(chooser->Choice().Texts().FullFilename(i), texts[static_cast<size_t>(i)]);
  }

  // Damaged, and missing: named, and the three texts stay.
  const UString damaged = corpus.Write(u"damaged.chosen", std::string(80, '\x07'));
  const std::string whole = ReadAll(headed);
  const UString half = corpus.Write(u"half.chosen", whole.substr(0, whole.size() / 2));
  const UString vanished = corpus.Write(u"vanished.txt", "/no/such/folder/text.txt\n");
  for (const UString& bad : {damaged, half, vanished, corpus.Path() + u"missing.chosen"}) {
    SCOPED_TRACE(Utf16ToUtf8(bad));
    const size_t asked = dialogs.Asked().size();
    files.answers = {bad};
    load->click();
    ASSERT_EQ(dialogs.Asked().size(), asked + 1);
    EXPECT_NE(dialogs.Asked().back().text.find(bad), UString::npos);
    EXPECT_EQ(chooser->Choice().Count(), 3);
  }
  chooser->reject();
}
