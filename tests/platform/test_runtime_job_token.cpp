// The job token and the runtime's shared state on worker threads: the stop state reaches a
// worker, progress is shown at most once in 50 ms of the token's clock and only on the job's own
// thread, the window layer's yield hook never runs on a worker, and the log takes lines from
// many threads whole.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/files.h"
#include "platform/runtime/job_token.h"
#include "platform/runtime/vx_runtime.h"
#include "support/temp_folder.h"
#include "support/wait_for.h"

namespace {

// A clock the test moves by hand.
struct TManualClock {
  int64_t now = 1000;
  TJobToken::TClock Fn() {
    return [this] { return now; };
  }
};

struct TSinkCalls {
  std::vector<std::pair<int64_t, int64_t>> calls;  // done, total
  std::vector<std::thread::id> threads;
  TJobToken::TProgressSink Fn() {
    return [this](int64_t done, int64_t total) {
      calls.emplace_back(done, total);
      threads.push_back(std::this_thread::get_id());
    };
  }
};

class JobToken : public ::testing::Test {
 protected:
  ~JobToken() override {
    global_panic_state = kPanicNone;
    SetYieldHook(nullptr);
  }
};

}  // namespace

TEST_F(JobToken, StopStateIsTheHigherOfTheTokensAndTheProgramsFlag) {
  struct Case {
    uint8_t panic;
    TStopState requested;
    TStopState want;
  };
  const Case cases[] = {
      {kPanicNone, TStopState::None, TStopState::None},
      {kPanicEndOfText, TStopState::None, TStopState::EndOfText},
      {kPanicStopNow, TStopState::None, TStopState::StopNow},
      {kPanicStopAndQuit, TStopState::None, TStopState::StopNow},
      {kPanicNone, TStopState::EndOfText, TStopState::EndOfText},
      {kPanicEndOfText, TStopState::StopNow, TStopState::StopNow},
      {kPanicStopNow, TStopState::EndOfText, TStopState::StopNow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.panic) << " " << int(c.requested));
    global_panic_state = c.panic;
    TJobToken token;
    token.RequestStop(c.requested);
    EXPECT_EQ(token.Stop(), c.want);
    EXPECT_EQ(token.Poll(), c.want);
    EXPECT_EQ(token.StopNow(), c.want == TStopState::StopNow);
    EXPECT_EQ(token.EndAfterThisText(), c.want != TStopState::None);
  }
  // A request never lowers the state.
  global_panic_state = kPanicNone;
  TJobToken token;
  token.RequestStop(TStopState::StopNow);
  token.RequestStop(TStopState::EndOfText);
  EXPECT_EQ(token.Stop(), TStopState::StopNow);
}

TEST_F(JobToken, AStopRequestedOnTheJobsThreadIsSeenByAWorker) {
  for (bool through_the_flag : {false, true}) {
    SCOPED_TRACE(through_the_flag ? "program's stop flag" : "token's request");
    global_panic_state = kPanicNone;
    TJobToken token;
    std::atomic<bool> started{false};
    std::atomic<int> seen{-1};
    std::thread worker([&] {
      started = true;
      // The worker polls between its "chunks" until told to stop.
      if (WaitFor([&] { return token.Poll() == TStopState::StopNow; })) seen = static_cast<int>(token.Stop());
    });
    ASSERT_TRUE(WaitFor([&] { return started.load(); }));
    if (through_the_flag) global_panic_state = kPanicStopNow;
    else token.RequestStop(TStopState::StopNow);
    worker.join();
    EXPECT_EQ(seen.load(), static_cast<int>(TStopState::StopNow));
  }
}

TEST_F(JobToken, ProgressIsShownAtMostOnceIn50Milliseconds) {
  TManualClock clock;
  TSinkCalls sink;
  TJobToken token(sink.Fn(), clock.Fn());
  token.SetTotal(10);
  // Clock (ms after the start) at each poll, with the done count before it, and whether the
  // sink is called: the first poll shows at once, then never twice within 50 ms of the last
  // showing.
  struct Step {
    int64_t at;
    int64_t done;
    bool shown;
  };
  const Step steps[] = {
      {0, 0, true},   {1, 1, false},  {49, 2, false}, {50, 3, true},  {50, 4, false},
      {70, 5, false}, {99, 6, false}, {100, 6, true}, {400, 9, true}, {401, 10, false},
  };
  std::vector<std::pair<int64_t, int64_t>> want;
  for (const Step& s : steps) {
    clock.now = 1000 + s.at;
    token.SetDone(s.done);
    const size_t before = sink.calls.size();
    EXPECT_EQ(token.Poll(), TStopState::None);
    EXPECT_EQ(sink.calls.size() - before, s.shown ? 1u : 0u) << "at " << s.at;
    if (s.shown) want.emplace_back(s.done, 10);
  }
  EXPECT_EQ(sink.calls, want);
  // The end of a job shows the last figures whatever the clock says.
  token.Flush();
  EXPECT_EQ(sink.calls.back(), (std::pair<int64_t, int64_t>{10, 10}));
}

