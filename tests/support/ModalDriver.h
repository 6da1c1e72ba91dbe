#pragma once
// Drives a real modal window from a test: polls for the active modal widget with a short
// repeating timer (a single-shot timer would race the window's appearance) and hands it to
// `act`, which returns true once it has dealt with it (usually by closing it). The driver
// gives up after `timeoutMs`; a caller whose window may never come stops it with
// stopDriving() before the things `act` refers to go away.
#include <functional>
#include <memory>
#include <QApplication>
#include <QPointer>
#include <QTimer>

inline QPointer<QTimer> whenModal(std::function<bool(QWidget*)> act, int timeoutMs = 10000) {
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, elapsed, act, timeoutMs] {
        *elapsed += 10;
        QWidget* modal = QApplication::activeModalWidget();
        if ((modal && act(modal)) || *elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return timer;
}

inline void stopDriving(const QPointer<QTimer>& driver) {
    if (!driver) return;
    driver->stop();
    driver->deleteLater();
}
