#include "forms/LiveRefresh.h"

#include "db/DataModule6.h"
#include "db/DbError.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>

LiveRefresh::LiveRefresh(QWidget* window, Mode mode, std::function<bool(const Changes::Change&)> matters,
                         std::function<void()> reread)
    : QObject(window), window_(window), mode_(mode), matters_(std::move(matters)),
      reread_(std::move(reread)) {
    setObjectName(QStringLiteral("LiveRefresh"));
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LiveRefresh::fire);
    if (mode_ == Mode::Mark) {
        stale_ = new QPushButton(StaleCaption, window);
        stale_->setObjectName(QStringLiteral("StaleButton"));
        stale_->setAutoDefault(false);
        stale_->setStyleSheet(QStringLiteral("background: #fff3a0; font-weight: bold"));
        stale_->hide();
        if (auto* box = qobject_cast<QBoxLayout*>(window->layout())) box->insertWidget(0, stale_);
        connect(stale_, &QPushButton::clicked, this, [this] {
            clear();
            guarded([this] { reread_(); });
        });
    }
    ChangeListener& live = ChangeListener::of(DataModule6::ConnectionName);
    connect(&live, &ChangeListener::changed, this, [this](const Changes::Change& c) {
        // The program's own writes are read again by the window that made them.
        if (c.fromOther && window_->isVisible() && matters_(c)) touched();
    });
    connect(&live, &ChangeListener::reconnected, this, [this] {
        if (window_->isVisible()) touched();
    });
}

void LiveRefresh::clear() {
    pending_ = false;
    timer_.stop();
    if (stale_) stale_->hide();
}

void LiveRefresh::touched() {
    if (mode_ == Mode::Mark) {
        stale_->show();
        return;
    }
    pending_ = true;
    schedule();
}

void LiveRefresh::schedule() {
    if (!pending_ || timer_.isActive() || waitingFor_) return;
    const qint64 since = sinceLast_.isValid() ? sinceLast_.elapsed() : MinInterval;
    timer_.start(int(std::max<qint64>(0, MinInterval - since)));
}

bool LiveRefresh::eventFilter(QObject* watched, QEvent* event) {
    if (watched == waitingFor_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
        watched->removeEventFilter(this);
        waitingFor_ = nullptr;
        QTimer::singleShot(0, this, &LiveRefresh::schedule);
    }
    return QObject::eventFilter(watched, event);
}

void LiveRefresh::fire() {
    if (!pending_) return;
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window_) {
        waitingFor_ = modal;
        modal->installEventFilter(this);
        return;
    }
    pending_ = false;
    sinceLast_.start();
    try {
        reread_();
    } catch (const std::exception&) {
        // The server went away: read again once it is back.
    }
}
