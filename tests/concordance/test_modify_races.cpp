// Modifications and undos that run at the same time (two windows, two programs): no log line is
// lost and no change is written over another. Each test runs a bounded number of rounds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "concordance/modify/modify_texts.h"
#include "concordance/modify/modify_undo.h"
#include "document_test_support.h"
#include "platform/rtl/files.h"

using namespace document_test;

namespace {

constexpr int kRounds = 12;

// "a dog ran." with a Set value before "dog", as the concordance saw the text.
TTextToModify SetBeforeDog(const UString& name, UStringView value) {
  TTextToModify text;
  text.full_name = name;
  struct stat st {};
  EXPECT_EQ(::stat(Utf16ToUtf8(name).c_str(), &st), 0);
  text.fingerprint_size = st.st_size;
  text.fingerprint_write_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  text.changes.push_back(TTextChange{1, 2, 3, u"dog", UString(value)});
  return text;
}

std::vector<int32_t> EntryLines(const UString& log_name) {
  TModificationLog log;
  UString error;
  EXPECT_TRUE(ReadModificationLog(log_name, log, error)) << Utf16ToUtf8(error);
  std::vector<int32_t> out;
  for (const auto& e : log.entries) out.push_back(e.line);
  return out;
}

// Two threads meet here, or the first goes on alone after `wait` (when the other cannot come).
class TMeeting {
 public:
  void Meet(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> hold(m_);
    ++arrived_;
    met_.notify_all();
    met_.wait_for(hold, wait, [&] { return arrived_ >= 2; });
  }

 private:
  std::mutex m_;
  std::condition_variable met_;
  int arrived_ = 0;
};

}  // namespace

// An undo rewrites the log while a modification waits to append to it: the modification's line
// lands in the log the undo leaves, so that text can still be undone.
TEST(ModifyRaces, AnUndoRacingAModificationKeepsTheModificationsLine) {
  ScopedSettings settings;
  TempFolder tmp;
  const TTextReadSnapshot snapshot = TakeTextReadSnapshot(nullptr);
  const UString log = tmp.Path() + u"log.txt";
  TModifyOptions o;
  o.mode = TModifySourceTexts::mst_set;
  o.initials = u"ab";
  o.log_file = log;
  o.snapshot = &snapshot;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    std::vector<UString> names;
    for (int i = 0; i < 8; ++i) {
      names.push_back(tmp.Write(u"r" + IntToUStr(round) + u"_" + IntToUStr(i) + u".txt", "a dog ran."));
      ASSERT_TRUE(ModifyOneText(SetBeforeDog(names.back(), u"N"), o).modified);
    }
    const std::vector<int32_t> earlier = EntryLines(log);
    ASSERT_EQ(earlier.size(), 8u);
    const UString racing = tmp.Write(u"r" + IntToUStr(round) + u"_racing.txt", "a dog ran.");
    TUndoResult undone;
    TTextModifyResult modified;
    std::thread undo([&] { undone = UndoModifications(log, earlier); });
    std::thread modify([&] { modified = ModifyOneText(SetBeforeDog(racing, u"R"), o); });
    undo.join();
    modify.join();
    EXPECT_EQ(undone.undone, 8);
    ASSERT_TRUE(modified.modified) << Utf16ToUtf8(modified.refusal);
    for (const UString& n : names) EXPECT_EQ(WholeFileBytes(n), "a dog ran.");
    // The racing text's line is in the log, and undoes it.
    const std::vector<int32_t> left = EntryLines(log);
    ASSERT_EQ(left.size(), 1u) << "the modification's line was lost";
    EXPECT_EQ(UndoModifications(log, left).undone, 1);
    EXPECT_EQ(WholeFileBytes(racing), "a dog ran.");
  }
}

// Two modifications of one text from the same concordance, logging off: one is written, the other
// finds the text changed and refuses; never do both say "modified" with one change in the text.
TEST(ModifyRaces, TwoModificationsOfOneTextNeverBothReplaceIt) {
  ScopedSettings settings;
  TempFolder tmp;
  const TTextReadSnapshot snapshot = TakeTextReadSnapshot(nullptr);
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    const UString name = tmp.Write(u"t" + IntToUStr(round) + u".txt", "a dog ran.");
    const TTextToModify a = SetBeforeDog(name, u"A"), b = SetBeforeDog(name, u"B");
    TMeeting meeting;
    TModifyOptions o;
    o.mode = TModifySourceTexts::mst_set;
    o.logging = false;
    o.snapshot = &snapshot;
    // Both wait for each other just before replacing the text, so that their checks and renames
    // fall together unless one of them is held back.
    o.before_replacing = [&](UStringView) {
      meeting.Meet(std::chrono::milliseconds(50));
      return true;
    };
    TTextModifyResult ra, rb;
    std::thread first([&] { ra = ModifyOneText(a, o); });
    std::thread second([&] { rb = ModifyOneText(b, o); });
    first.join();
    second.join();
    EXPECT_EQ(int{ra.modified} + int{rb.modified}, 1) << Utf16ToUtf8(ra.refusal) << Utf16ToUtf8(rb.refusal);
    const std::string now = WholeFileBytes(name);
    EXPECT_EQ(now, ra.modified ? "a <ut_A/>dog ran." : "a <ut_B/>dog ran.");
  }
}
