#include <cstddef>
#include <cstring>

#include "shell/shell_test_support.h"

namespace {

struct HaltCalled {
  int code;
};
void ThrowingHalt(int code) { throw HaltCalled{code}; }

}  // namespace

static_assert(offsetof(TProgressRec, this_percent) == 4);
static_assert(offsetof(TProgressRec, overall_percent) == 8);
static_assert(offsetof(TProgressRec, centre_x) == 12);
static_assert(offsetof(TProgressRec, centre_y) == 16);
static_assert(offsetof(TProgressRec, running_words) == 24);
static_assert(offsetof(TProgressRec, short_message) == 28);
static_assert(offsetof(TProgressRec, long_message) == 430);

TEST(ProgressRecord, LayoutIsByteExact) {
  TProgressClass p;
  TRecordingStatusBar bar;
  p.SetProgressStatusBar(&bar);
  p.ClearAllAndShow({-3, 0x01020304}, kWhereLocal);
  p.ThisPercent(57);
  p.OverallPercent(-1);
  p.RunningWords(0xA1B2C3D4u);
  p.ProgressShortMessage(u"ab");
  p.ProgressLongMessage(u"\u00e9");
  uint8_t b[832];
  std::memcpy(b, &p.Record(), sizeof b);
  const uint8_t head[30] = {0, 0, 0, 0,  57, 0, 0, 0,  0xFF, 0xFF, 0xFF, 0xFF,  0xFD, 0xFF, 0xFF, 0xFF,
                            4, 3, 2, 1,  0, 0, 0, 0,  0xD4, 0xC3, 0xB2, 0xA1,  'a', 0};
  EXPECT_EQ(std::memcmp(b, head, sizeof head), 0);
  // The rest of the short field and all of the long field after its one character: zeros.
  std::vector<uint8_t> rest(b + 30, b + 832), want(802, 0);
  want[0] = 'b';
  want[400] = 0xE9;
  EXPECT_EQ(rest, want);
}

TEST(ProgressRecord, MessagesAreCutAt200UnitsNeverInsideASurrogatePair) {
  char16_t field[201];
  CopyProgressMessage(field, UString(250, u'x'));
  EXPECT_EQ(UString(field), UString(200, u'x'));
  EXPECT_EQ(field[200], 0);
  // 199 letters, then a pair across the cut: the pair goes whole.
  CopyProgressMessage(field, UString(199, u'a') + u"\U0001F600tail");
  EXPECT_EQ(UString(field), UString(199, u'a'));
  // A pair that ends exactly at the cut stays.
  CopyProgressMessage(field, UString(198, u'a') + u"\U0001F600tail");
  EXPECT_EQ(UString(field).size(), 200u);
  EXPECT_EQ(field[199], 0xDE00);
  // Short texts are copied whole, fields cleared first.
  CopyProgressMessage(field, u"hi");
  EXPECT_EQ(UString(field), u"hi");
  EXPECT_EQ(field[5], 0);
}

TEST_F(ShellServicesTest, PercentSettersShowOnlyChanges) {
  Show(kWhereLocal);
  EXPECT_TRUE(progress.ThisPercent(10));
  const int changes = bar.changes;
  EXPECT_FALSE(progress.ThisPercent(10));
  EXPECT_EQ(bar.changes, changes);
  // Overall is judged on its own value, whatever the this percent is.
  EXPECT_FALSE(progress.OverallPercent(0));
  EXPECT_TRUE(progress.OverallPercent(10));
  EXPECT_FALSE(progress.OverallPercent(10));
  progress.ClearBarsOnly();
  EXPECT_EQ(progress.Record().this_percent + progress.Record().overall_percent, 0);
}

TEST_F(ShellServicesTest, OutOfUses64BitProduct) {
  Show(kWhereLocal);
  // 30,000,000 * 100 does not fit in 32 bits.
  progress.ProgressShortMessageOutOf(u"words", 30'000'000, 60'000'000);
  EXPECT_EQ(progress.Record().this_percent, 50);
  progress.ProgressShortMessageOutOf(u"words", 2'147'483'647, 2'147'483'647);
  EXPECT_EQ(progress.Record().this_percent, 100);
  progress.ProgressShortMessageOutOf(u"words", 7, 3);  // not limited to 100, truncated
  EXPECT_EQ(progress.Record().this_percent, 233);
  // A total of 0 or below changes only the message.
  progress.ProgressShortMessageOutOf(u"other", 5, 0);
  progress.ProgressShortMessageOutOf(u"last", 5, -2);
  EXPECT_EQ(progress.Record().this_percent, 233);
  EXPECT_EQ(UString(progress.Record().short_message), u"last");
}

