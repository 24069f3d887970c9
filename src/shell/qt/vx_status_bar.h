// The main window's status bar: panels 0 to 10 by ordinal, each showing text or a bar, a click
// signal carrying the panel's index, and a typing-mode button. It is the progress reporter's
// local display (AttachToProgress).
#pragma once

#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <array>

#include "shell/services/progress.h"

class QLabel;

class TVXStatusBar : public QStatusBar, public TProgressStatusSink {
  Q_OBJECT
 public:
  static constexpr int kPanels = 11;
  explicit TVXStatusBar(QWidget* parent = nullptr);
  ~TVXStatusBar() override;

  int PanelCount() const override { return kPanels; }
  void SetPanelText(int panel, UStringView text) override;
  void SetPanelBarValue(int panel, int percent) override;
  void SetPanelBarStyle(int panel, bool bar) override;
  void BringApplicationToFront() override;

  // What the panel shows while no text is put in it (a panel that acts on a click says what it
  // does), with its tip; the hand cursor shows it can be clicked.
  void SetPanelCaption(int panel, UStringView caption, UStringView tip);
  QString PanelText(int panel) const;
  int PanelBarValue(int panel) const;  // -1 for a text panel
  bool PanelIsBar(int panel) const;
  void SetTypingMode(int mode);
  int TypingMode() const { return typing_mode_; }
  // Makes this bar the global reporter's local display (and takes it back when destroyed).
  void AttachToProgress();

 signals:
  void PanelClicked(int panel);
  void TypingModeChosen(int mode);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  std::array<QLabel*, kPanels> labels_{};
  std::array<QProgressBar*, kPanels> bars_{};
  std::array<QString, kPanels> captions_{};
  QToolButton* typing_ = nullptr;
  int typing_mode_ = 0;
  bool attached_ = false;
};
