#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "shell/qt/window_messages.h"
#include "shell/services/suite_services.h"

namespace {

class TRecordingWindow : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (e->type() == TWindowMessageEvent::EventType()) {
      auto* m = static_cast<TWindowMessageEvent*>(e);
      got.push_back({m->msg, m->wparam, m->lparam});
      return true;
    }
    return QWidget::event(e);
  }
  struct TGot {
    uint32_t msg;
    uint64_t wparam;
    int64_t lparam;
    bool operator==(const TGot&) const = default;
  };
  std::vector<TGot> got;
};

}  // namespace

TEST(WindowMessages, PostedCodesArriveInOrderOnceTheLoopRuns) {
  TRecordingWindow w;
  const TWindowId id = WindowIdOf(&w);
  EXPECT_EQ(WindowIdOf(&w), id);
  EXPECT_EQ(WindowOfId(id), &w);
  InstallMessageBridge();
  RegisterToolWindow(id);
  PostToOwnWindow(6100);
  PostToOwnWindow(1241);
  PostWindowMessage(id, 0x7B9, 5, -7);
  EXPECT_TRUE(w.got.empty());
  QApplication::processEvents();
  const uint64_t tool = static_cast<uint64_t>(current_tool_var) << 16;
  EXPECT_EQ(w.got, (std::vector<TRecordingWindow::TGot>{{0x401, 6100 | tool, static_cast<int64_t>(id)},
                                                       {0x401, 1241 | tool, static_cast<int64_t>(id)},
                                                       {0x7B9, 5, -7}}));
  global_own_HWnd = kNoWindow;
  SetOwnWindowPostHook(nullptr);
}

TEST(WindowMessages, UnknownOrDestroyedWindowsTakeNothing) {
  TWindowId id;
  {
    QWidget w;
    id = WindowIdOf(&w);
  }
  EXPECT_EQ(WindowOfId(id), nullptr);
  EXPECT_FALSE(PostWindowMessage(id, 0x401, 1, 0));
  EXPECT_FALSE(PostWindowMessage(kNoWindow, 0x401, 1, 0));
}
