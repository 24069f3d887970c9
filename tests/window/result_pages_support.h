// The real small concordance the result pages' window tests work on: the sample corpus copied
// into the test's folder with what it lacks (dated texts with mark-up, a repeated passage, a text
// with a same-named ".en_srt" beside it, a word list to serve as reference corpus), searched for
// two words and a phrase by the engine through the main window. The controller's second
// instances, the file dialogs and the file launcher are the test's.
#pragma once

#include <sys/time.h>

#include <QTimer>
#include <filesystem>

#include "concordance/views/clusters_list.h"
#include "concordance/views/collocates_list.h"
#include "shell/qt/controller_stand_in.h"
#include "shell/qt/vx_grid.h"
#include "shell/qt/vx_status_bar.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"
#include "window/test_tool_window.h"
#include "window/window_test_support.h"
#include "wordlist/word_list_document.h"
#include "../shell/recording_launcher.h"

namespace result_pages {

// Sets a file's time of last writing to 1 June of the year (the time-line dates texts by it).
inline void DateFile(const UString& name, int year) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = 5;
  t.tm_mday = 1;
  t.tm_hour = 12;
  const time_t when = timegm(&t);
  const timeval times[2] = {{when, 0}, {when, 0}};
  ::utimes(Utf16ToUtf8(name).c_str(), times);
}

struct TResultCorpus {
  std::vector<UString> texts;  // every text to choose, full names
  UString folder;
  UString reference;  // the word list (".lst")
  UString film;       // the text with "film.en_srt" beside it

  explicit TResultCorpus(TempFolder& dir) {
    folder = dir.Path() + u"corpus/";
    std::filesystem::create_directories(Utf16ToUtf8(folder));
    const std::filesystem::path samples(LINZORA_SAMPLES_DIR);
    for (const auto& e : std::filesystem::directory_iterator(samples)) {
      if (e.path().extension() != ".txt") continue;
      const std::filesystem::path to = std::filesystem::path(Utf16ToUtf8(folder)) / e.path().filename();
      std::filesystem::copy_file(e.path(), to, std::filesystem::copy_options::overwrite_existing);
      texts.push_back(Utf8ToUtf16(to.string()));
    }
    // Dated chronicles with mark-up: the time-line has three years to plot.
    const std::pair<int, const char*> years[] = {
        {1950, "<header><title>Chronicle 1950</title></header>\n<p><s>The river bank was mended after the "
               "flood.</s> <s>The mill stood idle by the river.</s></p>\n"},
        {1980, "<header><title>Chronicle 1980</title></header>\n<p><s>A new bridge crossed the river "
               "bank.</s> <s>The mill was sold.</s> <s>The river rose twice.</s></p>\n"},
        {2010, "<header><title>Chronicle 2010</title></header>\n<p><s>The river bank is a park now.</s> "
               "<s>Children fish from the mill steps by the river.</s></p>\n"},
    };
    for (const auto& [year, body] : years) {
      const UString name = dir.Write(u"corpus/chronicle_" + IntToUStr(year) + u".txt", std::string(body));
      DateFile(name, year);
      texts.push_back(name);
    }
    // A passage that comes twice gives duplicate lines: its hit has the same 250 characters
    // either side in both copies.
    std::string filler;
    for (int i = 0; i < 14; ++i) filler += "Boats pass slowly under grey clouds while gulls circle the quay. ";
    const std::string passage = filler + "The ferry left the river at dawn. " + filler;
    texts.push_back(dir.Write(u"corpus/repeated.txt", passage + "\n" + passage));
    film = dir.Write(u"corpus/film.txt", std::string("<start=00:01:02>The boat drifts down the river bank.\n"));
    dir.Write(u"corpus/film.en_srt", std::string("<***><start=00:01:02>The boat drifts down the river bank.\n"));
    texts.push_back(film);
    // A reference word list of the corpus's common words.
    auto words = std::make_unique<T_WholeWordlistHolder>(nullptr, nullptr, nullptr, kListWordList, false, false,
                                                         nullptr, nullptr);
    const std::pair<const char16_t*, int> rows[] = {{u"THE", 60000}, {u"RIVER", 900}, {u"BANK", 700},
                                                    {u"MILL", 300}, {u"OF", 30000}, {u"AND", 28000},
                                                    {u"A", 25000}, {u"WATER", 800}, {u"BRIDGE", 400}};
    for (const auto& [w, f] : rows) words->Words().AddRow({1, f, 0.0f, w, u"", u""});
    reference = dir.Path() + u"reference.lst";
    EXPECT_TRUE(words->SaveToFile(reference, 0, 0, 0));
  }
};

