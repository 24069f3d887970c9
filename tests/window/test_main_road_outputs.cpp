// What a run and its lines give the user, through the program's own road: Copy as the clipboard
// choices say, the text markers of "Specific to this Tool" in copied lines, the notes after a stop
// list removed lines, the status bar's help panel, and the message naming a text the run could
// not read.
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QSpinBox>
#include <QTest>

#include <cstring>

#include "concordance/lines/concordance_list.h"
#include "concordance/lines/line_records.h"
#include "concordance/document/source_files.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_resources.h"
#include "shell/main_window/controller_messages.h"
#include "shell/menus/concordance_commands.h"
#include "shell/qt/concordance_settings_dialog.h"
#include "shell/qt/page_list.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/settings/small_dialog_rules.h"
#include "window/modal_answers.h"
#include "window/settings_dialog_road.h"
#include "windows/clipboard_format_dialog.h"

namespace {

constexpr int kCopyMenuItem = 22;
constexpr int kOwnSettingsMenuItem = 66;

TPoint NoCentre() { return TPoint{0, 0}; }

std::string Block(const std::function<bool(TStream&)>& write) {
  TMemoryStream m;
  EXPECT_TRUE(write(m));
  return std::string(m.Data().begin(), m.Data().end());
}
void PutI32At(std::string& s, size_t at, int32_t v) { std::memcpy(s.data() + at, &v, 4); }
void AppendI32(std::string& s, int32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }

// A concordance saved by an old version: one line in the old line record, whose fields of text
// structure (sentence, paragraph, heading, section) that form did not keep, and no views.
std::string OldFormConcordance() {
  T_WholeLinzoraHolder doc(kListConcordance, &NoCentre, nullptr, nullptr, false, false, nullptr, nullptr);
  TLinzoraFilenameEntryRecPlus text;
  text.full_filename = u"/corpus/old.txt";
  doc.fTextFilesWithSearchWord->Add(new TLinzoraFilenameEntry(doc.fTextFilesWithSearchWord, text));
  // Header (57) + extra-stuff record (464) + an empty parent name (its count); the settings
  // record follows.
  constexpr size_t kRecordAt = 57 + 464 + 4;
  std::string out = Block([&](TStream& s) { return doc.StartSaveToFile(s, u"old.cnc", 0, 0, 96) && doc.SaveToStream(s); })
                        .substr(0, kRecordAt);
  TConcSettingsRec32 rec = doc.fSettings;
  rec.SetRecordLevel(3);
  rec.SetLinesCarryPairedTagFlag(true);
  rec.SetInheritedSetting(7);
  out.append(reinterpret_cast<const char*>(rec.bytes), 2580);
  out += Block([&](TStream& s) { return doc.fTextFilesWithSearchWord->SaveToStream(s); });
  out += Block([&](TStream& s) { return doc.fNotes.SaveToStream(s); });
  out += Block([&](TStream& s) { return doc.SavedTextSettings(s); });
  for (int32_t v : {0x7FFFFFFF, 0, 1}) AppendI32(out, v);  // no tags
  out += Block([&](TStream& s) { return doc.fSearchWords.SaveToStream(s); });
  // The line list of version 22 with one line of the old 104-byte record, no spare block after.
  std::string list = Block([&](TStream& s) { return doc.fConcordanceList->SaveToStream(s); });
  list.resize(list.size() - kSpareColoursBytes);
  PutI32At(list, 8, 1);            // entries
  PutI32At(list, 8 + 32 + 12, 22);  // the list's version
  TOldLinzoraEntryRec old{};
  old.hit_characters = 3;
  old.byte_position = 4;
  old.word_num = 2;
  old.filename_num_original = 1;
  old.midpoint = 4;
  list.append(reinterpret_cast<const char*>(&old), sizeof old);
  const UString line = u"the dog ran";
  AppendI32(list, static_cast<int32_t>(line.size()));
  list.append(reinterpret_cast<const char*>(line.data()), line.size() * 2);
  AppendI32(list, -1);
  list.append(100, '\0');
  for (int i = 0; i < 3; ++i) AppendI32(list, 0);
  list.append(2, '\0');  // no private data, no joined entries
  return out + list;
}

class MainRoadOutputs : public SettingsDialogRoad {
 protected:
  void TearDown() override {
    Global_stopLemmaMatchLoaded[lmsStop] = false;
    SettingsDialogRoad::TearDown();
  }
  // Copy on the page on show, the clipboard format dialog answered with these four choices
  // (picture, editable text, number column, heading row) and OK.
  const QMimeData* CopyWith(std::array<bool, 4> include) {
    QApplication::clipboard()->clear();
    ActOnNextModal([include](QDialog& d) {
      auto* dialog = dynamic_cast<TFormChooseClipboardFormat*>(&d);
      ASSERT_NE(dialog, nullptr) << "another dialog opened";
      for (int i = 0; i < 4; ++i) dialog->Include(i)->setChecked(include[static_cast<size_t>(i)]);
      dialog->OKClick();
    });
    Main().HandleMenuCommand(kCopyMenuItem, u"");  // the grid is told, and copies, in turn
    WaitUntil([] {
      const QMimeData* data = QApplication::clipboard()->mimeData();
      return data && !data->formats().isEmpty();
    }, 5000);
    return QApplication::clipboard()->mimeData();
  }
  // Search words one a line in a file, loaded with the wizard's Load button, then OK.
  int RunFromFile(std::string_view lines) {
    Main().ShowStartDialog();
    EXPECT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
    Wizard().FileNameBox()->setText(ToQString(dir.Write(u"lists/words.txt", lines)));
    Wizard().ButtonSWsFromFileClick();
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    EXPECT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
    return Main().Doc() ? Main().Doc()->fConcordanceList->Count() : 0;
  }
  UString Notes() const {
    UString notes;
    const T_WholeLinzoraHolder* doc = windows->main->Doc();
    for (int i = 0; doc && i < doc->fNotes.Count(); ++i) notes += doc->fNotes[i] + u"\n";
    return notes;
  }
};

// The four choices of the clipboard format dialog, each read by Copy: the heading row and the
// row number come only when chosen, the text only when editable text is, the picture only when
// it is.
TEST_F(MainRoadOutputs, CopyFollowsTheClipboardChoices) {
  ShowSampleRiverLines();
  ASSERT_NE(Main().Doc(), nullptr);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  grid->setCurrentIndex(grid->Model().index(0, 0));
  const QString heading = grid->Model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
  struct Case {
    const char* name;
    std::array<bool, 4> include;  // picture, editable text, number column, heading row
    int lines;                    // of text; -1 no text at all
    bool numbered, picture;
  } cases[] = {
      {"all four", {true, true, true, true}, 2, true, true},
      {"text with numbers", {false, true, true, false}, 1, true, false},
      {"text with headings", {false, true, false, true}, 2, false, false},
      {"bare text", {false, true, false, false}, 1, false, false},
      {"picture alone", {true, false, true, true}, -1, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QMimeData* copied = CopyWith(c.include);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->hasImage(), c.picture);
    if (c.picture) {
      EXPECT_FALSE(qvariant_cast<QImage>(copied->imageData()).isNull());
    }
    if (c.lines < 0) {
      EXPECT_FALSE(copied->hasText());
      continue;
    }
    QStringList lines = copied->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), c.lines + 1) << copied->text().toStdString();  // each line ends in \r\n
    const QString row = lines[c.lines - 1];
    EXPECT_TRUE(row.contains(QStringLiteral("river"))) << row.toStdString();
    EXPECT_EQ(row.startsWith(QStringLiteral("1\t")), c.numbered) << row.toStdString();
    if (c.lines == 2) {
      EXPECT_TRUE(lines[0].contains(heading)) << lines[0].toStdString();
    }
  }
  const TClipboardSettingsRec stored = GetClipboardSettings();
  EXPECT_TRUE(stored.Picture() && !stored.EditableText());
}

