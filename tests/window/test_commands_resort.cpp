// Sorting the lines by reference-corpus frequency from the sort dialog: the reference word list
// is confirmed in the word-list check, loaded, and the lines ordered by their mean word rank; a
// file that is no word list says so and leaves the lines as they were.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "window/result_pages_support.h"
#include "windows/sort_dialog.h"
#include "windows/sort_rules.h"
#include "windows/word_list_check_dialog.h"

using namespace result_pages;

namespace {

// Acts on the next modal dialog of type T once it is the one showing.
template <class T>
void ActOnModalOf(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start();
}

class CommandsResortTest : public ResultPagesTest {
 protected:
  // Key 27 first in the sort dialog, OK, then the word-list check answered with file.
  void SortByReferenceFrequency(const UString& file) {
    ActOnModalOf<TConcSortForm>([](TConcSortForm& sort) {
      sort.KeyList(0)->setCurrentRow(kSortKeyReferenceFrequency);
      sort.StoreChoices();
      sort.OKClick();
    });
    ActOnModalOf<TFormCollRelationsWLCheckFilename>([file](TFormCollRelationsWLCheckFilename& check) {
      check.SetWordListFile(file);
      check.OKClick();
      if (check.isVisible()) check.SetModalResult(mrCancel);
    });
    SelectRow(Grid(), 1, 1);
    Fire(10);
  }
  std::vector<UString> LineTexts() {
    std::vector<UString> out;
    for (int i = 0; i < Lines().Count(); ++i) out.emplace_back(UStringView(TLineTextWide(Lines().Line(i)->Text())));
    return out;
  }
};

}  // namespace

TEST_F(CommandsResortTest, ReferenceFrequencyLoadsTheWordListAndOrdersByMeanRank) {
  ASSERT_FALSE(Doc().HasReferenceList());
  SortByReferenceFrequency(corpus->reference);
  ASSERT_TRUE(Doc().HasReferenceList());
  EXPECT_EQ(Doc().ReferenceCorpusWordlistFilename, corpus->reference);
  // Ranks by frequency, worked out by hand from the list: THE 60000 first, RIVER fifth, BANK
  // seventh, MILL ninth; a word the list lacks has none.
  const std::pair<const char16_t*, int32_t> ranks[] = {
      {u"the", 1}, {u"of", 2}, {u"river", 5}, {u"bank", 7}, {u"Mill", 9}, {u"ferry", 0}};
  for (const auto& [word, rank] : ranks) EXPECT_EQ(Doc().ReferenceRank(word), rank) << Utf16ToUtf8(word);
  // The lines in mean-rank order, and the ranks are the list's, not 1 everywhere.
  bool some_above_one = false;
  for (int i = 0; i < Lines().Count(); ++i) {
    some_above_one = some_above_one || Lines().Line(i)->MeanWordRank() > 1;
    if (i > 0) {
      EXPECT_LE(Lines().Line(i - 1)->MeanWordRank(), Lines().Line(i)->MeanWordRank()) << i;
    }
  }
  EXPECT_TRUE(some_above_one);
}

TEST_F(CommandsResortTest, AFileThatIsNoWordListSaysSoAndLeavesTheLines) {
  const std::vector<UString> before = LineTexts();
  const UString not_a_list = dir.Write(u"not_a_list.lst", std::string("just some words\n"));
  SortByReferenceFrequency(not_a_list);
  EXPECT_NE(AllQuestionText().find(u"is not a word list"), UString::npos);
  EXPECT_FALSE(Doc().HasReferenceList());
  EXPECT_EQ(LineTexts(), before);
  // A missing file is refused in the check itself: the sort is cancelled, nothing changes.
  dialogs.Clear();
  SortByReferenceFrequency(dir.Path() + u"missing.lst");
  EXPECT_FALSE(Doc().HasReferenceList());
  EXPECT_EQ(LineTexts(), before);
}
