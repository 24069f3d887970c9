#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QTest>
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

// A window noting, in order, its paints and the messages and work it is given.
class TOrderWindow : public QWidget {
 public:
  std::vector<std::string> seen;

 protected:
  void paintEvent(QPaintEvent*) override { seen.push_back("paint"); }
  bool event(QEvent* e) override {
    if (e->type() == TWindowMessageEvent::EventType()) {
      seen.push_back("message " + std::to_string(static_cast<TWindowMessageEvent*>(e)->msg));
      return true;
    }
    return QWidget::event(e);
  }
};

}  // namespace

// Work posted to come after the paint that waits comes after it and after the messages posted
// with it, in the order posted; a window gone first takes none of it.
TEST(WindowMessages, WorkPostedAfterPaintComesAfterThePaintThatWaits) {
  TOrderWindow w;
  w.resize(200, 100);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QApplication::processEvents();
  w.seen.clear();
  struct Case {
    const char* name;
    bool repaint_waits;
    std::vector<std::string> want;
  } const cases[] = {
      {"a page was just built", true, {"message 1", "paint", "work 1", "work 2", "message 2"}},
      {"nothing to paint", false, {"message 1", "work 1", "work 2", "message 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w.seen.clear();
    PostWindowMessage(&w, 1, 0, 0);
    if (c.repaint_waits) w.update();
    PostAfterPaint(&w, [&] { w.seen.push_back("work 1"); });
    PostAfterPaint(&w, [&] {
      w.seen.push_back("work 2");
      // Posted by the work: comes after it, as any message does.
      PostWindowMessage(&w, 2, 0, 0);
    });
    EXPECT_TRUE(w.seen.empty());
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    EXPECT_EQ(w.seen, c.want);
  }
  int ran = 0;
  {
    QWidget gone;
    PostAfterPaint(&gone, [&] { ++ran; });
  }
  PostAfterPaint(nullptr, [&] { ++ran; });
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  EXPECT_EQ(ran, 0);
}

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

namespace {

// A child that asks for its parent's id when it is deleted, which is while the parent is.
class TAskingChild : public QWidget {
 public:
  TAskingChild(QWidget* parent, TWindowId& asked) : QWidget(parent), parent_(parent), asked_(asked) {}
  ~TAskingChild() override { asked_ = WindowIdOf(parent_); }

 private:
  QWidget* parent_;
  TWindowId& asked_;
};

}  // namespace

// An object asked about while it is destroyed (by a child being deleted with it, or in its own
// destroyed() signal) takes no id with it: a later window made at the same address gets an id
// of its own, and messages posted to that id reach it.
TEST(WindowMessages, AWindowMadeWhereADestroyedOneWasGetsItsOwnId) {
  enum TAsker { kChild, kDestroyedSignal };
  for (const TAsker asker : {kChild, kDestroyedSignal}) {
    SCOPED_TRACE(asker == kChild ? "a child asks" : "its destroyed() signal asks");
    alignas(TRecordingWindow) unsigned char place[sizeof(TRecordingWindow)];
    auto* first = new (place) TRecordingWindow;
    TWindowId asked = kNoWindow;
    if (asker == kChild)
      new TAskingChild(first, asked);
    else
      QObject::connect(first, &QObject::destroyed, [&asked](QObject* gone) { asked = WindowIdOf(gone); });
    first->~TRecordingWindow();
    if (asker == kChild) EXPECT_EQ(asked, kNoWindow);
    if (asked != kNoWindow) EXPECT_EQ(WindowOfId(asked), nullptr);

    auto* second = new (place) TRecordingWindow;
    const TWindowId id = WindowIdOf(second);
    EXPECT_NE(id, kNoWindow);
    EXPECT_NE(id, asked);
    EXPECT_EQ(WindowOfId(id), second);
    EXPECT_TRUE(PostWindowMessage(id, 0x7B9, 1, 2));
    QApplication::processEvents();
    EXPECT_EQ(second->got, (std::vector<TRecordingWindow::TGot>{{0x7B9, 1, 2}}));
    second->~TRecordingWindow();
    EXPECT_EQ(WindowOfId(id), nullptr);
  }
}