// Copy's "number of characters wanted" cuts each copied line to that many characters around its
// search word, half on each side, from the line as the list holds it, not as the column is wide:
// 20 gives 10 either side, 200 more than the screen shows; the left side ends where the screen's
// does, just before the search word.
TEST_F(MainRoadOutputs, CopiedLinesTakeTheCharactersWanted) {
  Start();
  std::string body;
  for (int i = 0; i < 4; ++i)
    body += "Along the valley floor the slow brown water of the old river turns past meadows, mills and "
            "the low stone walls of farms that stood there long before anyone now living was born. ";
  HandOverTexts({dir.Write(u"texts/long_lines.txt", body)});
  TConcSettingsRec32 rec = GetConcSaveRec();
  rec.SetCharactersPerLine(400);
  SetConcSaveRec(rec);
  ASSERT_EQ(LinesFor(u"river"), 4);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  grid->setCurrentIndex(grid->Model().index(1, 0));
  const TGrid_data_rec shown = grid->Model().CellAt(grid->Model().index(1, 0));
  const UString screen = shown.text;
  const size_t hit = screen.find(u"river");
  ASSERT_NE(hit, UString::npos) << Utf16ToUtf8(screen);
  for (const int wanted : {20, 200}) {
    SCOPED_TRACE(wanted);
    QApplication::clipboard()->clear();
    ActOnNextModal([wanted](QDialog& d) {
      auto* dialog = dynamic_cast<TFormChooseClipboardFormat*>(&d);
      ASSERT_NE(dialog, nullptr);
      for (int i = 0; i < 4; ++i) dialog->Include(i)->setChecked(i == 1);  // editable text alone
      dialog->Characters()->setValue(wanted);
      dialog->OKClick();
    });
    Main().HandleMenuCommand(kCopyMenuItem, u"");
    ASSERT_TRUE(WaitUntil([] {
      const QMimeData* data = QApplication::clipboard()->mimeData();
      return data && data->hasText();
    }, 5000));
    EXPECT_EQ(GetConcCharactersForTextOnly(), wanted);
    // The line's field of the first row copied; the search word carries its text marker.
    const UString copied =
        FromQString(QApplication::clipboard()->text().split(QStringLiteral("\r\n"))[0].split(QLatin1Char('\t'))[0]);
    const UString marked = GetConc_SW_TXT_Marker() + u"river";
    const size_t at = copied.find(marked);
    ASSERT_NE(at, UString::npos) << Utf16ToUtf8(copied);
    EXPECT_EQ(static_cast<int>(at), wanted / 2) << Utf16ToUtf8(copied);
    EXPECT_EQ(copied.size(), wanted / 2 + marked.size() + wanted / 2) << Utf16ToUtf8(copied);
    // The characters before the search word are those the screen shows there.
    const size_t same = std::min<size_t>(at, hit);
    EXPECT_EQ(copied.substr(at - same, same), screen.substr(hit - same, same))
        << Utf16ToUtf8(copied) << " | " << Utf16ToUtf8(screen);
  }
}

