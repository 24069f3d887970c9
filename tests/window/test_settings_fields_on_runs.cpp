// Settings that a run reads, each set the way a user sets it (the Settings menu, the dialog it
// opens), shown as stored when the dialog opens again, and changing the next run: the close-hits
// rule, the least number of texts of a collocate, collocates of all search words together,
// numbers kept in collocates, the multi-word unit tag (concordance settings); the plot's hit
// contexts (word cloud and plot); the colours lines draw their words in (Colours); texts on
// network shares, texts handed over by another tool, the UTF-8 question (General).
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <set>

#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "shell/qt/colour_settings_dialog.h"
#include "shell/qt/general_settings_dialog.h"
#include "shell/qt/main_window_grid_tweaks.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "shell/qt/word_cloud_settings_dialog.h"
#include "window/further_settings_road.h"

namespace {

constexpr int kColoursMenuItem = 60;
constexpr int kGeneralMenuItem = 67;
constexpr int kWordsColoured = 165;
constexpr int kPlotListColumn = 5;

class SettingsFieldsOnRuns : public FurtherSettingsRoad {
 protected:
  int OwnSettings(const std::function<void(TConcordanceSettingsDialog&)>& fill) {
    return ThroughTheMenu<TConcordanceSettingsDialog>(kOwnSettingsMenuItem, fill);
  }
  int General(const std::function<void(TGeneralSettingsDialog&)>& fill) {
    return ThroughTheMenu<TGeneralSettingsDialog>(kGeneralMenuItem, fill);
  }
  // The rows of the collocates page (computed as the page is turned to): word and search word.
  std::vector<std::pair<UString, UString>> CollocateRows() {
    TurnTo("Collocates");
    std::vector<std::pair<UString, UString>> rows;
    auto* list = dynamic_cast<TCollocateList*>(Main().Doc()->fCollocateList.get());
    for (int i = 0; list && i < list->Count(); ++i) rows.emplace_back(list->Row(i)->MainWordOnly(), list->Row(i)->rec.search_word);
    return rows;
  }
  std::set<UString> CollocateWords() {
    std::set<UString> words;
    for (const auto& [word, sw] : CollocateRows()) words.insert(word);
    return words;
  }
  int RowsOf(UStringView word) {
    int n = 0;
    for (const auto& [w, sw] : CollocateRows()) n += w == word ? 1 : 0;
    return n;
  }
  // Runs the search words of a words file (one a line), as the wizard's file box does.
  void RunWordsFile(std::string_view lines) {
    Main().ShowStartDialog();
    Wizard().FileNameBox()->setText(ToQString(dir.Write(u"words.txt", lines)));
    Wizard().ButtonSWsFromFileClick();
    // Words loaded before: the button cleared them (as it says), the second press loads anew.
    if (Wizard().SearchWordItems.Count() == 0) Wizard().ButtonSWsFromFileClick();
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    ASSERT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
  }
  // Every collocate counted, however rare.
  void EveryCollocate() {
    ASSERT_EQ(OwnSettings([](TConcordanceSettingsDialog& d) {
                d.MinCollocateFrequency()->setValue(1);
                d.accept();
              }),
              int(QDialog::Accepted));
  }
};

}  // namespace

