// The progress window the controller shows for a tool's job: non-modal, placed at the centre the
// tool gave, never taking the focus. It shows both messages, this step's and the overall bar,
// running words, time taken and to go, and memory; Stop runs EscapePressed (which asks first).
// It reads the stored progress record whenever a progress code arrives.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "shell/main_window/progress_view.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TProgressWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TProgressWindow(QWidget* parent = nullptr);
  // A progress code 6100-6113 (6107 hides, 6111 clears, 6112 clears and shows).
  void HandleProgressCode(int code);
  const TProgressView& View() const { return view_; }
  QPushButton* StopButton() const { return stop_; }

 private:
  void Refresh();
  void Clear();
  QLabel* short_ = nullptr;
  QLabel* long_ = nullptr;
  QProgressBar* this_bar_ = nullptr;
  QProgressBar* overall_bar_ = nullptr;
  QLabel* words_ = nullptr;
  QLabel* times_ = nullptr;
  QLabel* memory_ = nullptr;
  QPushButton* stop_ = nullptr;
  QElapsedTimer clock_;
  TProgressView view_;
};
