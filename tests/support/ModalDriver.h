#pragma once
// Drives a real modal window from a test: polls for the active modal widget with a short
// repeating timer (a single-shot timer would race the window's appearance) and hands it to
// `act`, which returns true once it has dealt with it (usually by closing it).
#include <functional>
#include <QApplication>
#include <QTimer>

inline void whenModal(std::function<bool(QWidget*)> act, int timeoutMs = 10000) {
    auto* timer = new QTimer;
    auto* elapsed = new int(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, act, timeoutMs] {
        *elapsed += 10;
        QWidget* modal = QApplication::activeModalWidget();
        if ((modal && act(modal)) || *elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete elapsed;
        }
    });
    timer->start();
}
