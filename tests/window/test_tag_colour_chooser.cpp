// The tag colour chooser posts the index of the box that changed, all or none from its buttons,
// a reset when hidden, and draws a bad colour in the defaults with one message.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>

#include "shell/qt/window_messages.h"
#include "window/dialog_test_support.h"
#include "windows/tag_colour_chooser.h"

namespace {

class TMessageSink : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() != TWindowMessageEvent::EventType()) return QObject::event(e);
    auto* m = static_cast<TWindowMessageEvent*>(e);
    got.push_back({m->msg, m->wparam, m->lparam});
    return true;
  }
  std::vector<TTagChooserMessage> got;
};

std::vector<TTagColourEntry> SampleTags() {
  return {{u"<head>", u"heading", 0xCC0000, false, -1, false},
          {u"<p>", u"paragraph", 0x0000CC, false, 0xFFFFCC, false},
          {u"<date>", u"date of text", 0, true, -1, true},
          {u"<odd>", u"odd colour", 0x2000000, false, -1, false}};
}

TEST(TagColourChooser, TickPostsTheIndexOfTheChangedBoxNotTheSelectedOne) {
  TDialogTestScope scope;
  TMessageSink sink;
  TFormTagColourChooser w;
  w.CopyTagsFrom(&sink, SampleTags(), 10);
  ASSERT_EQ(w.List()->count(), 4);
  EXPECT_EQ(w.List()->item(2)->checkState(), Qt::Unchecked);  // hidden tag
  ASSERT_EQ(scope.Messages().size(), 1u);                      // the bad colour, said once
  EXPECT_NE(scope.Messages()[0].find(u"<odd>"), UString::npos);
  EXPECT_EQ(w.List()->item(3)->foreground().color(), QColor(Qt::black));
  // Colours are kept blue, green, red from the high byte down: 0x0000CC is a dark red.
  EXPECT_EQ(w.List()->item(1)->foreground().color(), QColor(0xCC, 0x00, 0x00));
  EXPECT_EQ(w.List()->item(0)->foreground().color(), QColor(0x00, 0x00, 0xCC));
  EXPECT_EQ(w.List()->item(1)->background().color(), QColor(0xCC, 0xFF, 0xFF));
  w.show();
  QCoreApplication::processEvents();
  sink.got.clear();
  w.List()->setCurrentRow(0);
  w.List()->item(2)->setCheckState(Qt::Checked);
  w.AllButton()->click();
  w.NoneButton()->click();
  SaveDialogScreenshot(w, QStringLiteral("tag_colour_chooser"));
  w.hide();
  QCoreApplication::processEvents();
  const std::vector<TTagChooserMessage> want{TagTickMessage(2, true), AllTagsMessage(true), AllTagsMessage(false),
                                         ChooserHiddenMessage()};
  EXPECT_EQ(sink.got, want);
  EXPECT_EQ(w.List()->item(0)->checkState(), Qt::Unchecked);
}

TEST(TagColourChooser, DescriptionsAndEmptyList) {
  TDialogTestScope scope;
  TMessageSink sink;
  TFormTagColourChooser w;
  w.CopyTagsFrom(&sink, SampleTags(), 4);
  EXPECT_EQ(w.List()->font().pointSize(), 8);
  EXPECT_GE(w.ItemHeight(), 16);
  EXPECT_EQ(w.List()->item(1)->text(), QStringLiteral("<p>"));
  w.ToggleDescriptions();
  EXPECT_EQ(w.List()->item(1)->text(), QStringLiteral("paragraph"));
  w.CopyTagsFrom(&sink, {}, 10);
  EXPECT_EQ(w.List()->height(), 0);
}

}  // namespace
