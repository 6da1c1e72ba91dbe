#include "forms/PacedRun.h"

#include <algorithm>
#include <QApplication>
#include <QEvent>

PacedRun::PacedRun(QWidget* window, std::function<void()> run)
    : QObject(window), window_(window), run_(std::move(run)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PacedRun::fire);
}

void PacedRun::request() {
    requested_ = true;
    schedule();
}

void PacedRun::cancel() {
    requested_ = false;
    timer_.stop();
}

void PacedRun::schedule() {
    if (!requested_ || timer_.isActive() || waitingFor_) return;
    const qint64 since = sinceLast_.isValid() ? sinceLast_.elapsed() : MinInterval;
    timer_.start(int(std::max<qint64>(0, MinInterval - since)));
}

bool PacedRun::eventFilter(QObject* watched, QEvent* event) {
    if (watched == waitingFor_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
        watched->removeEventFilter(this);
        waitingFor_ = nullptr;
        QTimer::singleShot(0, this, &PacedRun::schedule);
    }
    return QObject::eventFilter(watched, event);
}

void PacedRun::fire() {
    if (!requested_) return;
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window_) {
        waitingFor_ = modal;
        modal->installEventFilter(this);
        return;
    }
    requested_ = false;
    sinceLast_.start();
    run_();
}
