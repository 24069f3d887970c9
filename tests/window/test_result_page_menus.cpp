// Every command of every result page, fired once through the menu handler on a real concordance:
// on each page (list types 10, 5, 12, 13, 14, 17, 20) each tag of the page's feature set, in tag
// order (Exit once, at the very end; Cause a Crash left out), with its effect checked from a
// table. Named messages are answered by the headless dialog service; modal windows by a timer
// that fills their fields and presses OK, or Cancel where Cancel is to change nothing.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>
#include <map>

#include "concordance/commands/collocate_highlight.h"
#include "concordance/commands/concordance_commands.h"
#include "concordance/views/plot_list.h"
#include "platform/text/text_files.h"
#include "shell/qt/window_messages.h"
#include "shell/menus/concordance_commands.h"
#include "shell/main_window/controller_messages.h"
#include "shell/menus/menu_features.h"
#include "shell/menus/menu_store.h"
#include "shell/qt/print_preview.h"
#include "windows/cluster_settings_dialog.h"
#include "windows/extra_details_window.h"
#include "windows/extra_text_grid_window.h"
#include "windows/one_text_viewer.h"
#include "windows/plot_sets_dialog.h"
#include "windows/frequency_dialog.h"
#include "windows/general_input_dialog.h"
#include "windows/modify_source_texts_window.h"
#include "windows/timeline_settings_dialog.h"
#include "windows/word_cloud_window.h"
#include "windows/word_list_check_dialog.h"
#include "window/expected_failures.h"
#include "window/result_pages_support.h"

using namespace result_pages;

namespace {

// Answers every modal window while it lives: by its class, a handler fills it and says whether
// to press OK; a window without a handler is cancelled and named as unexpected.
class TModalAnswerer {
 public:
  using THandler = std::function<bool(QDialog&)>;
  TModalAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start();
  }
  void Expect(const char* class_name, THandler handler) { handlers_[QString::fromLatin1(class_name)] = std::move(handler); }
  void Clear() {
    handlers_.clear();
    met.clear();
    unexpected.clear();
  }
  std::vector<QString> met, unexpected;

 private:
  void Tick() {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!d || !d->isVisible() || busy_) return;
    busy_ = true;
    const QString name = QString::fromLatin1(d->metaObject()->className());
    met.push_back(name);
    const auto it = handlers_.find(name);
    bool accept = false;
    if (it != handlers_.end()) accept = it->second(*d);
    else unexpected.push_back(name);
    if (d->isVisible()) accept ? d->accept() : d->reject();
    busy_ = false;
  }
  QTimer timer_;
  std::map<QString, THandler> handlers_;
  bool busy_ = false;
};

bool SaysFirst(const UString& text, const char16_t* start) { return text.rfind(start, 0) == 0; }

class ResultPageMenus : public ResultPagesTest {
 protected:
  void SetUp() override {
    ResultPagesTest::SetUp();
    SetVXHelpAccessMode(2);  // help pages are only noted
    windows->controller->SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    Main().SetInputBox([this](const UString&, const UString&, UString& value) {
      if (input_answer.empty()) return false;
      value = input_answer;
      return true;
    });
  }

  // The list entry a grid row (from 1) shows (the plot's overall row comes first when shown).
  int Above(TVX_Grid& grid) { return std::max(0, grid.List()->TotalRowCount() - grid.List()->Count()); }
  int Entry(TVX_Grid& grid, int row) { return row - 1 - Above(grid); }
  // The first grid row that shows an entry (after an overall row).
  int First(TVX_Grid& grid) { return 1 + Above(grid); }
  void SelectRows(TVX_Grid& grid, int first, int last) {
    grid.clearSelection();
    int column = 0;
    while (column + 1 < grid.Model().columnCount() && grid.isColumnHidden(column)) ++column;
    grid.setCurrentIndex(grid.Model().index(first - 1, column));
    grid.selectionModel()->select(QItemSelection(grid.Model().index(first - 1, 0), grid.Model().index(last - 1, 0)),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  int DeletedCount(TVXBaseDataClass& list) {
    int n = 0;
    for (int i = 0; i < list.Count(); ++i) n += list.GetDeleted(i) ? 1 : 0;
    return n;
  }
  bool AnyJoined(TVXBaseDataClass& list) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.GetHasJoined(i)) return true;
    return false;
  }

  // One tag on one page: set up, fire, check. Answers false when the table has no row for it.
  bool Step(int tag, uint8_t type, TVX_Grid& grid);

