// Every test starts from the program's state as the test program began: what the program keeps
// for the whole process (the batch state, the running tool, the stop request, the lists loaded,
// the last failure, the log switch) is taken before the first test and put back after each one,
// and the regions the line arenas keep for the next run are given back, so that no test sees
// what another left and the tests pass in any order.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

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

  void Take() {
    batch = Global_BatchProcedures;
    batch_mode = Global_batch_mode;
    panic = global_panic_state;
    busy = Global_Busy_Dont_Show_Data;
    tool = current_tool_var;
    own_window = global_own_HWnd;
    without_error_messages = Global_run_without_error_messages;
    failure = Global_FailureMessage;
    std::copy(std::begin(Global_process_times), std::end(Global_process_times), std::begin(process_times));
    std::copy(std::begin(Global_stopLemmaMatchLoaded), std::end(Global_stopLemmaMatchLoaded), std::begin(lists_loaded));
    consistency_files = global_DetailedConsistency_files;
    read_write_folder = Global_user_ReadWrite_folder;
    temp_path = my_temp_path;
    keeping_log = global_keeping_log;
  }
  void PutBack() const {
    Global_BatchProcedures = batch;
    Global_batch_mode = batch_mode;
    global_panic_state = panic;
    Global_Busy_Dont_Show_Data = busy;
    current_tool_var = tool;
    global_own_HWnd = own_window;
    Global_run_without_error_messages = without_error_messages;
    Global_FailureMessage = failure;
    std::copy(std::begin(process_times), std::end(process_times), std::begin(Global_process_times));
    std::copy(std::begin(lists_loaded), std::end(lists_loaded), std::begin(Global_stopLemmaMatchLoaded));
    global_DetailedConsistency_files = consistency_files;
    Global_user_ReadWrite_folder = read_write_folder;
    my_temp_path = temp_path;
    global_keeping_log = keeping_log;
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