// A hit this close after the line before it gives no line of its own; "off" gives every hit.
TEST_F(SettingsFieldsOnRuns, CloseHitsRule) {
  Start();
  // river at words 1, 2, 4 and 9.
  HandOverTexts({dir.Write(u"close.txt", "river river the river and the sea, a river.\n")});
  ASSERT_EQ(LinesFor(u"river"), 4);
  ASSERT_EQ(OwnSettings([](TConcordanceSettingsDialog& d) {
              EXPECT_EQ(d.CloseHitsGap()->value(), -1);
              EXPECT_EQ(d.CloseHitsGap()->text(), QStringLiteral("off"));
              d.CloseHitsGap()->setValue(2);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetConcSaveRec().AllowedLastWordGap(), 2);
  // 2 is within two words of 1; 4 and 9 are not within two of the line before them.
  EXPECT_EQ(LinesFor(u"river"), 3);
  OwnSettings([](TConcordanceSettingsDialog& d) {
    EXPECT_EQ(d.CloseHitsGap()->value(), 2);
    d.CloseHitsGap()->setValue(-1);
    d.accept();
  });
  EXPECT_EQ(LinesFor(u"river"), 4);
  ExpectRefused<TConcordanceSettingsDialog>(
      [this](const auto& fill) { return OwnSettings(fill); },
      [](TConcordanceSettingsDialog& d) { d.CloseHitsGap()->setValue(1001); }, u"Close hits within (words): 1001");
}

// A collocate met in fewer texts than the least number is left out; numbers kept as they stand
// are collocates of their own, otherwise each counts as "#".
TEST_F(SettingsFieldsOnRuns, LeastCollocateTextsAndNumbers) {
  Start();
  HandOverTexts({dir.Write(u"one.txt", "The river rose 1999 feet in one night.\n"),
                 dir.Write(u"two.txt", "The river fell 1999 feet in one week.\n")});
  EveryCollocate();
  ASSERT_EQ(LinesFor(u"river"), 2);
  std::set<UString> words = CollocateWords();
  EXPECT_TRUE(words.count(u"ROSE"));
  EXPECT_TRUE(words.count(u"#"));
  EXPECT_FALSE(words.count(u"1999"));

  ASSERT_EQ(OwnSettings([](TConcordanceSettingsDialog& d) {
              EXPECT_EQ(d.MinCollocateTexts()->value(), 1);
              EXPECT_FALSE(d.KeepNumbers()->isChecked());
              d.MinCollocateTexts()->setValue(2);
              d.KeepNumbers()->setChecked(true);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetTextSettings().NumbersIncluded());
  ASSERT_EQ(LinesFor(u"river"), 2);
  words = CollocateWords();
  EXPECT_FALSE(words.count(u"ROSE"));  // in one text only
  EXPECT_FALSE(words.count(u"FELL"));
  EXPECT_TRUE(words.count(u"FEET"));
  EXPECT_TRUE(words.count(u"1999"));
  EXPECT_FALSE(words.count(u"#"));
  OwnSettings([](TConcordanceSettingsDialog& d) {
    EXPECT_EQ(d.MinCollocateTexts()->value(), 2);
    EXPECT_TRUE(d.KeepNumbers()->isChecked());
    d.reject();
  });
  ExpectRefused<TConcordanceSettingsDialog>(
      [this](const auto& fill) { return OwnSettings(fill); },
      [](TConcordanceSettingsDialog& d) { d.MinCollocateTexts()->setValue(256); }, u"Least collocate texts: 256");
}

// A word near two search words is two rows, one for each, until the search words are counted
// together.
TEST_F(SettingsFieldsOnRuns, CollocatesOfAllSearchWordsTogether) {
  Start();
  HandOverTexts(WriteRiverTexts(dir, 2, 3));
  EveryCollocate();
  RunWordsFile("river\nmill\n");
  ASSERT_EQ(Main().Doc()->fConcordanceList->Count(), 12);
  EXPECT_EQ(RowsOf(u"PAST"), 2);
  ASSERT_EQ(OwnSettings([](TConcordanceSettingsDialog& d) {
              EXPECT_FALSE(d.SearchWordsTogether()->isChecked());
              d.SearchWordsTogether()->setChecked(true);
              d.show();
              SettingsShot(d, "concordance_fields");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetConcSaveRec().CollocateSearchWordsTogether());
  RunWordsFile("river\nmill\n");
  EXPECT_EQ(RowsOf(u"PAST"), 1);
  OwnSettings([](TConcordanceSettingsDialog& d) {
    EXPECT_TRUE(d.SearchWordsTogether()->isChecked());
    d.reject();
  });
}

// Between the multi-word unit tag and its closing tag the words are one: "river bank" is not a
// hit of "river" any more.
TEST_F(SettingsFieldsOnRuns, MultiWordUnitTag) {
  Start();
  HandOverTexts({dir.Write(u"units.txt", "The <mwu>river bank</mwu> is green. The river flows.\n")});
  ASSERT_EQ(LinesFor(u"river"), 2);
  ASSERT_EQ(OwnSettings([](TConcordanceSettingsDialog& d) {
              EXPECT_TRUE(d.MultiWordTag()->text().isEmpty());
              d.MultiWordTag()->setText(QStringLiteral("<mwu>"));
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetWordlistClusterTag(), u"<mwu>");
  EXPECT_EQ(LinesFor(u"river"), 1);
  OwnSettings([](TConcordanceSettingsDialog& d) {
    EXPECT_EQ(d.MultiWordTag()->text(), QStringLiteral("<mwu>"));
    d.reject();
  });
  ExpectRefused<TConcordanceSettingsDialog>(
      [this](const auto& fill) { return OwnSettings(fill); },
      [](TConcordanceSettingsDialog& d) { d.MultiWordTag()->setText(QStringLiteral("mwu")); },
      u"Multi-word unit tag: \"mwu\"");
}

// Pointing at a hit of the plot names the words around it, once the plot keeps them: as many
// characters as chosen; switched off, no words.
TEST_F(SettingsFieldsOnRuns, PlotHitContexts) {
  Start();
  HandOverTexts(WriteRiverTexts(dir, 2, 3));
  auto plot_settings = [this](const std::function<void(TWordCloudSettingsDialog&)>& fill) {
    return Through<TWordCloudSettingsDialog>([](TConcordanceSettingsDialog& d) { return d.WordCloudButton(); }, fill);
  };
  // The words shown while the mouse is over the first hit of the first row.
  auto hint = [this]() -> QString {
    TVX_Grid* grid = TurnTo("Plot");
    auto* plot = dynamic_cast<TConcPlotList*>(Main().Doc()->fConcPlotList.get());
    if (!grid || !plot || plot->Count() == 0) return QStringLiteral("no plot");
    const int shift = plot->show_overall ? 1 : 0;
    const TConcordancePlotEntry* first = plot->Row(0);
    grid->setColumnWidth(kPlotListColumn, 800);
    const QRect cell = grid->visualRect(grid->Model().index(shift, kPlotListColumn));
    const int32_t position = first->plots.Plots()[0].position;
    const QPoint at(cell.left() + static_cast<int>(int64_t{position} * cell.width() / first->rec.words_in_file),
                    cell.center().y());
    Main().Status()->SetPanelText(10, u"");
    Main().PlotGridMouseMove(grid, at);
    return Main().Status()->PanelText(10);
  };
  ASSERT_EQ(plot_settings([](TWordCloudSettingsDialog& d) {
              EXPECT_TRUE(d.KeepHitContexts()->isChecked());  // kept unless switched off
              d.KeepHitContexts()->setChecked(false);
              d.accept();
            }),
            int(QDialog::Accepted));
  RunFromWizard(u"river");
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_TRUE(hint().isEmpty()) << hint().toStdString();

  ASSERT_EQ(plot_settings([](TWordCloudSettingsDialog& d) {
              d.KeepHitContexts()->setChecked(true);
              d.HitContextCharacters()->setValue(24);
              d.HitContextLines()->setValue(100);
              d.show();
              SettingsShot(d, "word_cloud_and_plot");
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_EQ(GetPlotSettings().HitContextCharacters(), 24);
  RunFromWizard(u"river");
  const QString words = hint();
  EXPECT_TRUE(words.contains(QStringLiteral("river"))) << words.toStdString();
  EXPECT_TRUE(words.contains(QStringLiteral("flows"))) << words.toStdString();
  EXPECT_FALSE(words.contains(QStringLiteral("past"))) << words.toStdString();  // beyond 24 characters

  // More lines than the plot keeps contexts for: none.
  plot_settings([](TWordCloudSettingsDialog& d) {
    EXPECT_EQ(d.HitContextCharacters()->value(), 24);
    d.HitContextLines()->setValue(5);
    d.accept();
  });
  RunFromWizard(u"river");
  EXPECT_FALSE(hint().contains(QStringLiteral("river")));

  dialogs.Clear();
  plot_settings([](TWordCloudSettingsDialog& d) {
    d.HitContextCharacters()->setValue(0);
    d.accept();
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    d.reject();
  });
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_NE(dialogs.Asked()[0].text.find(u"Hit context characters: 0"), UString::npos);
}

// The search word of the lines is drawn in the colour chosen for it in Colours.
TEST_F(SettingsFieldsOnRuns, WordColoursOfTheLines) {
  Start();
  HandOverTexts(WriteRiverTexts(dir, 1, 2));
  ASSERT_EQ(LinesFor(u"river"), 2);
  TurnTo("Concordance");
  QAction* words_coloured = Main().Menus()->ActionOfTag(kWordsColoured);
  ASSERT_NE(words_coloured, nullptr);
  words_coloured->trigger();
  DeliverPendingEvents();
  auto river_colour = [this] {
    QApplication::processEvents();
    const TGrid_data_rec& cell = Main().ConcordanceGrid()->Model().Source().Cell(1, 1);
    for (const auto& s : cell.spans)
      if (s.start >= 0 && cell.text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.length)) == u"river")
        return s.fore;
    return 0xFFFFFFFFu;
  };
  const uint32_t before = river_colour();
  ASSERT_NE(before, 0xFFFFFFFFu);
  auto search_word_row = [](TColourSettingsDialog& d) {
    for (int r = 0; r < d.WordColours()->rowCount(); ++r)
      if (d.WordColours()->item(r, 0)->text().startsWith(QStringLiteral("Search word"))) return r;
    return -1;
  };
  ASSERT_EQ(ThroughTheMenu<TColourSettingsDialog>(kColoursMenuItem,
                                                  [&](TColourSettingsDialog& d) {
                                                    const int r = search_word_row(d);
                                                    ASSERT_GE(r, 0);
                                                    uint32_t shown = 0;
                                                    ASSERT_TRUE(ColourOfText(FromQString(d.WordColours()->item(r, 1)->text()), shown));
                                                    EXPECT_EQ(shown, before);  // as stored
                                                    d.WordColours()->item(r, 1)->setText(QStringLiteral("#123456"));
                                                    d.show();
                                                    SettingsShot(d, "colours_words");
                                                    d.accept();
                                                  }),
            int(QDialog::Accepted));
  EXPECT_EQ(river_colour(), 0x563412u);  // kept as 0x00BBGGRR
  ExpectRefused<TColourSettingsDialog>(
      [this](const auto& fill) { return ThroughTheMenu<TColourSettingsDialog>(kColoursMenuItem, fill); },
      [&](TColourSettingsDialog& d) { d.WordColours()->item(search_word_row(d), 2)->setText(QStringLiteral("nope")); },
      u"Search word; a word after its tag, background: \"nope\"");
}

// Texts named by a network path ("//...") show their state unchecked until network texts are
// checked.
TEST_F(SettingsFieldsOnRuns, NetworkTextsChecked) {
  Start();
  // The text handed over in its folder named as a share is ("//tmp/..."), which is the same
  // folder here.
  const UString name = WriteRiverTexts(dir, 1, 2)[0];
  TVXFileDetails texts(false, kToolConcordancer);
  TChosenFile_BaseRec d;
  d.folder_num = -1;
  d.size = FileSizeU(name);
  d.words = -1;
  d.filename = ExtractFileName(name);
  ASSERT_TRUE(texts.AddIfNotInAlready(d, u"/" + ExcludeTrailingPathDelimiter(ExtractFilePath(name))));
  ASSERT_TRUE(texts.SavedToTempFile());
  SetChosenTextFiles(true, texts.TempFilename(), texts.FileCount());
  ASSERT_TRUE(Main().LoadChosenTextsFromStore());
  ASSERT_EQ(LinesFor(u"river"), 2);
  auto state = [this] {
    TGrid_data_rec cell;
    Main().Doc()->fTextFilesWithSearchWord->DrawgridDataRec(kSourceColFile, 1, cell, 0);
    return cell.int_value;
  };
  EXPECT_EQ(state(), kFileNotChecked);
  ASSERT_EQ(General([](TGeneralSettingsDialog& d) {
              EXPECT_FALSE(d.CheckNetworkTexts()->isChecked());
              d.CheckNetworkTexts()->setChecked(true);
              d.accept();
            }),
            int(QDialog::Accepted));
  ASSERT_EQ(LinesFor(u"river"), 2);
  EXPECT_EQ(state(), kFilePresent);
}

// Another tool's request names an ".html" text beside a ".txt" one: the ".html" one is left out
// once only three-letter extensions are taken.
TEST_F(SettingsFieldsOnRuns, HandedOverTextsWithThreeLetterExtensionsOnly) {
  const UString txt = dir.Write(u"corpus/a.txt", "the old man and the sea");
  const UString html = dir.Write(u"corpus/b.html", "an old dog by the sea");
  auto request = [&] {
    TTellLinzoraList r(kToolWordLister, kToolConcordancer);
    r.fPreliminaries.include_stats = 1;
    TLinzoraFilenamelist& files = r.MakeSourceFileList();
    int32_t n = 0;
    for (const UString& name : {txt, html}) {
      TLinzoraFilenameEntryRecPlus rec;
      rec.full_filename = name;
      rec.head.filestatus = kFilePresent;
      rec.other_data.zero_based_filename_num = n++;
      rec.other_data.file_size = FileSizeU(name);
      files.Add(new TLinzoraFilenameEntry(&files, rec));
    }
    r.AddItem(u"old");
    ASSERT_TRUE(r.SaveRequestFile());
  };
  request();
  Start({u"wordlister"});
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), 2);
  ASSERT_EQ(General([](TGeneralSettingsDialog& d) {
              EXPECT_FALSE(d.ThreeLetterExtensionsOnly()->isChecked());
              d.ThreeLetterExtensionsOnly()->setChecked(true);
              d.accept();
            }),
            int(QDialog::Accepted));
  EXPECT_TRUE(GetRestrictTo3LetterExtensions());
  request();
  Start({u"wordlister"});
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), 1);
}

// "No to all" silences the question about UTF-8 texts for later runs; General asks it again.
TEST_F(SettingsFieldsOnRuns, Utf8QuestionAskedAgain) {
  Start();
  HandOverTexts({dir.Write(u"utf8.txt", "\xEF\xBB\xBFThe river flows.\n")});
  dialogs.Clear();
  dialogs.Script({mrNoToAll});
  ASSERT_EQ(LinesFor(u"river"), 1);
  EXPECT_TRUE(WasAsked(TVXDialog::OKtoSaveXInUnicode));
  dialogs.Clear();
  ASSERT_EQ(LinesFor(u"river"), 1);
  EXPECT_FALSE(WasAsked(TVXDialog::OKtoSaveXInUnicode));
  ASSERT_EQ(General([](TGeneralSettingsDialog& d) {
              EXPECT_FALSE(d.AskAboutUtf8()->isChecked());
              d.AskAboutUtf8()->setChecked(true);
              d.show();
              SettingsShot(d, "general_texts");
              d.accept();
            }),
            int(QDialog::Accepted));
  dialogs.Clear();
  dialogs.Script({mrNo});
  ASSERT_EQ(LinesFor(u"river"), 1);
  EXPECT_TRUE(WasAsked(TVXDialog::OKtoSaveXInUnicode));
}