  TModalAnswerer modals;
  UString input_answer;
  int file_counter = 0;
};

bool ResultPageMenus::Step(int tag, uint8_t type, TVX_Grid& grid) {
  TVXBaseDataClass& list = *grid.List();
  const int count = list.Count();
  const size_t codes = Codes().size();
  std::function<void()> check;
  const char* mend = nullptr;  // the issue that mends a command failing its check today
  modals.Clear();
  dialogs.Clear();
  const int r1 = First(grid), r2 = r1 + 1;
  SelectRows(grid, r1, r1);
  auto code_sent = [this, codes](uint16_t code) {
    return std::find(Codes().begin() + static_cast<long>(codes), Codes().end(), code) != Codes().end();
  };
  // The notes page is rewritten when a view's count lines change: a note is added when more lines
  // hold its text than before.
  auto lines_holding = [this](const char16_t* text) {
    int n = 0;
    for (int i = 0; i < Doc().fNotes.Count(); ++i) n += Doc().fNotes[i].find(text) != UString::npos ? 1 : 0;
    return n;
  };
  std::map<UString, int> held_before;
  for (const char16_t* text : {u"Collocates", u"Clusters", u"Time-lines", u"file names"}) held_before[text] = lines_holding(text);
  auto note_added = [lines_holding, held_before](const char16_t* text) { return lines_holding(text) > held_before.at(text); };
  const qsizetype notes_shown = Main().GetToolSpecificControl()->toPlainText().split(QLatin1Char('\n')).size();
  auto nothing_changed = [this, &list, count] {
    EXPECT_NE(Main().Doc(), nullptr);
    EXPECT_EQ(list.Count(), count);
  };
  switch (tag) {
    case 0: case 33: case 161: check = nothing_changed; break;
    case 1:
      // The first save asks for a name; later ones write to it.
      if (Doc().SourceTextFilename.empty()) file_dialogs.answers.push_back(dir.Path() + u"saved.cnc");
      Main().MarkDataChanged();
      check = [this] {
        EXPECT_TRUE(FileExists(Doc().SourceTextFilename));
        EXPECT_FALSE(Main().HasUnsavedData());
        // The status bar says the save is done, not that it is under way.
        const QString said = Main().Status()->PanelText(kPanelMessage);
        EXPECT_TRUE(said.endsWith(QStringLiteral("saved OK"))) << said.toStdString();
        EXPECT_FALSE(said.startsWith(QStringLiteral("Saving"))) << said.toStdString();
      };
      break;
    case 2: case 24: case 28: case 79: case 184:
      // Cancel in the save-as window writes nothing.
      modals.Expect("TSaveAsTxtDlgFeb2012", [](QDialog&) { return false; });
      check = [this, nothing_changed] {
        EXPECT_FALSE(modals.met.empty());
        nothing_changed();
      };
      break;
    case 3: case 78:
      // The file dialog cancelled: the document stays.
      check = [this, nothing_changed, requests = file_dialogs.requests] {
        EXPECT_GT(file_dialogs.requests, requests);
        nothing_changed();
      };
      break;
    case 4: {
      const UString name = dir.Path() + u"printed" + IntToUStr(++file_counter) + u".pdf";
      file_dialogs.answers.push_back(name);
      dialogs.Script({mrYes});  // many pages: printed all the same
      check = [name] { EXPECT_TRUE(FileExists(name)); };
      break;
    }
    case 5:
      check = [this] {
        ASSERT_NE(Main().PrintPreview(), nullptr);
        EXPECT_TRUE(Main().PrintPreview()->isVisible());
        Main().PrintPreview()->hide();
      };
      break;
    case 7: case 156: case 157:
      check = [this] { EXPECT_TRUE(WasAsked(TVXDialog::NoMatchList)); };
      break;
    case 158: check = [code_sent] { EXPECT_TRUE(code_sent(1330)); }; break;
    case 8:
      check = [this, code_sent, n = instances.size()] {
        EXPECT_TRUE(code_sent(4602));
        ASSERT_EQ(instances.size(), n + 1);
        EXPECT_TRUE(instances.back().empty());
        EXPECT_NE(Main().Doc(), nullptr);
      };
      break;
    case 10:
      if (type == kListConcordance) {
        // The sort dialog cancelled: the lines keep their keys.
        const int32_t key = list.SortLevel(0).key;
        modals.Expect("TConcSortForm", [](QDialog&) { return false; });
        check = [this, &list, key] {
          EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TConcSortForm")});
          EXPECT_EQ(list.SortLevel(0).key, key);
        };
      } else {
        const bool ascending = list.SortLevel(0).ascending;
        check = [&list, ascending] { EXPECT_NE(list.SortLevel(0).ascending, ascending); };
      }
      break;
    case 11:
      list.SetDeleted(Entry(grid, r1), true);
      dialogs.Script({mrYes});
      check = [&list, count] { EXPECT_EQ(list.Count(), count - 1); };
      break;
    case 12: check = [this, &list, &grid, r1, r2] { EXPECT_TRUE(list.GetDeleted(Entry(grid, r1))); }; break;
    case 13:
      SelectRows(grid, r2, r2);
      check = [this, &list, &grid, r1, r2] {
        EXPECT_TRUE(list.GetDeleted(Entry(grid, r2)));
        EXPECT_TRUE(list.GetDeleted(list.Count() - 1));
      };
      break;
    case 14: check = [this, &list, &grid, r1, r2] { EXPECT_FALSE(list.GetDeleted(Entry(grid, r1))); }; break;
    case 15:
      SelectRows(grid, r2, r2);
      check = [&list] { EXPECT_EQ(list.GetDeleted(list.Count() - 1), false); };
      break;
    case 18: check = [this, &list, &grid, r1, r2] { EXPECT_TRUE(list.GetMatched(Entry(grid, r1))); }; break;
    case 167:
      list.SetMatched(Entry(grid, r1), true);
      check = [this, &list, &grid, r1, r2] { EXPECT_FALSE(list.GetMatched(Entry(grid, r1))); };
      break;
    case 208: case 209:
      list.SetMatched(Entry(grid, r1), true);
      check = [this, &list, &grid, r1, r2] { EXPECT_FALSE(list.GetMatched(Entry(grid, r1))); };
      break;
    case 19:
      SelectRows(grid, r1, r2);
      check = [this, &list, &grid, r1, r2] { EXPECT_TRUE(list.GetJoinedElsewhere(Entry(grid, r2))); };
      break;
    case 20:
      if (!list.GetHasJoined(Entry(grid, r1))) list.Join(Entry(grid, r1), Entry(grid, r2), false);
      check = [this, &list, &grid, r1, r2] { EXPECT_FALSE(list.GetHasJoined(Entry(grid, r1))); };
      break;
    case 47:
      list.Join(Entry(grid, r1), Entry(grid, r2), false);
      check = [this, &list] { EXPECT_FALSE(AnyJoined(list)); };
      break;
    case 21:
      input_answer = IntToUStr(count - 1);
      dialogs.Script({mrYes});
      check = [this, &list, count] {
        EXPECT_TRUE(list.Count() == count - 1 || DeletedCount(list) >= 1);
        input_answer.clear();
      };
      break;
    case 22:
      QApplication::clipboard()->clear();
      modals.Expect("TFormChooseClipboardFormat", [](QDialog&) { return true; });
      check = [] { EXPECT_FALSE(QApplication::clipboard()->text().isEmpty()); };
      break;
    // The list tools answer on their own: a question, their dialog, or a file shown.
    case 23:
      check = [this] {
        EXPECT_EQ(GetKeyPressMode(Main().Tool()), 2);
        if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget())) QTest::keyClick(editor, Qt::Key_Escape);
      };
      break;
    case 25:
      dialogs.Script({mrNo});
      check = [this] { EXPECT_TRUE(WasAsked(TVXDialog::NoLemmaList)); };
      break;
    case 38:
      dialogs.Script({mrYes});
      check = [this] { EXPECT_TRUE(WasAsked(TVXDialog::DoYouWantToDoX)); };
      break;
    case 54:
      dialogs.Script({mrYes});
      check = [this] { EXPECT_FALSE(StatusMessage().contains(QStringLiteral("not available"), Qt::CaseInsensitive)); };
      break;
    case 164:
      modals.Expect("TFormLangChange", [](QDialog&) { return false; });
      check = [this] { EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TFormLangChange")}); };
      break;
    case 180:
      modals.Expect("TFormSetColumnEdit", [](QDialog&) { return false; });
      check = [this] { EXPECT_FALSE(StatusMessage().contains(QStringLiteral("not available"), Qt::CaseInsensitive)); };
      break;
    case 193:
      check = [this] { EXPECT_FALSE(StatusMessage().contains(QStringLiteral("not available"), Qt::CaseInsensitive)); };
      break;
    // The grid tools and the viewers open their own windows.
    case 29: case 52: case 85: case 170: case 194: case 17: case 37: {
      // On the texts page Search + Replace renames texts: its dialog, cancelled, changes nothing.
      if (tag == 17 && type == kListSourceFiles) {
        modals.Expect("TFormSearchAndReplaceFilename", [](QDialog&) { return false; });
        check = [this, nothing_changed] {
          EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TFormSearchAndReplaceFilename")});
          nothing_changed();
        };
        break;
      }
      // Breakdown on the plot and file-name pages reports in the list viewer.
      const bool report = tag == 37 && (grid.ListType() == kListPlot || grid.ListType() == kListSourceFiles);
      auto form = [this, tag, report]() -> QWidget* {
        if (tag == 29 || tag == 52) return Main().ColumnsForm();
        if (tag == 17) return Main().SearchReplaceForm();
        if (report) return Main().ListViewer();
        if (tag == 37) return Main().BreakdownForm();
        return Main().ConditionsForm();
      };
      check = [form] {
        ASSERT_NE(form(), nullptr);
        EXPECT_TRUE(form()->isVisible());
        form()->hide();
      };
      break;
    }
    case 207:
      // The active set column chooser, cancelled: the list is as it was.
      modals.Expect("TFormSetColActiveColChooser", [](QDialog&) { return false; });
      check = [this, nothing_changed] {
        EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TFormSetColActiveColChooser")});
        nothing_changed();
      };
      break;
    case 6:
      check = [this] {
        ASSERT_NE(Main().ExtraDetailsWindow(), nullptr);
        EXPECT_TRUE(Main().ExtraDetailsWindow()->isVisible());
        Main().ExtraDetailsWindow()->hide();
      };
      break;
    case 75:
      check = [this] {
        if (Doc().fSameFilenameOption) {
          ASSERT_NE(Main().ExtraGridWindow(), nullptr);
          Main().ExtraGridWindow()->hide();
        }
      };
      break;
    case 95: case 186:
      // The media of the current line: the sample texts name none, and the status line says so.
      Main().Status()->SetPanelText(kPanelMessage, u"");
      check = [this, type, nothing_changed] {
        if (type == kListConcordance) {
          EXPECT_FALSE(StatusMessage().isEmpty() && dialogs.Asked().empty());
        }
        nothing_changed();
      };
      break;
    case 179:
      // Collocates and patterns ask which column to draw; clusters are drawn at once.
      modals.Expect("TFormWordCloudOptions", [](QDialog&) { return true; });
      check = [this] {
        ASSERT_NE(Main().WordCloudWindow(), nullptr);
        EXPECT_TRUE(Main().WordCloudWindow()->isVisible());
        Main().WordCloudWindow()->hide();
      };
      break;
    case 26:
      Main().MarkDataChanged();
      dialogs.Script({mrCancel});
      check = [this, &list, count] {
        EXPECT_TRUE(WasAsked(TVXDialog::DoYouWantToSave));
        EXPECT_NE(Main().Doc(), nullptr);
        EXPECT_EQ(list.Count(), count);
      };
      break;
    case 30: case 31: {
      const int height = grid.verticalHeader()->defaultSectionSize();
      check = [&grid, height, tag] {
        if (tag == 30) {
          EXPECT_GE(grid.verticalHeader()->defaultSectionSize(), height);
        } else {
          EXPECT_LE(grid.verticalHeader()->defaultSectionSize(), height);
        }
      };
      break;
    }
    case 166: case 195: case 199: case 200: check = nothing_changed; break;
    case 34:
      check = [this, note_added] {
        EXPECT_TRUE(note_added(u"Collocates"));
        EXPECT_GT(Doc().fCollocateList->Count(), 0);
      };
      break;
    case 39:
      Doc().fComputed[4] = 0;
      modals.Expect("TConcPlottingDlg", [](QDialog&) { return true; });
      check = [this] {
        EXPECT_EQ(Doc().fComputed[4], 1);
        EXPECT_TRUE(Main().Pages()->Records().Last_actions & 0x10000);
      };
      break;
    case 40:
      if (type == kListSourceFiles) {
        // The row's text in the one-text viewer.
        Main().TextViewer().hide();
        check = [this] {
          EXPECT_TRUE(Main().TextViewer().isVisible());
          Main().TextViewer().hide();
        };
      } else {
        check = [this, &grid, r1] {
          EXPECT_EQ(ShownListType(), 27);
          EXPECT_EQ(Main().ShownSourceLine().file_number, Lines().Line(Entry(grid, r1))->Data().filename_num_original);
        };
      }
      break;
    case 42:
      modals.Expect("TClusterDlg", [](QDialog& d) {
        auto& c = static_cast<TClusterDlg&>(d);
        c.Smallest()->setValue(2);
        c.Largest()->setValue(2);
        c.OKClick();
        return true;
      });
      check = [this, note_added] {
        EXPECT_EQ(Doc().fSettings.ClusterSizeMax(), 2);
        auto& clusters = *dynamic_cast<TConcordanceClusterList*>(Doc().fClusterList.get());
        ASSERT_GT(clusters.Count(), 0);
        // Two places each: two words, or three where the phrase "the mill" fills one place.
        int two = 0;
        for (int i = 0; i < clusters.Count(); ++i) {
          const int32_t words = ClusterWordCount(clusters.Row(i)->rec.line.value_or(UString()));
          EXPECT_LE(words, 3);
          two += words == 2 ? 1 : 0;
        }
        EXPECT_GT(two, 0);
        EXPECT_TRUE(note_added(u"Clusters"));
        EXPECT_EQ(ShownListType(), kListClusters);
      };
      break;
    case 44:
      Doc().fComputed[3] = 0;
      check = [this] { EXPECT_EQ(Doc().fComputed[3], 1); };
      break;
    case 46: check = [&grid] { EXPECT_EQ(grid.RulerShown(), GetMenuItemChecked(46)); }; break;
    case 53:
      modals.Expect("TFormCollRelationsWLCheckFilename", [this](QDialog& d) {
        static_cast<TFormCollRelationsWLCheckFilename&>(d).SetWordListFile(corpus->reference);
        return true;
      });
      // The phrase is no word of the list: its frequency is asked for.
      modals.Expect("TFormFreqSpecify", [](QDialog& d) {
        static_cast<TFormFreqSpecify&>(d).Spin()->setValue(40);
        return true;
      });
      check = [this] {
        auto* collocates = dynamic_cast<TCollocateList*>(Doc().fCollocateList.get());
        EXPECT_TRUE(collocates->fsettings.saved_relationships_computed);
        EXPECT_EQ(GetKeywordsSettingsReferenceCorpus(), corpus->reference);
      };
      break;
    case 55: {
      const uint8_t before = GetPlotSettings().PlotDisplay();
      check = [before] {
        EXPECT_NE(GetPlotSettings().PlotDisplay(), before);
        EXPECT_EQ(GetMenuItemChecked(55), GetPlotSettings().PlotDisplay() != 0);
      };
      break;
    }
    case 58:
      modals.Expect("TFormTimelineSettings", [](QDialog& d) {
        static_cast<TFormTimelineSettings&>(d).OKClick();
        return true;
      });
      check = [this, note_added] {
        EXPECT_TRUE(note_added(u"Time-lines"));
        EXPECT_GT(Doc().fTimeLineList->Count(), 0);
      };
      break;
    case 60: case 61: case 62: case 63: case 64: case 65: case 66: case 67: case 69: case 71: case 72: case 84: case 110:
    case 111: case 145:
      // Choose texts: the program's chooser opens (and is cancelled here).
      if (tag == 69) modals.Expect("TTextChooser", [](QDialog&) { return false; });
      check = [this, tag, code_sent] {
        DeliverPendingEvents();
        EXPECT_TRUE(code_sent(ControllerCodeOfMenuTag(tag)));
        if (tag == 69) {
          EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TTextChooser")});
        }
      };
      break;
    case 73: check = [this] { EXPECT_TRUE(WasAsked(TVXDialog::PleaseLoadTags)); }; break;
    case 77:
      // The chooser shows only the document's coloured tags: without any it stays hidden.
      check = [this] {
        ASSERT_NE(Main().TagColourChooser(), nullptr);
        EXPECT_EQ(Main().TagColourChooser()->isVisible(), DataHasColourTags(*Main().Doc()));
        Main().TagColourChooser()->hide();
      };
      break;
    case 80: check = [this] { EXPECT_EQ(Main().Status()->isVisible(), GetMenuItemChecked(80)); }; break;
    case 81: check = [this] { EXPECT_EQ(Main().ToolbarPanel()->isVisible(), GetMenuItemChecked(81) && Main().HasData()); }; break;
    case 82:
      list.DeleteARange({Entry(grid, r1)}, true, true);
      check = [this, &list, &grid, r1, r2] { EXPECT_FALSE(list.GetDeleted(Entry(grid, r1))); };
      break;
    case 83:
      // Redo makes an undone deletion again.
      list.DeleteARange({Entry(grid, r1)}, true, true);
      list.Undo();
      check = [this, &list, &grid, r1, r2] { EXPECT_TRUE(list.GetDeleted(Entry(grid, r1))); };
      break;
    case 86: {
      const int deleted = DeletedCount(list);
      dialogs.Script({mrOK, mrOK});
      check = [this, &list, deleted] {
        EXPECT_TRUE(WasAsked(TVXDialog::N_DuplicatesFound));
        EXPECT_GT(DeletedCount(list), deleted);  // the repeated passage
      };
      break;
    }
    case 87: check = [this] { EXPECT_EQ(Doc().fSettings.SearchWordPadded(), GetMenuItemChecked(87)); }; break;
    case 96: case 97: case 98: case 99: case 126: case 127:
      check = [&list, tag] { EXPECT_EQ(list.SortLevel(0).key, OtherSortOfTag(tag)->key); };
      break;
    case 100: case 117: case 118: case 119: case 120: case 121: case 101: case 112: case 138: case 165: {
      auto read = [this, tag] {
        if (tag == 101 || tag == 112 || tag == 100) return Doc().fSettings.DisplayOptions();
        if (tag == 138 || tag == 165) return Doc().fSettings.ColouringOptions();
        return Doc().fSettings.HideOptions();
      };
      const uint8_t before = read();
      check = [read, before] { EXPECT_NE(read(), before); };
      break;
    }
    case 103: check = [this, type] { EXPECT_EQ(Main().LastHelpContext(), PageHelpContext(type)); }; break;
    case 144: check = [this] { EXPECT_GT(Main().LastHelpContext(), 0); }; break;
    case 105: case 106: case 107: case 108:
      check = [tag] { EXPECT_EQ(GetDisplayWordsPerMillion(), NumberDisplayOfTag(tag)); };
      break;
    case 114:
      dialogs.Script({mrYes});
      check = [this] { EXPECT_TRUE(WasAsked(TVXDialog::ComputeColumnTotalsQ)); };
      break;
    case 141: {
      // A line of a text no other modification touches gets a Set value to write.
      int line = -1;
      for (int i = 0; i < Lines().Count() && line < 0; ++i)
        if (ExtractFileName(Lines().SourceFileName(Lines().Line(i)->Data().filename_num_original)) == u"river_words.txt" &&
            !Lines().GetDeleted(i))
          line = i;
      EXPECT_GE(line, 0);
      if (line >= 0) Lines().Line(line)->SetAWordAsString(2, u"GLOSS");
      modals.Expect("TFormModifySourceTexts", [](QDialog& d) {
        static_cast<TFormModifySourceTexts&>(d).SetInitials()->setText(QStringLiteral("TST"));
        static_cast<TFormModifySourceTexts&>(d).SetOKClick();
        return true;
      });
      dialogs.Script({mrOK});
      check = [this] {
        ASSERT_TRUE(WasAsked(TVXDialog::NModificationsMade));
        EXPECT_FALSE(SaysFirst(dialogs.Asked().back().text, u"0 "));
        EXPECT_EQ(GetModifyInitials(), u"TST");
        UString text;
        ReadTextFile(corpus->folder + u"river_words.txt", text, 1 << 20);
        EXPECT_NE(text.find(u"GLOSS"), UString::npos);
      };
      break;
    }
    case 142:
      modals.Expect("TFormModifySourceTexts", [](QDialog& d) {
        static_cast<TFormModifySourceTexts&>(d).SearchWordOKClick();
        return true;
      });
      dialogs.Script({mrOK});
      check = [this] {
        ASSERT_TRUE(WasAsked(TVXDialog::NModificationsMade));
        // The phrase "the mill" is joined in the texts that hold it.
        UString text;
        ReadTextFile(corpus->folder + u"chronicle_1980.txt", text, 1 << 20);
        EXPECT_NE(UpperCaseU(text).find(u"THE_MILL"), UString::npos);
      };
      break;
    case 143:
      modals.Expect("TFormModifySourceTexts", [](QDialog& d) {
        static_cast<TFormModifySourceTexts&>(d).UndoClick();
        return false;  // the window is closed with Close
      });
      dialogs.Script({mrOK, mrOK});
      check = [this] {
        ASSERT_TRUE(WasAsked(TVXDialog::NModificationsMade));
        UString text;
        ReadTextFile(corpus->folder + u"chronicle_1980.txt", text, 1 << 20);
        EXPECT_EQ(UpperCaseU(text).find(u"THE_MILL"), UString::npos);
      };
      break;
    case 150: {
      // Patterns: the search word's own column; collocates: the total (list columns).
      grid.SelectCell(1, dynamic_cast<TCollocateList*>(&list) ? 16 : 6);
      modals.Expect("TGeneralInputDlg", [](QDialog& d) {
        static_cast<TGeneralInputDlg&>(d).OptionButton(1)->click();
        return true;
      });
      check = [this] {
        EXPECT_TRUE(Lines().HighlightRec.active);
        EXPECT_EQ(ShownListType(), kListConcordance);
      };
      break;
    }
    case 154:
      dialogs.Script({mrYes});
      check = [this] {
        for (int i = 0; i < Lines().Count(); ++i) EXPECT_FALSE(UString(Lines().Line(i)->SetText()).empty());
      };
      break;
    case 155:
      dialogs.Script({mrYes, mrNo});
      check = [this, code_sent, n = instances.size()] {
        DeliverPendingEvents();
        EXPECT_TRUE(code_sent(155));
        ASSERT_EQ(instances.size(), n + 1);
        EXPECT_EQ(instances.back(), std::vector<UString>{u"-F"});  // no context word asked for
        EXPECT_TRUE(GetATempString(2).empty());
      };
      break;
    case 163:
      dialogs.Script({mrNo});
      check = [this, note_added] {
        EXPECT_TRUE(note_added(u"file names"));
        EXPECT_TRUE(Main().GetToolSpecificControl()->toPlainText().contains(QStringLiteral("file names")));
      };
      break;
    case 176: case 177: case 178: check = [tag] { EXPECT_TRUE(GetMenuItemChecked(tag)); }; break;
    case 181: check = [this] { EXPECT_EQ(Doc().fSettings.SearchWordHidden(), GetMenuItemChecked(181)); }; break;
    case 182: case 183: case 197: {
      const int before = Main().ConcDisplacement();
      check = [this, tag, before] {
        EXPECT_EQ(Main().ConcDisplacement(), tag == 197 ? 0 : before + (tag == 182 ? -1 : 1));
      };
      break;
    }
    case 198: {
      const int deleted = DeletedCount(list);
      dialogs.Script({mrYes});
      check = [this, &list, deleted, count] {
        EXPECT_EQ(DeletedCount(list), count - deleted);
        for (int i = 0; i < list.Count(); ++i) list.SetDeleted(i, false);
      };
      break;
    }
    case 210:
      modals.Expect("TGeneralInputDlg", [](QDialog& d) {
        static_cast<TGeneralInputDlg&>(d).SetValue(u"4");
        return true;
      });
      check = [this] { EXPECT_EQ(Doc().GetRelativeEntropyBasis(), 4); };
      break;
    case 219: case 220: case 221: case 223:
      check = [this, tag] { EXPECT_EQ(Doc().TagDisplay, TagDisplayOfMenuTag(tag)); };
      break;
    default: return false;
  }
  Main().HandleMenuCommand(tag, u"");
  DeliverPendingEvents();
  if (mend) ExpectFailureUntilMended(mend, "list type " + std::to_string(type) + " tag " + std::to_string(tag), check);
  else check();
  // No command loses a note: the notes page (what a save writes) holds every line it held and
  // every note the document holds.
  if (Main().Doc()) {
    const QStringList shown = Main().GetToolSpecificControl()->toPlainText().split(QLatin1Char('\n'));
    EXPECT_GE(shown.size(), notes_shown);
    for (int i = 0; i < Doc().fNotes.Count(); ++i) EXPECT_TRUE(shown.contains(ToQString(Doc().fNotes[i]))) << Utf16ToUtf8(Doc().fNotes[i]);
  }
  EXPECT_TRUE(modals.unexpected.empty()) << modals.unexpected.front().toStdString();
  return true;
}

}  // namespace

