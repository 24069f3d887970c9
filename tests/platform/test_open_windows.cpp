// The register of the program's open main windows in the settings store: what one process writes
// another reads, windows of ended processes drop out, and requests reach only their own process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/settings/open_windows.h"
#include "platform/settings/settings_access.h"
#include "platform/settings/settings_store.h"
#include "support/scoped_env.h"
#include "support/wait_for.h"
#include "support/temp_folder.h"

namespace {

class OpenWindows : public ::testing::Test {
 protected:
  OpenWindows() : env_("LINZORA_CONFIG_DIR", Utf16ToUtf8(tmp_.Path() + u"config")) { ResetSettingsStoreForTests(); }
  ~OpenWindows() override { ResetSettingsStoreForTests(); }
  // What another process of the program sees: the store read afresh from its file.
  static std::vector<TOpenMainWindow> SeenAfresh() {
    ResetSettingsStoreForTests();
    return OpenMainWindows();
  }
  TempFolder tmp_;
  ScopedEnv env_;
};

// A child process that waits until it is killed; its entry is written as the child would write it.
struct TChild {
  pid_t pid = -1;
  TChild() {
    pid = ::fork();
    if (pid == 0) {
      for (;;) ::pause();
    }
  }
  TOpenMainWindow Window(TWindowId id) const {
    TOpenMainWindow w;
    w.pid = pid;
    w.process_start = ProcessStartTicks(pid);
    w.window = id;
    w.tool = 1;
    w.caption = u"child";
    return w;
  }
  // Killed; with collect, also collected (without, it stays a process that has ended but is not
  // yet collected).
  void End(bool collect) {
    ::kill(pid, SIGKILL);
    if (collect) ::waitpid(pid, nullptr, 0);
  }
  ~TChild() {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
};

std::vector<TWindowId> Ids(const std::vector<TOpenMainWindow>& windows) {
  std::vector<TWindowId> ids;
  for (const TOpenMainWindow& w : windows) ids.push_back(w.window);
  return ids;
}

}  // namespace

TEST_F(OpenWindows, WhatOneProcessWritesAnotherReadsInOpeningOrder) {
  AddOpenMainWindow(OwnMainWindow(0x1001, 1, {10, 20, 640, 480}, u"Concordance (river.cnc)"));
  AddOpenMainWindow(OwnMainWindow(0x1002, 3, {40, 50, 640, 480}, u""));
  UpdateOpenMainWindow(0x1001, {0, 0, 400, 300}, u"Concordance (bank & river.cnc)");
  const std::vector<TOpenMainWindow> seen = SeenAfresh();
  ASSERT_EQ(Ids(seen), (std::vector<TWindowId>{0x1001, 0x1002}));
  EXPECT_TRUE(seen[0].OfThisProcess());
  EXPECT_EQ(seen[0].pid, static_cast<int32_t>(::getpid()));
  EXPECT_EQ(seen[0].place, (TWindowPlace{0, 0, 400, 300}));
  EXPECT_EQ(seen[0].caption, u"Concordance (bank & river.cnc)");
  EXPECT_EQ(seen[1].tool, 3);
  EXPECT_LT(seen[0].activated, seen[1].activated);  // the one opened last counts as activated last
  EXPECT_EQ(GetToolsOpen(1), 1);
  EXPECT_EQ(GetToolsOpen(3), 1);
  EXPECT_EQ(GetToolsOpen(2), 0);

  NoteMainWindowActivated(0x1001);
  const std::vector<TOpenMainWindow> after = SeenAfresh();
  EXPECT_GT(after[0].activated, after[1].activated);

  // Added again (shown again) it stays one entry.
  AddOpenMainWindow(OwnMainWindow(0x1002, 3, {40, 50, 640, 480}, u""));
  EXPECT_EQ(Ids(SeenAfresh()), (std::vector<TWindowId>{0x1001, 0x1002}));
  RemoveOpenMainWindow(0x1001);
  RemoveOpenMainWindow(0x7777);  // not there: nothing happens
  EXPECT_EQ(Ids(SeenAfresh()), std::vector<TWindowId>{0x1002});
}

TEST_F(OpenWindows, WindowsOfEndedProcessesDropOut) {
  struct Case {
    const char* what;
    bool collect;
  } cases[] = {{"ended and collected", true}, {"ended, not yet collected", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TChild child;
    ASSERT_GT(child.pid, 0);
    ASSERT_NE(ProcessStartTicks(child.pid), 0u);
    const TOpenMainWindow theirs = child.Window(0x2001);
    AddOpenMainWindow(theirs);
    AddOpenMainWindow(OwnMainWindow(0x1001, 1, {}, u"mine"));
    EXPECT_EQ(Ids(SeenAfresh()), (std::vector<TWindowId>{0x2001, 0x1001}));
    EXPECT_EQ(GetToolsOpen(1), 2);
    std::vector<uint8_t> both, one;
    ASSERT_TRUE(SharedSettingsStore().Find("open_windows", both));
    child.End(c.collect);
    // Killing is not at once: wait until the process has ended.
    WaitFor([&] { return !ProcessIsAlive(theirs.pid, theirs.process_start); });
    EXPECT_FALSE(ProcessIsAlive(theirs.pid, theirs.process_start));
    EXPECT_EQ(Ids(SeenAfresh()), std::vector<TWindowId>{0x1001});
    EXPECT_EQ(GetToolsOpen(1), 1);
    // Dropped from the store too, not only from what was answered.
    ResetSettingsStoreForTests();
    ASSERT_TRUE(SharedSettingsStore().Find("open_windows", one));
    EXPECT_LT(one.size(), both.size());
    RemoveOpenMainWindow(0x1001);
  }
}

TEST_F(OpenWindows, ANumberNowNamingAnotherProcessIsNotTheWindowsProcess) {
  // This process's number, but a start time of another process: a window of an ended process
  // whose number was given again.
  TOpenMainWindow stale = OwnMainWindow(0x3001, 1, {}, u"stale");
  stale.process_start += 12345;
  AddOpenMainWindow(stale);
  EXPECT_FALSE(stale.OfThisProcess());
  EXPECT_TRUE(SeenAfresh().empty());
}

TEST_F(OpenWindows, OwnWindowsGoneAreDroppedWhenTheProcessSaysSo) {
  AddOpenMainWindow(OwnMainWindow(0x1001, 1, {}, u"kept"));
  AddOpenMainWindow(OwnMainWindow(0x1002, 1, {}, u"gone"));
  const auto alive = [](TWindowId id) { return id == 0x1001; };
  EXPECT_EQ(GetToolsOpen(1, alive), 1);
  EXPECT_EQ(Ids(SeenAfresh()), std::vector<TWindowId>{0x1001});
}

TEST_F(OpenWindows, RequestsReachOnlyTheirProcessOnceAndInOrder) {
  TChild other;
  const TOpenMainWindow theirs = other.Window(0x2001);
  const TOpenMainWindow mine = OwnMainWindow(0x1001, 1, {}, u"");
  ASSERT_TRUE(PostWindowRequest(theirs, TWindowRequestKind::Activate));
  ASSERT_TRUE(PostWindowRequest(mine, TWindowRequestKind::Place, {0, 0, 512, 768}));
  ASSERT_TRUE(PostWindowRequest(mine, TWindowRequestKind::Activate));
  ResetSettingsStoreForTests();
  const std::vector<TWindowRequest> taken = TakeWindowRequests();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].window, 0x1001u);
  EXPECT_EQ(taken[0].kind, TWindowRequestKind::Place);
  EXPECT_EQ(taken[0].place, (TWindowPlace{0, 0, 512, 768}));
  EXPECT_EQ(taken[1].kind, TWindowRequestKind::Activate);
  EXPECT_TRUE(TakeWindowRequests().empty());  // taken once
  // The other process's request waits for it; once it has ended, the next post drops it.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(SharedSettingsStore().Find("window_requests", bytes));
  const size_t with_theirs = bytes.size();
  other.End(true);
  ASSERT_TRUE(PostWindowRequest(mine, TWindowRequestKind::Activate));
  ASSERT_TRUE(SharedSettingsStore().Find("window_requests", bytes));
  EXPECT_EQ(bytes.size(), with_theirs);  // one request taken out, one put in
  EXPECT_EQ(TakeWindowRequests().size(), 1u);
  EXPECT_FALSE(SharedSettingsStore().Find("window_requests", bytes));
}

TEST_F(OpenWindows, ADamagedRegisterReadsAsEmptyAndIsWrittenAfresh) {
  const std::vector<std::vector<uint8_t>> damaged = {
      {}, {9}, {1, 5, 0, 0, 0}, {1, 1, 0, 0, 0, 1, 2, 3}, {1, 0xFF, 0xFF, 0xFF, 0x7F}};
  for (const std::vector<uint8_t>& bytes : damaged) {
    SharedSettingsStore().Write("open_windows", bytes.data(), bytes.size());
    SharedSettingsStore().Write("window_requests", bytes.data(), bytes.size());
    EXPECT_TRUE(OpenMainWindows().empty()) << bytes.size();
    EXPECT_TRUE(TakeWindowRequests().empty()) << bytes.size();
    AddOpenMainWindow(OwnMainWindow(0x1001, 1, {}, u"new"));
    EXPECT_EQ(Ids(SeenAfresh()), std::vector<TWindowId>{0x1001}) << bytes.size();
    RemoveOpenMainWindow(0x1001);
  }
}