// The markers typed in Settings > Specific to this Tool go before the search word of each copied
// line; the grid, which colours the search word, shows none.
TEST_F(MainRoadOutputs, CopiedLinesCarryTheTextMarkersTyped) {
  Start();
  ASSERT_EQ(ThroughTheMenu<TConcordanceSettingsDialog>(kOwnSettingsMenuItem,
                                                       [](TConcordanceSettingsDialog& d) {
                                                         d.SearchWordMarker()->setText(QStringLiteral("<<"));
                                                         d.accept();
                                                       }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetConc_SW_TXT_Marker(), u"<<");
  HandOverTexts(WriteRiverTexts(dir, 1, 2));
  ASSERT_EQ(LinesFor(u"river"), 2);
  TVX_Grid* grid = TurnTo("Concordance");
  ASSERT_NE(grid, nullptr);
  grid->setCurrentIndex(grid->Model().index(0, 0));
  const QMimeData* copied = CopyWith({false, true, false, false});
  ASSERT_NE(copied, nullptr);
  EXPECT_TRUE(copied->text().contains(QStringLiteral("<<river"))) << copied->text().toStdString();
  const TGrid_data_rec& shown = grid->Model().CellAt(grid->Model().index(0, 0));
  EXPECT_EQ(shown.text.find(u"<<"), UString::npos) << Utf16ToUtf8(shown.text);
  EXPECT_FALSE(Main().Doc()->TextMarkersOn());
}

// "the" is a stop word: its 3 lines go. The note counts them, and the shares of the search words
// are of the 5 lines found, as a note says (3 of 5 is 60%, 2 of 5 is 40%).
TEST_F(MainRoadOutputs, StopListNoteCountsTheLinesRemovedAndNamesThePercentagesBasis) {
  TLemmaMatchStopSettingsRec stop = GetLemmaMatchStopSettings(kToolConcordancer, lmsStop);
  stop.SetActivated(true);
  stop.SetFileName(dir.Write(u"lists/stop.txt", "the\n"));
  SetLemmaMatchStopSettings(kToolConcordancer, lmsStop, stop);
  Global_stopLemmaMatchLoaded[lmsStop] = false;
  Start();
  HandOverTexts({dir.Write(u"texts/a.txt", "The river of the town and a mill by the river.\n")});
  ASSERT_EQ(RunFromFile("the\nriver\n"), 2);
  const UString notes = Notes();
  auto has = [&](const UString& line) {
    EXPECT_NE(notes.find(u"\t" + line + u"\n"), UString::npos) << Utf16ToUtf8(line) << "\n" << Utf16ToUtf8(notes);
  };
  has(VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXStopListItems), u"3"}));
  has(VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXConcordance), u"2"}));
  has(VXResFmt(TVXRes::VXPercentsOfLinesFoundBeforeStopList, {u"5", u"3"}));
  has(VXResFmt(TVXRes::VXNmanyXFoundForXPercent, {u"3", VXRes(TVXRes::VXEntries), u"the", u"60"}));
  has(VXResFmt(TVXRes::VXNmanyXFoundForXPercent, {u"2", VXRes(TVXRes::VXEntries), u"river", u"40"}));
}