class ResultPagesTest : public MainRoadTest {
 protected:
  void SetUp() override {
    MainRoadTest::SetUp();
    corpus = std::make_unique<TResultCorpus>(dir);
    TConcSettingsRec32 rec = GetConcSaveRec();
    rec.SetMinCollocateFrequency(1);
    rec.SetMinCollocateTexts(1);
    rec.SetClusterSizeMin(2);
    rec.SetClusterSizeMax(3);
    rec.SetClusterMinFrequency(1);
    SetConcSaveRec(rec);
    SetTimeLinePlotBase(static_cast<uint8_t>(kTimeBaseYear));
    Start();
    windows->controller->SetStartSecondInstance(
        [this](const std::vector<UString>& parameters) { instances.push_back(parameters); });
    Main().SetFileDialogs(&file_dialogs);
    Main().SetFileLauncher(&launcher);
    HandOverTexts(corpus->texts);
    Wizard().SearchWordItems.Clear();
    Wizard().SearchWordItems.AddedSearchWords(u"river\nbank\nthe mill");
    Main().RunConcordance(Main().ChosenTexts, false);
    ASSERT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
    ASSERT_NE(Main().Doc(), nullptr);
    Wizard().hide();
    Main().resize(1200, 760);
    Main().activateWindow();
    WaitUntil([this] { return Main().MainFormIsActive(); });
  }
  T_WholeLinzoraHolder& Doc() { return *Main().Doc(); }
  TConcordanceList& Lines() { return *Doc().fConcordanceList; }
  TVX_Grid& Grid() { return *Main().ConcordanceGrid(); }
  // The cell of a grid row and a list column (wherever the layout shows it).
  void SelectRow(TVX_Grid& grid, int row, int column = 1) { grid.SelectCell(row, column); }
  // Fires the tag through the menu handler and lets the posted grid message arrive.
  void Fire(int tag) {
    Main().HandleMenuCommand(tag, u"");
    DeliverPendingEvents();
  }
  // The page showing this list type, turned to; its grid (nullptr for a page without one).
  TVX_Grid* TurnToType(uint8_t type) {
    for (int t = 0; t < Main().Pages()->Count(); ++t)
      if (TVX_Grid* g = Main().Pages()->GridOfTab(t); g && g->ListType() == type) {
        Main().Pages()->Tabs()->setCurrentIndex(t);
        DeliverPendingEvents();
        return g;
      }
    return nullptr;
  }
  uint8_t ShownListType() { return Main().Pages()->CurrentListType(); }
  const std::vector<uint16_t>& Codes() { return windows->controller->CodesReceived(); }
  bool CodeSent(uint16_t code) { return std::find(Codes().begin(), Codes().end(), code) != Codes().end(); }
  QString StatusMessage() { return Main().Status()->PanelText(kPanelMessage); }

  std::unique_ptr<TResultCorpus> corpus;
  std::vector<std::vector<UString>> instances;
  TScriptedFileDialogs file_dialogs;
  TRecordingLauncher launcher;
};

inline void SaveShot(QWidget& w, const QString& name) { SaveScreenshot(w, QStringLiteral("commands/") + name); }

}  // namespace result_pages
