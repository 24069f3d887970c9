// A small tool document for the tests: its body is the notes and one int32, so that reading and
// writing a whole file goes through every layer of the base document.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/documents/work_base.h"
#include "model/documents/work_derived.h"
#include "work_test_list.h"
#include "platform/rtl/streams.h"
#include "platform/runtime/vx_runtime.h"
#include "platform/settings/settings_access.h"

class TTestDocument : public TTessorineholder {
 public:
  explicit TTestDocument(TTessorineList kind = kListConcordance)
      : TTessorineholder(GetTextSettings(), nullptr, nullptr, nullptr, false, false, nullptr, nullptr) {
    ListKind = kind;
  }

  bool SaveToStream(TStream& s) override {
    SetTessorineHolderMainListCount(main_count);
    return TTessorineholder::SaveToStream(s) && fNotes.SaveToStream(s) && WriteI32(s, body_value);
  }
  bool ReadWholeFromStream(TStream& s) override {
    return TTessorineholder::ReadWholeFromStream(s) && fNotes.ReadFromStream(s) && ReadI32(s, body_value);
  }

  int32_t main_count = 0;
  int32_t body_value = 0;
};

// A list that counts its conversions to UTF-16.
class TTestOwnedList : public TTestWordList {
 public:
  explicit TTestOwnedList(TTessorineList type) : TTestWordList(nullptr, type) {}
  void ConvertEntriesToUnicode(int code_page) override {
    ++conversions;
    last_code_page = code_page;
  }
  int conversions = 0;
  int last_code_page = 0;
};

// Every test starts as the concordancer, with no batch run and no stop requested.
class ToolDocumentTest : public testing::Test {
 protected:
  void SetUp() override {
    current_tool_var = kToolConcordancer;
    Global_batch_mode = 0;
    Global_run_without_error_messages = false;
    global_panic_state = kPanicNone;
    Global_Busy_Dont_Show_Data = false;
  }
  void TearDown() override {
    current_tool_var = kToolConcordancer;
    Global_batch_mode = 0;
    Global_run_without_error_messages = false;
  }
};