TEST_F(JobToken, WorkersStoreProgressAndOnlyTheJobsThreadShowsItAndYields) {
  static std::atomic<int> hook_runs{0};
  static std::atomic<int> hook_runs_off_main{0};
  static std::thread::id main_thread;
  main_thread = std::this_thread::get_id();
  hook_runs = 0;
  hook_runs_off_main = 0;
  SetYieldHook([] {
    ++hook_runs;
    if (std::this_thread::get_id() != main_thread) ++hook_runs_off_main;
  });

  // The clock always moves on, so that every owner poll would show and yield.
  std::atomic<int64_t> now{0};
  TSinkCalls sink;
  TJobToken token(sink.Fn(), [&] { return now += 100; });
  constexpr int kWorkers = 4, kChunks = 500;
  token.SetTotal(kWorkers * kChunks);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int c = 0; c < kChunks; ++c) {
        token.AddDone(1);
        token.Poll();
        MyYieldProcess();  // older code still yields by itself: nothing may run here either
      }
    });
  }
  for (std::thread& t : workers) t.join();
  EXPECT_TRUE(sink.calls.empty());  // workers never show
  EXPECT_EQ(hook_runs.load(), 0);
  EXPECT_FALSE(InsideYield());

  token.Poll();
  EXPECT_EQ(sink.calls, (std::vector<std::pair<int64_t, int64_t>>{{kWorkers * kChunks, kWorkers * kChunks}}));
  EXPECT_EQ(sink.threads, std::vector<std::thread::id>{main_thread});
  EXPECT_EQ(hook_runs.load(), 1);
  EXPECT_EQ(hook_runs_off_main.load(), 0);
}

TEST(RuntimeThreads, TheYieldGuardIsPerThread) {
  // A worker is never "inside" the main thread's pump: while the hook runs on the main thread, a
  // worker asks and is told no, and its own MyYieldProcess runs nothing.
  static std::atomic<int> runs{0};
  static std::atomic<int> worker_inside{-1};
  runs = 0;
  SetYieldHook([] {
    ++runs;
    std::thread worker([] {
      MyYieldProcess();
      worker_inside = InsideYield() ? 1 : 0;
    });
    worker.join();
  });
  MyYieldProcess();
  SetYieldHook(nullptr);
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(worker_inside.load(), 0);
}

TEST(RuntimeThreads, LogLinesFromManyThreadsArriveWholeInOneFile) {
  TempFolder folder;
  const UString name = folder.Path() + u"threads.log";
  const bool was_on = global_keeping_log;
  const UString was_name = GetLogFilename();
  SetLogFilename(name);
  global_keeping_log = true;
  constexpr int kThreads = 8, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) {
        const std::string line = "worker " + std::to_string(t) + " line " + std::to_string(i) + " end";
        AddToLogFile(line.c_str());
      }
    });
  }
  for (std::thread& t : threads) t.join();
  // Flushed line by line: the file is complete before the log is closed.
  std::ifstream in(ToFsPath(name));
  std::vector<int> per_thread(kThreads, 0);
  int lines = 0;
  for (std::string line; std::getline(in, line); ++lines) {
    const size_t w = line.find("worker ");
    ASSERT_NE(w, std::string::npos) << line;
    ASSERT_EQ(line.substr(line.size() - 4), " end") << line;
    ++per_thread[static_cast<size_t>(std::stoi(line.substr(w + 7)))];
  }
  EXPECT_EQ(lines, kThreads * kLines);
  EXPECT_EQ(per_thread, std::vector<int>(kThreads, kLines));
  global_keeping_log = was_on;
  SetLogFilename(was_name);
}