TEST_F(ShellServicesTest, LocalDisplayFillsThePanels) {
  Show(kWhereLocal);
  EXPECT_TRUE(progress.ThisBarStyle() && bar.BarStyle(kPanelThisPercent));
  progress.ThisPercent(57);
  EXPECT_EQ(bar.Bar(kPanelThisPercent), 57);
  progress.SetThisBarStyle(false);
  progress.ThisPercent(58);
  EXPECT_EQ(bar.Text(kPanelThisPercent), u"58%");
  progress.ThisPercent(0);
  EXPECT_EQ(bar.Text(kPanelThisPercent), u"");
  progress.ProgressShortMessage(u"Saving");
  progress.ProgressLongMessage(u"a long one");
  EXPECT_EQ(bar.Text(kPanelShortMessage) + u"|" + bar.Text(kPanelLongMessage), u"Saving|a long one");
  progress.ShowKind(kProgClear);
  EXPECT_EQ(bar.Text(kPanelShortMessage) + bar.Text(kPanelLongMessage), u"");
  EXPECT_EQ(ProgressParamsStores(), 0u);  // the local display stores nothing
}

TEST_F(ShellServicesTest, ControllerDisplayStoresTheRecordAndPostsTheKindsCode) {
  ConnectController();
  progress.SetProgressStatusBar(&bar);
  progress.ClearAllAndShow({640, 480}, kWhereController);
  EXPECT_FALSE(progress.ThisBarStyle());
  link.Clear();
  const int changes = bar.changes;
  const uint64_t stores = ProgressParamsStores();
  progress.ThisPercent(5);
  EXPECT_EQ(ProgressParamsStores(), stores + 1);
  TProgressRec stored{};
  GetProgressParams(stored);
  EXPECT_EQ(stored.this_percent, 5);
  EXPECT_EQ(stored.centre_x, 640);
  ASSERT_EQ(link.Posted().size(), 2u);
  EXPECT_EQ(link.Posted()[0].msg, kMsgAnnounce);
  EXPECT_EQ(link.Posted()[1].target, 200u);
  EXPECT_EQ(link.Posted()[1].wparam, PackToolCode(6104, kToolConcordancer));
  EXPECT_EQ(link.Posted()[1].lparam, 100);
  EXPECT_EQ(bar.changes, changes);  // nothing shown locally

  link.Clear();
  const int expected[] = {6104, 6105, 6113, 6106, 6100, 6108, -1, 6101, 6112, 6111, 6102};
  std::vector<int> want;
  for (uint8_t kind = 0; kind <= kProgTimeToGo; ++kind) {
    progress.ShowKind(kind);
    EXPECT_EQ(ProgressKindCode(kind), expected[kind]);
    if (expected[kind] >= 0) want.push_back(expected[kind]);
  }
  EXPECT_EQ(PostedCodes(), want);
  EXPECT_EQ(ProgressKindCode(kProgError), -1);
  EXPECT_EQ(ProgressKindCode(kProgFatalError), -1);
  EXPECT_EQ(ProgressKindCode(200), -1);
}

TEST_F(ShellServicesTest, ClearAllAndShowRaisesTheProgressWindow) {
  ConnectController();
  SetProgressWnd(300);
  Show(kWhereController, false);
  EXPECT_EQ(link.Raised(), std::vector<TWindowId>{300});
  EXPECT_EQ(PostedCodes(), (std::vector<int>{6100, 6112}));
  Show(kWhereLocal, false);
  EXPECT_EQ(link.Raised().size(), 1u);
}

TEST_F(ShellServicesTest, ReportsForAControllerThatIsNotThereOrLocalWithoutABar) {
  // The null link: no controller. Reports fall back to the local display.
  RegisterToolWindow(100);
  SetNewWnd(kToolController, 200);
  Show(kWhereController);
  EXPECT_TRUE(progress.ShowsLocally());
  progress.ThisPercent(40);
  EXPECT_EQ(bar.Text(kPanelThisPercent), u"40%");
  EXPECT_EQ(ProgressParamsStores(), 0u);
  // A status bar without panels cannot show anything: the controller path (stored, not posted).
  bar.panels = 0;
  progress.ThisPercent(41);
  EXPECT_EQ(ProgressParamsStores(), 1u);
  // Local without a status bar goes the controller path.
  ConnectController();
  Show(kWhereLocal, false);
  link.Clear();
  const uint64_t stores = ProgressParamsStores();
  progress.OverallPercent(3);
  EXPECT_EQ(ProgressParamsStores(), stores + 1);
  EXPECT_EQ(PostedCodes(), std::vector<int>{6105});
}

