#include <gtest/gtest.h>

#include <string>

#include "platform/lemmatiser/lemmatiser.h"
#include "support/temp_folder.h"

namespace {

constexpr uint8_t kTool = 202;  // a tool of its own, so that other tests' lists stay apart

int g_reports = 0;
int g_cancel_at = -1;  // the progress report that cancels; -1 none
int g_cancel_kind = lmsStop;

void CountAndMaybeCancel(int32_t) {
  if (g_reports++ == g_cancel_at) CancelOne(kTool, g_cancel_kind);
}

std::string Words(int n, const char* prefix) {
  std::string text;
  for (int i = 0; i < n; ++i) text += prefix + std::to_string(i) + "\n";
  return text;
}

bool Load(const UString& file, int cancel_at, int cancel_kind = lmsStop) {
  g_reports = 0;
  g_cancel_at = cancel_at;
  g_cancel_kind = cancel_kind;
  TLemmatiserLoadOptions opts;
  opts.show_progress = &CountAndMaybeCancel;
  return LoadedOne(kTool, lmsStop, file, opts);
}

int Found(const char16_t* w) { return FoundInTheList(kTool, w, 1, lmsStop); }

}  // namespace

TEST(LemmatiserCancel, ACancelledLoadKeepsTheListLoadedBefore) {
  TempFolder tmp;
  ASSERT_TRUE(Load(tmp.Write(u"old.txt", Words(10, "old")), -1));
  const UString big = tmp.Write(u"big.txt", Words(5000, "new"));  // reports at lines 0, 1024, ... and at the end
  struct Case { int cancel_at; bool loaded; int reports; };
  const Case cases[] = {
      {0, false, 1},   // at the first report
      {2, false, 3},   // in the middle
      {5, false, 6},   // at the closing report (100 %): still nothing replaced
      {-1, true, 6},
  };
  for (const Case& c : cases) {
    ClearOne(kTool, lmsStop);
    ASSERT_TRUE(Load(tmp.Write(u"old.txt", Words(10, "old")), -1));
    EXPECT_EQ(Load(big, c.cancel_at), c.loaded) << c.cancel_at;
    EXPECT_EQ(g_reports, c.reports) << c.cancel_at;
    EXPECT_EQ(Found(u"old3"), c.loaded ? 0 : 1) << c.cancel_at;
    EXPECT_EQ(Found(u"new4999"), c.loaded ? 1 : 0) << c.cancel_at;
  }
  ClearOne(kTool, lmsStop);
}

TEST(LemmatiserCancel, OnlyTheLoadInProgressOfThatKindIsCancelled) {
  TempFolder tmp;
  const UString file = tmp.Write(u"list.txt", Words(3000, "w"));
  EXPECT_TRUE(Load(file, 1, lmsMatch));  // another kind: the stop list loads
  CancelOne(kTool, lmsStop);              // no load in progress: forgotten
  EXPECT_TRUE(Load(file, -1));
  EXPECT_EQ(Found(u"w2999"), 1);
  ClearOne(kTool, lmsStop);
}