// Panel 9 of the status bar opens help: the window's own page without data, the page on show's
// with data.
TEST_F(MainRoadOutputs, StatusHelpPanelOpensTheHelpOfThePageOnShow) {
  Start();
  emit Main().Status()->PanelClicked(kStatusPanelHelp);
  ASSERT_TRUE(WaitUntil([this] { return Main().LastHelpContext() == PageHelpContext(0); }));
  HandOverTexts(WriteRiverTexts(dir, 1, 2));
  ASSERT_EQ(LinesFor(u"river"), 2);
  for (const char* page : {"Concordance", "Collocates"}) {
    SCOPED_TRACE(page);
    ASSERT_NE(TurnTo(page), nullptr);
    const int wanted = PageHelpContext(Main().Pages()->CurrentListType());
    emit Main().Status()->PanelClicked(kStatusPanelHelp);
    EXPECT_TRUE(WaitUntil([&] { return Main().LastHelpContext() == wanted; }));
  }
}

// Panel 9 says what a click on it does, with data and without. F1 opens the help of what the mouse
// is over: a page's own help over a page, the concordancer's over the start panel.
TEST_F(MainRoadOutputs, F1OpensTheHelpOfWhatTheMouseIsOver) {
  Start();
  Wizard().hide();
  EXPECT_EQ(Main().Status()->PanelText(kStatusPanelHelp), QStringLiteral("Help"));
  // F1 with the mouse over w; each context wanted below differs from the one before it.
  auto f1_over = [this](QWidget& w, int wanted) {
    QCursor::setPos(w.mapToGlobal(w.rect().center()));
    QTest::keyClick(&Main(), Qt::Key_F1);
    WaitUntil([&] { return Main().LastHelpContext() == wanted; }, 3000);
    return Main().LastHelpContext();
  };
  EXPECT_EQ(f1_over(*Main().StartPanel(), ToolHelpContext(kToolConcordancer)), ToolHelpContext(kToolConcordancer));
  HandOverTexts(WriteRiverTexts(dir, 1, 2));
  ASSERT_EQ(LinesFor(u"river"), 2);
  Wizard().hide();
  EXPECT_EQ(Main().Status()->PanelText(kStatusPanelHelp), QStringLiteral("Help"));
  for (const char* page : {"Concordance", "Collocates", "Notes"}) {
    SCOPED_TRACE(page);
    TurnTo(page);  // the notes page has no grid to answer
    QTabWidget* tabs = Main().Pages()->Tabs();
    ASSERT_EQ(tabs->tabText(tabs->currentIndex()), QString::fromLatin1(page));
    QWidget* shown = Main().Pages()->Tabs()->currentWidget();
    ASSERT_NE(shown, nullptr);
    QApplication::processEvents();
    const int wanted = PageHelpContext(Main().Pages()->CurrentListType());
    EXPECT_EQ(f1_over(*shown, wanted), wanted);
  }
  EXPECT_NE(PageHelpContext(kListConcordance), ToolHelpContext(kToolConcordancer));
}