TEST_F(ResultPageMenus, EveryTagOfEveryPageDoesWhatItSays) {
  const TMenuFeatureContext tool{1, false, false};
  for (uint8_t type : {10, 5, 12, 13, 14, 17, 20}) {
    TVX_Grid* grid = TurnToType(type);
    ASSERT_NE(grid, nullptr) << int(type);
    ASSERT_TRUE(WaitUntil([&] { return grid->List()->Count() > 2; })) << int(type);
    const TMenuFeatureSet set = MenuFeaturesForListType(type, static_cast<uint8_t>(grid->Alternative()), tool);
    for (int tag = 0; tag < kMenuTagCount; ++tag) {
      if (!set.test(static_cast<size_t>(tag)) || tag == 56 || tag == 91) continue;
      SCOPED_TRACE(testing::Message() << "list type " << int(type) << " tag " << tag);
      // Each command starts on its page with the main window active.
      if (Main().Pages()->CurrentGrid() != grid) TurnToType(type);
      Main().activateWindow();
      EXPECT_TRUE(Step(tag, type, *grid)) << "no row in the table";
      ASSERT_NE(Main().Doc(), nullptr);
    }
  }
  // Join Clusters and Auto-Join reach the clusters grid from a customised button or item.
  TVX_Grid* clusters = TurnToType(kListClusters);
  for (int i = 0; i < clusters->List()->Count(); ++i) clusters->List()->Unjoin(i);
  const int count = clusters->List()->Count();
  modals.Clear();
  PostWindowMessage(clusters, kMsgGridCommand, 5104, 0);
  DeliverPendingEvents();
  EXPECT_EQ(StatusMessage(), QStringLiteral("Auto-Join is not available: no rule for it is specified."));
  EXPECT_FALSE(AnyJoined(*clusters->List()));
  modals.Expect("TGeneralInputDlg", [](QDialog& d) {
    SaveShot(d, QStringLiteral("join_clusters_choice"));
    static_cast<TGeneralInputDlg&>(d).OptionButton(1)->click();
    return true;
  });
  PostWindowMessage(clusters, kMsgGridCommand, 5048, 0);
  DeliverPendingEvents();
  EXPECT_TRUE(AnyJoined(*clusters->List()));
  EXPECT_EQ(clusters->List()->Count(), count);
  EXPECT_TRUE(StatusMessage().startsWith(QStringLiteral("Join Clusters:")));
  // Exit comes last: the window closes.
  dialogs.Clear();
  dialogs.Script({mrNo, mrNo});
  Main().HandleMenuCommand(91, u"");
  DeliverPendingEvents();
  EXPECT_FALSE(Main().isVisible());
}

