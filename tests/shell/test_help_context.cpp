#include <gtest/gtest.h>

#include "model/text_reader_test_support.h"
#include "shell/menus/help_context.h"
#include "shell/menus/menu_store.h"

TEST(HelpContext, BestContext) {
  struct Case { int context; std::vector<int> chain; int best; };
  const Case cases[] = {
      {1500, {}, 1500},                 // a page of its own
      {1001, {0, 0}, 1001},
      {0, {}, 1000},                    // nothing under the mouse
      {0, {0, 1300, 2000}, 1300},       // the first parent with a page of its own
      {0, {0, 5, 700}, 700},            // none: the top-most parent's
      {1000, {1000}, 1000},
  };
  for (const Case& c : cases) EXPECT_EQ(BestHelpContext(c.context, c.chain), c.best) << c.context;
}

TEST(HelpContext, AccessModes) {
  text_reader_test::ScopedSettings settings;
  static int opened;
  auto open = [](int context) { opened = context; };
  struct Case { uint8_t mode; bool answer; int opened; };
  for (Case c : {Case{0, true, 5690}, Case{1, false, 5690}, Case{2, false, 0}}) {
    opened = 0;
    SetVXHelpAccessMode(c.mode);
    EXPECT_EQ(HandleAHelpFileChoice(5690, open), c.answer);
    EXPECT_EQ(opened, c.opened);
  }
}
