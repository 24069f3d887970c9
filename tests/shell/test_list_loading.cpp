#include "shell/settings/list_loading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/lemmatiser/lemmatiser.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"
#include "shell/services/progress.h"
#include "shell/shell_test_support.h"
#include "shell/menus/tool_pages.h"
#include "model/text_reader_test_support.h"
#include "support/temp_folder.h"

namespace {

// What the progress showed at each pump of the loop during a load.
std::vector<UString> g_long_messages;
std::vector<int> g_percents;
int g_stop_at_percent = -1;  // the user stops once the bar shows this much

void RecordPump() {
  const TProgressRec& r = GlobalProgress()->Record();
  g_long_messages.push_back(r.long_message);
  g_percents.push_back(r.this_percent);
  if (g_stop_at_percent >= 0 && r.this_percent >= g_stop_at_percent) global_panic_state = kPanicStopNow;
}

bool Saw(const std::vector<UString>& seen, const UString& what) {
  return std::find(seen.begin(), seen.end(), what) != seen.end();
}

std::string Words(int n, const char* prefix) {
  std::string text;
  for (int i = 0; i < n; ++i) text += prefix + std::to_string(i) + "\n";
  return text;
}

int Found(const char16_t* w, int kind) { return FoundInTheList(current_tool_var, w, 1, kind); }

class ListLoadingTest : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = 1;
    CreateGlobalProgress();
    GlobalProgress()->SetProgressStatusBar(&bar);
    GlobalProgress()->ClearAllAndShow({}, kWhereLocal);
    SetListLoadingPages(&pages);
    SetYieldHook(&RecordPump);
    g_long_messages.clear();
    g_percents.clear();
    g_stop_at_percent = -1;
    global_panic_state = kPanicNone;
    global_keeping_log = false;
    for (int k = 0; k < 4; ++k) {
      ClearOne(current_tool_var, k);
      Global_stopLemmaMatchLoaded[k] = false;
    }
  }
  void TearDown() override {
    for (int k = 0; k < 4; ++k) {
      ClearOne(current_tool_var, k);
      Global_stopLemmaMatchLoaded[k] = false;
    }
    SetYieldHook(nullptr);
    SetListLoadingPages(nullptr);
    FreeGlobalProgress();
    global_panic_state = kPanicNone;
  }
  void Want(int kind, bool on, const UString& file) {
    TLemmaMatchStopSettingsRec r = GetLemmaMatchStopSettings(current_tool_var, static_cast<uint8_t>(kind));
    r.SetActivated(on);
    r.SetFileName(file);
    SetLemmaMatchStopSettings(current_tool_var, static_cast<uint8_t>(kind), r);
  }
  text_reader_test::ScopedSettings settings;
  TempFolder dir;
  TOneToolWindowList pages;
  TRecordingStatusBar bar;
};

}  // namespace

TEST_F(ListLoadingTest, ALoadShowsItsProgressAndSaysItIsLoaded) {
  const UString file = dir.Write(u"stop words.txt", Words(3000, "w"));
  Want(lmsStop, true, file);
  EXPECT_TRUE(LoadALemmaMatchOrStopList(lmsStop));
  EXPECT_TRUE(Global_stopLemmaMatchLoaded[lmsStop]);
  EXPECT_EQ(Found(u"w2999", lmsStop), 1);
  EXPECT_EQ(pages.DLLN_Lines, 3000);
  EXPECT_TRUE(Saw(g_long_messages, u"Loading " + file));
  // Reports at lines 0, 1024 and 2048 of 3000, then the end.
  for (int percent : {34, 68, 100})
    EXPECT_NE(std::find(g_percents.begin(), g_percents.end(), percent), g_percents.end()) << percent;
  EXPECT_EQ(UString(GlobalProgress()->Record().long_message), u"The list is loaded.");
  EXPECT_EQ(GlobalProgress()->Record().this_percent, 0);
}

TEST_F(ListLoadingTest, AStopDuringALoadCancelsItAndKeepsTheListBefore) {
  Want(lmsLemma, true, dir.Write(u"old.txt", "be -> was, were\n"));
  ASSERT_TRUE(LoadALemmaMatchOrStopList(lmsLemma));
  Want(lmsLemma, true, dir.Write(u"new.txt", Words(5000, "go -> went")));
  g_percents.clear();
  g_stop_at_percent = 20;  // Escape once line 1,024 of 5,000 is reported
  EXPECT_FALSE(LoadALemmaMatchOrStopList(lmsLemma));
  ASSERT_FALSE(g_percents.empty());
  EXPECT_EQ(*std::max_element(g_percents.begin(), g_percents.end()), 20);  // no report after the stop
  EXPECT_EQ(Found(u"were", lmsLemma), 1);
  EXPECT_EQ(Found(u"went0", lmsLemma), 0);
  EXPECT_TRUE(Global_stopLemmaMatchLoaded[lmsLemma]);  // the old list is still there
  EXPECT_EQ(UString(GlobalProgress()->Record().long_message), u"The list is not loaded.");
}

TEST_F(ListLoadingTest, AListWithoutAFileOrWithABadFileIsNotLoaded) {
  EXPECT_FALSE(LoadALemmaMatchOrStopList(lmsMatch));  // no file named
  Want(lmsMatch, true, dir.Write(u"binary.txt", std::string("\0\1\2\3", 4)));
  EXPECT_FALSE(LoadALemmaMatchOrStopList(lmsMatch));
  EXPECT_FALSE(Global_stopLemmaMatchLoaded[lmsMatch]);
  EXPECT_EQ(UString(GlobalProgress()->Record().long_message), u"The list is not loaded.");
  EXPECT_FALSE(LoadALemmaMatchOrStopList(7));
}

TEST_F(ListLoadingTest, AtStartTheWantedListsAreLoadedAndTheOthersDropped) {
  Want(lmsStop, true, dir.Write(u"stop.txt", "the\n"));
  ASSERT_TRUE(LoadALemmaMatchOrStopList(lmsStop));
  Want(lmsStop, false, dir.Path() + u"stop.txt");                 // no longer wanted: dropped
  Want(lmsLemma, true, dir.Write(u"lemmas.txt", "be -> was\n"));  // wanted: loaded
  Want(lmsMatch, true, dir.Path() + u"missing.txt");             // wanted, file gone: left
  LoadWantedLists();
  EXPECT_TRUE(Global_stopLemmaMatchLoaded[lmsLemma]);
  EXPECT_FALSE(Global_stopLemmaMatchLoaded[lmsMatch]);
  EXPECT_FALSE(Global_stopLemmaMatchLoaded[lmsStop]);
  EXPECT_EQ(Found(u"was", lmsLemma), 1);
  EXPECT_EQ(Found(u"the", lmsStop), 0);
}

TEST_F(ListLoadingTest, ListCodesLoadAndClear) {
  Want(lmsMatch, true, dir.Write(u"match.txt", "alpha\n"));
  LoadOrClearListNow(lmsMatch, true);
  EXPECT_EQ(Found(u"alpha", lmsMatch), 1);
  LoadOrClearListNow(lmsMatch, false);
  EXPECT_EQ(Found(u"alpha", lmsMatch), 0);
  EXPECT_FALSE(Global_stopLemmaMatchLoaded[lmsMatch]);
}
