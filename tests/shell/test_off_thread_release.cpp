// Objects handed over to be freed off the caller's thread: each goes, in the order given, on
// the release thread; waiting returns once all are gone; the owner going waits for them too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "../concordance/document_test_support.h"
#include "shell/main_window/off_thread_release.h"

namespace {

struct TFreed {
  std::mutex mutex;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
};

struct TNoted {
  TNoted(TFreed& freed, int n, int slow_ms = 0) : freed(freed), n(n), slow_ms(slow_ms) {}
  ~TNoted() {
    if (slow_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(slow_ms));
    std::lock_guard hold(freed.mutex);
    freed.order.push_back(n);
    freed.threads.push_back(std::this_thread::get_id());
  }
  TFreed& freed;
  int n, slow_ms;
};

}  // namespace

TEST(OffThreadRelease, ObjectsGoInTheOrderGivenOffTheCallersThread) {
  TFreed freed;
  TOffThreadRelease release;
  for (int i = 0; i < 50; ++i) release.Release(std::make_unique<TNoted>(freed, i, i % 10 == 0 ? 2 : 0));
  release.Release(std::unique_ptr<TNoted>());  // nothing handed over: nothing to free
  release.WaitUntilReleased();
  EXPECT_EQ(release.ReleasedCount(), 50);
  ASSERT_EQ(freed.order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(freed.order[static_cast<size_t>(i)], i);
  for (const std::thread::id& t : freed.threads) EXPECT_NE(t, std::this_thread::get_id());
  EXPECT_EQ(release.LastReleasedOn(), freed.threads.back());
}

TEST(OffThreadRelease, WaitingReturnsOnlyOnceASlowObjectIsGone) {
  TFreed freed;
  TOffThreadRelease release;
  release.WaitUntilReleased();  // nothing handed over yet: returns at once
  EXPECT_EQ(release.ReleasedCount(), 0);
  release.Release(std::make_unique<TNoted>(freed, 1, 60));
  release.WaitUntilReleased();
  std::lock_guard hold(freed.mutex);
  EXPECT_EQ(freed.order, std::vector<int>{1});
}

TEST(OffThreadRelease, TheOwnerGoingFreesEverythingHandedOver) {
  TFreed freed;
  {
    TOffThreadRelease release;
    for (int i = 0; i < 5; ++i) release.Release(std::make_unique<TNoted>(freed, i, 5));
  }
  EXPECT_EQ(freed.order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(OffThreadRelease, HandOversFromSeveralThreadsAreAllFreed) {
  std::atomic<int> alive{0};
  struct TCounted {
    explicit TCounted(std::atomic<int>& a) : alive(a) { ++alive; }
    ~TCounted() { --alive; }
    std::atomic<int>& alive;
  };
  TOffThreadRelease release;
  std::vector<std::thread> givers;
  for (int t = 0; t < 4; ++t)
    givers.emplace_back([&] {
      for (int i = 0; i < 100; ++i) release.Release(std::make_unique<TCounted>(alive));
    });
  for (std::thread& g : givers) g.join();
  release.WaitUntilReleased();
  EXPECT_EQ(alive.load(), 0);
  EXPECT_EQ(release.ReleasedCount(), 400);
}

// A document freed on the release thread while the next run is made on several workers: the
// next run's lines and lists are those of a run made alone.
TEST(OffThreadRelease, ADocumentFreedWhileTheNextRunIsMadeLeavesThatRunWhole) {
  using namespace document_test;
  ScopedSettings settings;
  std::string text;
  for (int i = 0; i < 400; ++i) text += "The river runs past the mill. A river of words, a mill of lines.\n";
  TTextFolder folder({{u"a.txt", text}, {u"b.txt", text + text}, {u"c.txt", text}, {u"d.txt", "no hits here"}});
  TRunRequest request{folder.names, u"river"};
  request.threads = 4;
  auto lines_of = [](const T_WholeLinzoraHolder& doc) {
    std::vector<UString> lines;
    for (int i = 0; i < doc.fConcordanceList->Count(); ++i) lines.emplace_back(doc.fConcordanceList->Line(i)->Text());
    return lines;
  };
  const TRunDone alone = RunConcordance(request);
  ASSERT_TRUE(alone.found);
  const std::vector<UString> lines = lines_of(*alone.doc);
  TOffThreadRelease release;
  for (int round = 0; round < 3; ++round) {
    TRunDone last = RunConcordance(request);
    ASSERT_TRUE(last.found);
    release.Release(std::move(last.doc));
    const TRunDone next = RunConcordance(request);
    ASSERT_TRUE(next.found);
    EXPECT_EQ(lines_of(*next.doc), lines) << round;
    EXPECT_EQ(next.doc->fClusterList->Count(), alone.doc->fClusterList->Count()) << round;
    EXPECT_EQ(next.doc->fCollocateList->Count(), alone.doc->fCollocateList->Count()) << round;
    EXPECT_EQ(next.doc->fPatternsList->Count(), alone.doc->fPatternsList->Count()) << round;
  }
  release.WaitUntilReleased();
  EXPECT_EQ(release.ReleasedCount(), 3);
}