// A text the run cannot read (here a save's temporary file among the chosen texts) stops the run,
// and the message names it, whether lines were found or not.
TEST_F(MainRoadOutputs, ARunThatCannotReadATextNamesIt) {
  Start();
  const UString temp = dir.Write(u"texts/.~bank.txt.lz4242-0123abcd.tmp", "the river bank");
  HandOverTexts({temp});
  dialogs.Clear();
  EXPECT_EQ(LinesFor(u"river"), 0);
  ASSERT_TRUE(WasAsked(TVXDialog::StoppedWhenProcessingX)) << Utf16ToUtf8(AllQuestionText());
  EXPECT_NE(AllQuestionText().find(temp), UString::npos) << Utf16ToUtf8(AllQuestionText());

  // After a text that gave lines: the lines stay, the message names the text once, the notes too.
  HandOverTexts({dir.Write(u"texts/a.txt", "the river bank"), temp});
  dialogs.Clear();
  EXPECT_EQ(LinesFor(u"river"), 1);
  ASSERT_TRUE(WasAsked(TVXDialog::StoppedWhenProcessingX)) << Utf16ToUtf8(AllQuestionText());
  int naming = 0;
  for (const TVXQuestion& q : dialogs.Asked()) naming += q.text.find(temp) != UString::npos ? 1 : 0;
  EXPECT_EQ(naming, 1) << Utf16ToUtf8(AllQuestionText());
  EXPECT_NE(Notes().find(temp), UString::npos) << Utf16ToUtf8(Notes());
}

// A document of an old version lacks fields its pages show: opened, it says some columns do not
// apply; a current one says nothing of the kind.
TEST_F(MainRoadOutputs, OpeningADocumentWithoutSomeFieldsSaysColumnsDoNotApply) {
  const UString old_file = dir.Write(u"old.cnc", OldFormConcordance());
  Start();
  dialogs.Script({mrOK, mrYes, mrOK});  // the old text's Unicode question
  Main().OpenRecentFile(old_file);
  ASSERT_NE(Main().Doc(), nullptr) << Utf16ToUtf8(AllQuestionText());
  EXPECT_FALSE(Main().Doc()->ReadComplete);
  EXPECT_TRUE(WaitUntil([this] { return WasAsked(TVXDialog::NotApplicableExplanation); }))
      << Utf16ToUtf8(AllQuestionText());

  HandOverTexts(WriteRiverTexts(dir, 1, 2));
  ASSERT_EQ(LinesFor(u"river"), 2);
  const UString saved = dir.Path() + u"current.cnc";
  ASSERT_TRUE(Main().SaveDataToFile(TurnTo("Concordance"), saved));
  dialogs.Clear();
  Main().OpenRecentFile(saved);
  DeliverPendingEvents();
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_TRUE(Main().Doc()->ReadComplete);
  EXPECT_FALSE(WasAsked(TVXDialog::NotApplicableExplanation));
}

}  // namespace