// The sets chosen for a plot are what the next Plot offers: each Plot makes its dialog afresh,
// and the sets must come back in it.
TEST_F(ResultPageMenus, PlotShowsTheSetsChosenBefore) {
  TVX_Grid* plot = TurnToType(kListPlot);
  ASSERT_NE(plot, nullptr);
  modals.Expect("TConcPlottingDlg", [](QDialog& d) {
    auto& sets = static_cast<TConcPlottingDlg&>(d);
    EXPECT_GE(sets.Available(0)->count(), 3);
    sets.ClearSets(0);
    for (int i = 0; i < 3; ++i) sets.Available(0)->item(i)->setSelected(true);
    sets.AddSelectionAsSet(0);
    sets.AllIntoOneSet(1);
    sets.OKClick();
    return true;
  });
  Fire(39);
  EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TConcPlottingDlg")});
  // One set of the first three texts.
  ASSERT_EQ(Doc().plot_options.text_groups.size(), 1u);
  EXPECT_EQ(Doc().plot_options.text_groups[0], (std::vector<int32_t>{0, 1, 2}));
  QStringList file_sets, word_sets;
  modals.Clear();
  modals.Expect("TConcPlottingDlg", [&](QDialog& d) {
    auto& sets = static_cast<TConcPlottingDlg&>(d);
    for (int i = 0; i < sets.Sets(0)->count(); ++i) file_sets.push_back(sets.Sets(0)->item(i)->text());
    for (int i = 0; i < sets.Sets(1)->count(); ++i) word_sets.push_back(sets.Sets(1)->item(i)->text());
    return false;
  });
  Fire(39);
  EXPECT_EQ(modals.met, std::vector<QString>{QStringLiteral("TConcPlottingDlg")});
  EXPECT_EQ(file_sets.join(QLatin1Char('|')).toStdString(), "1-3");
  EXPECT_EQ(word_sets.size(), 1);
}
