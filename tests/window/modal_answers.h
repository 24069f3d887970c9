// Answers the next modal dialog of a window test: a timer looks for it every few milliseconds,
// lets the test fill its fields, then accepts or rejects it. A timer whose dialog never came is
// dropped when the test ends (DropModalAnswers), so that it answers nothing of the next test.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

inline QTimer* ModalAnswerTimer() {
  auto* timer = new QTimer(QCoreApplication::instance());
  timer->setObjectName(QStringLiteral("lz_modal_answer"));
  timer->setInterval(5);
  return timer;
}

inline void DropModalAnswers() {
  for (QTimer* t : QCoreApplication::instance()->findChildren<QTimer*>(QStringLiteral("lz_modal_answer"),
                                                                      Qt::FindDirectChildrenOnly))
    delete t;
}

inline void AnswerNextModal(bool accept, std::function<void(QDialog&)> fill = {}) {
  QTimer* timer = ModalAnswerTimer();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, accept, fill] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    if (fill) fill(*dialog);
    if (accept) dialog->accept();
    else dialog->reject();
  });
  timer->start();
}

// Acts on the next modal dialog once it shows (the act closes it).
inline void ActOnNextModal(std::function<void(QDialog&)> act) {
  QTimer* timer = ModalAnswerTimer();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start();
}
