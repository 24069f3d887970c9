// What the user chooses in the wizard and the settings reaches the run: the exact context
// position (also a request's exact gap), the context-word blocker, the stop and lemma lists, the
// UTF-8 question, random sampling and the plot's sets. Each case runs the program as `main`
// makes it over a few small texts.
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QToolButton>
#include <deque>

#include "concordance/views/collocates_list.h"
#include "concordance/views/plot_list.h"
#include "concordance/document/source_files.h"
#include "concordance/document/tell_list.h"
#include "platform/lemmatiser/lemmatiser.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_resources.h"
#include "shell/files/file_dialogs.h"
#include "windows/plot_sets_dialog.h"
#include "window/main_road_support.h"
#include "window/modal_answers.h"

namespace {

using TTexts = std::vector<std::pair<UString, std::string>>;

class MainRoadChoices : public MainRoadTest {
 protected:
  void TearDown() override {
    Global_stopLemmaMatchLoaded[lmsStop] = false;
    Global_stopLemmaMatchLoaded[lmsLemma] = false;
    MainRoadTest::TearDown();
  }
  // A fresh program window holding these texts (written under texts/), its wizard open.
  void StartOn(const TTexts& texts) {
    Start();
    std::vector<UString> names;
    for (const auto& [name, bytes] : texts) names.push_back(dir.Write(u"texts/" + name, bytes));
    HandOverTexts(names);
    Main().ShowStartDialog();
    ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  }
  // Types the search words and presses OK; answers the lines made (0 when the run made none).
  int RunTyped(UStringView words) {
    Wizard().SearchBox()->setCurrentText(ToQString(words));
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    EXPECT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
    return Main().Doc() ? Main().Doc()->fConcordanceList->Count() : 0;
  }
  // Search words one a line in a file, loaded with the wizard's Load button, then OK.
  int RunFromFile(std::string_view lines) {
    Wizard().FileNameBox()->setText(ToQString(dir.Write(u"lists/words.txt", lines)));
    Wizard().ButtonSWsFromFileClick();
    EXPECT_FALSE(Wizard().SearchBox()->isEnabled());
    Wizard().ButtonOKClick();
    DeliverPendingEvents();
    EXPECT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
    return Main().Doc() ? Main().Doc()->fConcordanceList->Count() : 0;
  }
  void ClickSpan(QListWidget* list, int row) {
    list->setCurrentRow(row);
    Wizard().ListboxContextSpanClick(list);
  }
  // The exact list's row of a signed position (left negative).
  int ExactRow(int position) {
    QListWidget* list = Wizard().SpanExact();
    for (int i = 0; i < list->count(); ++i)
      if (500 - list->item(i)->data(Qt::UserRole).toInt() == position) return i;
    ADD_FAILURE() << "no exact row for " << position;
    return 0;
  }
  void SetSettings(const std::function<void(TConcSettingsRec32&)>& change) {
    TConcSettingsRec32 rec = GetConcSaveRec();
    change(rec);
    SetConcSaveRec(rec);
  }
};

// "cat" stands 1 word left of "dog" in the first text and 3 words left in the second.
const TTexts kCatDog = {{u"near.txt", "the cat dog ran."}, {u"far.txt", "the cat one two dog ran."}};

TEST_F(MainRoadChoices, ExactContextPositionKeepsOnlyThatPlace) {
  struct Case {
    const char* name;
    bool exact;
    int position;  // exact: the signed position; a span: the words to the left
    int lines;
  } cases[] = {
      {"a span of 3 to the left finds both", false, 3, 2},
      {"exactly 3 to the left finds the far one", true, -3, 1},
      {"exactly 1 to the left finds the near one", true, -1, 1},
      {"exactly 3 to the right finds neither", true, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartOn(kCatDog);
    Wizard().ContextBox()->setCurrentText(QStringLiteral("cat"));
    if (c.exact) {
      ClickSpan(Wizard().SpanExact(), ExactRow(c.position));
      EXPECT_TRUE(Wizard().ExactRadio()->isChecked());
    } else {
      ClickSpan(Wizard().SpanRight(), 0);
      ClickSpan(Wizard().SpanLeft(), c.position);
    }
    EXPECT_EQ(RunTyped(u"dog"), c.lines);
    EXPECT_EQ(GetConcSaveRec().ExactContextPosition(), c.exact ? c.position : 0);
  }
}

// After an exact-position run the wizard shows that run: the exact place (not a span from it to
// the search word) and its context word, and OK again runs the same concordance.
TEST_F(MainRoadChoices, TheWizardAfterAnExactRunShowsWhatWasRun) {
  StartOn(kCatDog);
  Wizard().ContextBox()->setCurrentText(QStringLiteral("cat"));
  ClickSpan(Wizard().SpanExact(), ExactRow(-3));
  ASSERT_EQ(RunTyped(u"dog"), 1);

  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  EXPECT_TRUE(Wizard().ExactRadio()->isChecked());
  EXPECT_EQ(Wizard().SpanExact()->currentRow(), ExactRow(-3));
  EXPECT_EQ(Wizard().ContextBox()->currentText(), QStringLiteral("cat"));
  QStringList chosen;
  for (int i = 0; i < Wizard().ChosenList()->count(); ++i) chosen << Wizard().ChosenList()->item(i)->text();
  EXPECT_TRUE(chosen.contains(QStringLiteral("cat 3L"))) << chosen.join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(RunTyped(u"dog"), 1);  // a span of 3L to the search word would find both texts
  EXPECT_EQ(GetConcSaveRec().ExactContextPosition(), -3);

  // A run with no context word leaves none in the box the next time.
  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  Wizard().ContextBox()->setCurrentText(QString());
  ASSERT_EQ(RunTyped(u"dog"), 2);
  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  EXPECT_EQ(Wizard().ContextBox()->currentText(), QString());
  EXPECT_TRUE(Wizard().SpanRadio()->isChecked());
}

TEST_F(MainRoadChoices, ContextWordBlockerStopsAtTheBoundaryChosen) {
  // "cat" is 3 words left of "dog" in each text; between them nothing, a comma, a sentence end.
  const TTexts texts = {{u"plain.txt", "I saw the cat near a dog today.\n"},
                        {u"comma.txt", "I saw the cat, then a dog ran.\n"},
                        {u"sentence.txt", "I saw the cat. Then a dog ran.\n"}};
  struct Case {
    int stop;  // the blocker's entry: 0 no limits, 1 punctuation, 2 sentence, 6 end of text
    std::vector<UString> texts;
  } cases[] = {
      {0, {u"comma.txt", u"plain.txt", u"sentence.txt"}},
      {1, {u"plain.txt"}},
      {2, {u"comma.txt", u"plain.txt"}},
      {6, {u"comma.txt", u"plain.txt", u"sentence.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stop);
    StartOn(texts);
    Wizard().ContextBox()->setCurrentText(QStringLiteral("cat"));
    ClickSpan(Wizard().SpanRight(), 0);
    ClickSpan(Wizard().SpanLeft(), 5);
    Wizard().StopCombo()->setCurrentIndex(c.stop);
    const int lines = RunTyped(u"dog");
    ASSERT_EQ(lines, static_cast<int>(c.texts.size()));
    std::vector<UString> found;
    for (int i = 0; i < lines; ++i) {
      const TConcordanceList& list = *Main().Doc()->fConcordanceList;
      found.push_back(ExtractFileName(list.SourceFileName(list.Line(i)->Data().filename_num_original)));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, c.texts);
    EXPECT_EQ(GetConcSaveRec().ContextStop(), c.stop);
  }
}

TEST_F(MainRoadChoices, WantedStopListIsLoadedAndKeepsItsWordsOutOfCollocates) {
  TLemmaMatchStopSettingsRec stop = GetLemmaMatchStopSettings(kToolConcordancer, lmsStop);
  stop.SetActivated(true);
  stop.SetFileName(dir.Write(u"lists/stop.txt", "the\nof\nand\na\n"));
  SetLemmaMatchStopSettings(kToolConcordancer, lmsStop, stop);
  SetSettings([](TConcSettingsRec32& r) {
    r.SetCollocateStopList(true);
    r.SetMinCollocateFrequency(1);
    r.SetMinCollocateTexts(1);
  });
  Global_stopLemmaMatchLoaded[lmsStop] = false;
  StartOn({{u"a.txt", "The river of the town and a mill by the river.\n"}});
  ASSERT_EQ(RunTyped(u"river"), 2);
  EXPECT_TRUE(Global_stopLemmaMatchLoaded[lmsStop]);
  const T_WholeLinzoraHolder& doc = *Main().Doc();
  EXPECT_TRUE(doc.StopListLoaded());
  std::vector<UString> words;
  const auto& collocates = static_cast<const TCollocateList&>(*doc.fCollocateList);
  for (int i = 0; i < collocates.Count(); ++i) words.push_back(collocates.Row(i)->rec.word.value_or(UString()));
  for (const char16_t* w : {u"THE", u"OF", u"AND", u"A", u"the"})
    EXPECT_EQ(std::count(words.begin(), words.end(), UString(w)), 0) << Utf16ToUtf8(w);
  EXPECT_NE(std::find(words.begin(), words.end(), UString(u"MILL")), words.end());
  // The notes count the stop words left out of the collocates (the, of, and, a) and the lines
  // the stop list removed (none: "river" is no stop word).
  UString notes;
  for (int i = 0; i < doc.fNotes.Count(); ++i) notes += doc.fNotes[i] + u"\n";
  EXPECT_NE(notes.find(u"\t" + VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXStopListItems), u"4"}) + u"\n"),
            UString::npos)
      << Utf16ToUtf8(notes);
  EXPECT_NE(notes.find(VXResFmt(TVXRes::VXFunctionNFound, {VXRes(TVXRes::VXStopListItems), u"0"})), UString::npos);
}

TEST_F(MainRoadChoices, LemmaListLoadedAtStartJoinsTheCollocatesForms) {
  TLemmaMatchStopSettingsRec lemmas = GetLemmaMatchStopSettings(kToolConcordancer, lmsLemma);
  lemmas.SetActivated(true);
  lemmas.SetFileName(dir.Write(u"lists/lemmas.txt", "flows -> flowed, flowing\n"));
  SetLemmaMatchStopSettings(kToolConcordancer, lmsLemma, lemmas);
  SetSettings([](TConcSettingsRec32& r) {
    r.SetMinCollocateFrequency(1);
    r.SetMinCollocateTexts(1);
  });
  Global_stopLemmaMatchLoaded[lmsLemma] = false;
  StartOn({{u"a.txt", "The river flows. The river flowed. The river flowing.\n"}});
  EXPECT_TRUE(Global_stopLemmaMatchLoaded[lmsLemma]);
  ASSERT_EQ(RunTyped(u"river"), 3);
  const T_WholeLinzoraHolder& doc = *Main().Doc();
  EXPECT_TRUE(doc.LemmaListLoaded());
  const auto& collocates = static_cast<const TCollocateList&>(*doc.fCollocateList);
  int heads = 0;
  for (int i = 0; i < collocates.Count(); ++i)
    if (collocates.GetHasJoined(i)) {
      ++heads;
      EXPECT_EQ(collocates.Row(i)->rec.word.value_or(UString()), u"FLOWS");
    }
  EXPECT_EQ(heads, 1);
}

TEST_F(MainRoadChoices, Utf8TextQuestionIsAskedAndAnswered) {
  const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9 by the river.\n";
  struct Case {
    const char* name;
    int answer;
    bool converted;
    bool still_asks;
  } cases[] = {
      {"No", mrNo, false, true},
      {"Yes", mrYes, true, true},
      {"No to all", mrNoToAll, false, false},
      {"Yes to all", mrYesToAll, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetTextConversionOptions(4 | 8);
    StartOn({{u"u8.txt", utf8}, {u"plain.txt", "the river.\n"}});
    dialogs.Clear();
    dialogs.Script({c.answer});
    EXPECT_EQ(RunTyped(u"river"), 2);
    int asked = 0;
    for (const TVXQuestion& q : dialogs.Asked())
      if (q.id == TVXDialog::OKtoSaveXInUnicode) ++asked;
    EXPECT_EQ(asked, 1);
    const std::string bytes = [&] {
      std::string b;
      auto f = TFileStream::Open(dir.Path() + u"texts/u8.txt", TFileMode::OpenRead);
      char buf[2] = {0, 0};
      if (f && f->Read(buf, 2) == 2) b.assign(buf, 2);
      return b;
    }();
    EXPECT_EQ(bytes == "\xFF\xFE", c.converted);
    EXPECT_EQ((GetTextConversionOptions() & 4) != 0, c.still_asks);
  }
}

// The idle step after a run says once how many texts were converted to Unicode; a run that
// converted none says nothing.
TEST_F(MainRoadChoices, IdleStepAfterARunCountsTheTextsConverted) {
  const std::string utf8 = "\xEF\xBB\xBF" "caf\xC3\xA9 by the river.\n";
  struct Case {
    const char* name;
    int answer;
    const char16_t* said;  // the message after the run; nullptr: none
  } cases[] = {
      {"Yes to all", mrYesToAll, u"2 text files were converted to Unicode."},
      {"No to all", mrNoToAll, nullptr},
  };
  auto converted_said = [this] {
    std::vector<UString> said;
    for (const TVXQuestion& q : dialogs.Asked())
      if (q.id == TVXDialog::NTextFilesConverted) said.push_back(q.text);
    return said;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetTextConversionOptions(4 | 8);
    StartOn({{u"one.txt", utf8}, {u"two.txt", utf8}, {u"plain.txt", "the river.\n"}});
    dialogs.Clear();
    dialogs.Script({c.answer});
    EXPECT_EQ(RunTyped(u"river"), 3);
    ASSERT_TRUE(WaitUntil([this] { return Main().Pages()->Records().Last_actions == 0; }));
    EXPECT_EQ(converted_said(), c.said ? std::vector<UString>{c.said} : std::vector<UString>{});
    // Run again over the same texts: nothing is left to convert, and the count is not said again.
    dialogs.Clear();
    Main().ShowStartDialog();
    ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
    EXPECT_EQ(RunTyped(u"river"), 3);
    ASSERT_TRUE(WaitUntil([this] { return Main().Pages()->Records().Last_actions == 0; }));
    EXPECT_TRUE(converted_said().empty());
  }
}

TEST_F(MainRoadChoices, RandomSamplingThinsTheHits) {
  std::string body;
  for (int i = 0; i < 200; ++i) body += "The river flows. ";
  struct Case {
    bool randomising;
    uint16_t range;
    int least, most;
  } cases[] = {
      {false, 2, 200, 200},
      {true, 1, 200, 200},
      // One in two kept: 200 draws stay well inside 60..140 (ten standard deviations).
      {true, 2, 60, 140},
      {true, 10, 1, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.randomising << " " << c.range);
    SetRandomising(c.randomising);
    SetRandomRange(c.range);
    StartOn({{u"many.txt", body}});
    const int lines = RunTyped(u"river");
    EXPECT_GE(lines, c.least);
    EXPECT_LE(lines, c.most);
  }
}

// Three texts, two search words, six hits: each text holds "river" and "mill" once.
const TTexts kRiverMill = {{u"a.txt", "The river turns the mill.\n"},
                           {u"b.txt", "A mill stands by a river.\n"},
                           {u"c.txt", "River and mill.\n"}};

TEST_F(MainRoadChoices, PlotIsGroupedBySetsAndTheNextPlotOffersThem) {
  StartOn(kRiverMill);
  ASSERT_EQ(RunFromFile("river\nmill\n"), 6);
  auto& plot = static_cast<TConcPlotList&>(*Main().Doc()->fConcPlotList);
  ASSERT_EQ(plot.Count(), 6);  // ungrouped after the run: a row per text and search word
  auto hits = [&plot] {
    std::vector<int32_t> h;
    for (int i = 0; i < plot.Count(); ++i) h.push_back(plot.Row(i)->rec.hits);
    return h;
  };

  // Every text in one set, the search words each in a set of their own.
  ActOnNextModal([](QDialog& d) {
    auto& sets = static_cast<TConcPlottingDlg&>(d);
    sets.AllIntoOneSet(0);
    sets.IntoSeparateSets(1);
    sets.OKClick();
  });
  Main().HandleMenuCommand(39, u"");
  DeliverPendingEvents();
  EXPECT_EQ(plot.Count(), 2);
  EXPECT_EQ(hits(), (std::vector<int32_t>{3, 3}));

  // The next Plot shows the sets chosen; OK keeps them.
  int file_sets = -1, word_sets = -1;
  ActOnNextModal([&](QDialog& d) {
    auto& sets = static_cast<TConcPlottingDlg&>(d);
    file_sets = sets.Sets(0)->count();
    word_sets = sets.Sets(1)->count();
    sets.AllIntoOneSet(1);
    sets.OKClick();
  });
  Main().HandleMenuCommand(39, u"");
  DeliverPendingEvents();
  EXPECT_EQ(file_sets, 1);
  EXPECT_EQ(word_sets, 2);
  EXPECT_EQ(hits(), (std::vector<int32_t>{6}));
}

}  // namespace

// Another tool's request asks for context words at an exact gap: the run keeps that place only.
TEST_F(MainRoadChoices, RequestsExactGapReachesTheRun) {
  for (const int32_t gap : {0, -3}) {
    SCOPED_TRACE(gap);
    TTellLinzoraList request(kToolWordLister, kToolConcordancer);
    request.fPreliminaries.include_stats = 1;
    request.fPreliminaries.include_context_words = 1;
    request.fPreliminaries.context_hors[0] = 3;
    request.fPreliminaries.context_hors[1] = 0;
    request.fPreliminaries.context_exact_gap = gap;
    TLinzoraFilenamelist& files = request.MakeSourceFileList();
    int32_t number = 0;
    for (const auto& [name, bytes] : kCatDog) {
      TLinzoraFilenameEntryRecPlus rec;
      rec.full_filename = dir.Write(u"texts/" + name, bytes);
      rec.head.filestatus = kFilePresent;
      rec.other_data.zero_based_filename_num = number++;
      rec.other_data.file_size = FileSizeU(rec.full_filename);
      files.Add(new TLinzoraFilenameEntry(&files, rec));
    }
    request.AddItem(u"dog").context_words = {u"cat"};
    ASSERT_TRUE(request.SaveRequestFile());
    TFormLinzora& w = Start({u"wordlister"});
    ASSERT_NE(w.Doc(), nullptr);
    EXPECT_EQ(w.Doc()->fConcordanceList->Count(), gap == 0 ? 2 : 1);
  }
}

namespace {

// Names the file of each open request in turn (an empty name cancels) and keeps the requests.
class TRecordedFileDialogs : public TFileDialogs {
 public:
  bool ChooseFileToOpen(const TFileDialogRequest& r, UString& chosen) override {
    requests.push_back(r);
    if (names.empty()) return false;
    chosen = names.front();
    names.pop_front();
    return !chosen.empty();
  }
  bool ChooseFileToSave(const TFileDialogRequest& r, UString& chosen) override { return ChooseFileToOpen(r, chosen); }
  std::deque<UString> names;
  std::vector<TFileDialogRequest> requests;
};

}  // namespace

// The search-word file box's "..." button names the file through a file dialog for text files;
// Load and OK then search for its words. Cancelling leaves the box as it was.
TEST_F(MainRoadChoices, SearchWordFileIsChosenThroughAFileDialog) {
  StartOn(kRiverMill);
  TRecordedFileDialogs files;
  Main().SetFileDialogs(&files);
  const UString words = dir.Write(u"lists/words.txt", "river\nmill\n");
  Wizard().FileNameBox()->setText(QStringLiteral("not chosen yet.txt"));

  files.names = {u""};
  Wizard().BrowseButton()->click();
  ASSERT_EQ(files.requests.size(), 1u);
  EXPECT_EQ(files.requests[0].filter, u"Text files (*.txt);;All files (*)");
  EXPECT_EQ(files.requests[0].folder, IncludeTrailingPathDelimiter(GetUserReadWriteFolder()));
  EXPECT_EQ(files.requests[0].file_name, u"not chosen yet.txt");
  EXPECT_EQ(Wizard().FileNameBox()->text(), QStringLiteral("not chosen yet.txt"));

  files.names = {words};
  Wizard().BrowseButton()->click();
  EXPECT_EQ(Wizard().FileNameBox()->text(), ToQString(words));
  Wizard().LoadButton()->click();
  EXPECT_FALSE(Wizard().SearchBox()->isEnabled());
  Wizard().ButtonOKClick();
  DeliverPendingEvents();
  ASSERT_TRUE(WaitUntil([this] { return !Main().RunActive(); }));
  ASSERT_NE(Main().Doc(), nullptr);
  EXPECT_EQ(Main().Doc()->fConcordanceList->Count(), 6);

  // The next choice starts where the file named in the box lies.
  Main().ShowStartDialog();
  ASSERT_TRUE(WaitUntil([this] { return Wizard().isVisible(); }));
  Wizard().BrowseButton()->click();
  ASSERT_EQ(files.requests.size(), 3u);
  EXPECT_EQ(files.requests[2].folder, dir.Path() + u"lists/");
  EXPECT_EQ(files.requests[2].file_name, u"words.txt");
}