TEST_F(ShellServicesTest, SuspendedReportsChangeOnlyTheRecord) {
  ConnectController();
  Show(kWhereController);
  link.Clear();
  progress.Hide();
  EXPECT_TRUE(progress.Suspended());
  EXPECT_FALSE(progress.ThisBarStyle());
  EXPECT_EQ(PostedCodes(), std::vector<int>{kProgCodeHide});
  EXPECT_GE(bar.raised, 1);
  link.Clear();
  const uint64_t stores = ProgressParamsStores();
  EXPECT_TRUE(progress.ThisPercent(20));
  progress.ProgressShortMessage(u"quiet");
  EXPECT_EQ(progress.Record().this_percent, 20);
  EXPECT_EQ(UString(progress.Record().short_message), u"quiet");
  EXPECT_EQ(ProgressParamsStores(), stores);
  EXPECT_TRUE(link.Posted().empty());
  progress.ShowTimeToGo();
  EXPECT_FALSE(progress.Suspended());
  EXPECT_EQ(PostedCodes(), std::vector<int>{6102});
}

TEST_F(ShellServicesTest, SuspendAndResumeTheGlobalReporter) {
  EXPECT_FALSE(SuspendProgressDisplay() || ResumeProgressDisplay());
  CreateGlobalProgress();
  ASSERT_NE(GlobalProgress(), nullptr);
  EXPECT_NE(GlobalProgress()->StatusBar(), nullptr);  // the log sink
  ConnectController();
  GlobalProgress()->ClearAllAndShow({}, kWhereController);
  link.Clear();
  EXPECT_TRUE(SuspendProgressDisplay());
  EXPECT_EQ(PostedCodes(), std::vector<int>{kProgCodeHide});
  GlobalProgress()->ThisPercent(9);
  EXPECT_EQ(PostedCodes().size(), 1u);
  EXPECT_TRUE(ResumeProgressDisplay());
  EXPECT_FALSE(GlobalProgress()->Suspended());
  EXPECT_EQ(GlobalProgress()->Where(), kWhereController);
  EXPECT_EQ(PostedCodes().back(), 6100);
  FreeGlobalProgress();
  EXPECT_EQ(GlobalProgress(), nullptr);
}

TEST_F(ShellServicesTest, ErrorsShowABoxAndFatalErrorsHaltInBothDisplays) {
  SetHaltHook(ThrowingHalt);
  ConnectController();
  for (uint8_t where : {kWhereLocal, kWhereController}) {
    Show(where);
    link.Clear();
    dialogs.Clear();
    progress.ShowError(u"disk full");
    ASSERT_EQ(dialogs.Asked().size(), 1u);
    EXPECT_EQ(dialogs.Asked()[0].caption + u"|" + dialogs.Asked()[0].text, u"Error|disk full");
    EXPECT_EQ(UString(progress.Record().long_message), u"disk full");
    EXPECT_TRUE(PostedCodes().empty());
    try {
      progress.FatalError(u"cannot go on");
      ADD_FAILURE() << "a fatal error must halt";
    } catch (const HaltCalled& h) {
      EXPECT_EQ(h.code, 1);
    }
    EXPECT_EQ(dialogs.Asked().back().caption, u"Halting");
  }
}

TEST_F(ShellServicesTest, ErrorsAreNotLostWhileSuspended) {
  SetHaltHook(ThrowingHalt);
  progress.Hide();
  ASSERT_TRUE(progress.Suspended());
  progress.ShowError(u"lost?");
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].text, u"lost?");
  EXPECT_THROW(progress.FatalError(u"end"), HaltCalled);
}

TEST_F(ShellServicesTest, ReportsPumpTheMessageQueue) {
  static int pumps = 0;
  pumps = 0;
  SetYieldHook([] { ++pumps; });
  progress.ShowKind(kProgMemory);
  EXPECT_EQ(pumps, 2);
  SetYieldHook(nullptr);
}
