// Every test starts from the program's state as the test program began: what the program keeps
// for the whole process (the batch state, the running tool, the stop request, the lists loaded,
// the last failure, the log switch) is taken before the first test and put back after each one,
// and the regions the line arenas keep for the next run are given back, so that no test sees
// what another left and the tests pass in any order.
#include <gtest/gtest.h>

#include <iterator>
#include <type_traits>

#include "concordance/lines/line_text_arena.h"
#include "model/documents/batch_procedures.h"
#include "platform/runtime/vx_runtime.h"

namespace {

struct TProgramState {
  TBatchProceduresRec batch;
  uint8_t batch_mode = 0;
  uint8_t panic = kPanicNone;
  bool busy = false;
  uint8_t tool = 0;
  TWindowId own_window = kNoWindow;
  bool without_error_messages = false;
  UString failure;
  double process_times[kProcessTimesCount] = {};
  bool lists_loaded[4] = {};
  int32_t consistency_files = 0;
  UString read_write_folder;
  UString temp_path;
  bool keeping_log = false;

  void Take() { Exchange(true); }
  void PutBack() { Exchange(false); }

 private:
  // Each field from the program (take) or back into it.
  void Exchange(bool take) {
    auto one = [take](auto& kept, auto& program) {
      if constexpr (std::is_array_v<std::remove_reference_t<decltype(kept)>>) {
        for (size_t i = 0; i < std::size(kept); ++i) {
          if (take) kept[i] = program[i];
          else program[i] = kept[i];
        }
      } else if (take) {
        kept = program;
      } else {
        program = kept;
      }
    };
    one(batch, Global_BatchProcedures);
    one(batch_mode, Global_batch_mode);
    one(panic, global_panic_state);
    one(busy, Global_Busy_Dont_Show_Data);
    one(tool, current_tool_var);
    one(own_window, global_own_HWnd);
    one(without_error_messages, Global_run_without_error_messages);
    one(failure, Global_FailureMessage);
    one(process_times, Global_process_times);
    one(lists_loaded, Global_stopLemmaMatchLoaded);
    one(consistency_files, global_DetailedConsistency_files);
    one(read_write_folder, Global_user_ReadWrite_folder);
    one(temp_path, my_temp_path);
    one(keeping_log, global_keeping_log);
  }
};

class TProgramStateGuard : public testing::EmptyTestEventListener {
 public:
  void OnTestProgramStart(const testing::UnitTest&) override { at_start_.Take(); }
  void OnTestEnd(const testing::TestInfo&) override {
    at_start_.PutBack();
    TLineTextArena::GiveKeptRegionsBack();
  }

 private:
  TProgramState at_start_;
};

const bool guard_installed = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new TProgramStateGuard);
  return true;
}();

}  // namespace
