// The controller played in this process, for a tool started on its own (the normal case): it is
// registered as the controller's window, so the tool finds a controller at once, and it takes
// the codes the tool posts. Progress codes (6100-6113) drive its progress window; 1240 opens the
// tool's own chooser of texts; 1230 keeps the chosen language and confirms it (701); 4602 starts
// a second instance; 951 shows About; the settings commands that have no dialog here say so;
// anything else is logged. Every code is handled from the event loop, never during the post.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "shell/services/suite_services.h"

class QWidget;
class TProgressWindow;

class TQtControllerStandIn : public QObject, public TControllerLink {
  Q_OBJECT
 public:
  explicit TQtControllerStandIn(QObject* parent = nullptr);
  ~TQtControllerStandIn() override;
  // Registers as the controller's window and becomes the link (Uninstall undoes both).
  void Install();
  void Uninstall();

  bool Connected() const override { return true; }
  bool Post(const TPostedMessage& message) override;

  TProgressWindow& ProgressWindow();
  // What 1240 opens (by default the chooser of texts, made by the window layer).
  void SetChooseTexts(std::function<void()> open) { choose_texts_ = std::move(open); }
  void SetStartSecondInstance(std::function<void()> start) { start_instance_ = std::move(start); }
  const std::vector<uint16_t>& CodesReceived() const { return received_; }
  int64_t LastLanguage() const { return language_; }

 protected:
  bool event(QEvent* e) override;

 private:
  void Handle(uint32_t msg, uint16_t code, int64_t lparam);
  TProgressWindow* progress_ = nullptr;
  std::function<void()> choose_texts_;
  std::function<void()> start_instance_;
  std::vector<uint16_t> received_;
  int64_t language_ = -1;
  TWindowId id_ = kNoWindow;
};
