// Answers the next modal dialog of a window test: a timer looks for it every few milliseconds,
// lets the test fill its fields, then accepts or rejects it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

inline void AnswerNextModal(bool accept, std::function<void(QDialog&)> fill = {}) {
  auto* timer = new QTimer;
  timer->setInterval(5);
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
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start();
}
