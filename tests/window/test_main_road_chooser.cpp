// The chooser of texts as the start wizard opens it: on the wizard's choice, marking a program
// among the texts, refusing an empty choice instead of leaving the old one to run, and printing
// the list of texts.
#include <QDir>
#include <QLabel>
#include <QPrinter>
#include <QTableView>

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
  QTest::qWait(30);
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
  QTest::qWait(30);
  EXPECT_EQ(Main().ChosenTexts.FileCount(), chosen);
  EXPECT_TRUE(Wizard().OKButton()->isEnabled());
  const QImage shot = SaveScreenshot(*chooser, QStringLiteral("text_chooser_refused"));
  EXPECT_GT(ColoursIn(shot), 8);
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
