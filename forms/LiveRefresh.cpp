#include "forms/LiveRefresh.h"

#include "db/DataModule6.h"
#include "db/DbError.h"

#include <QBoxLayout>

LiveRefresh::LiveRefresh(QWidget* window, Mode mode, std::function<bool(const Changes::Change&)> matters,
                         std::function<void()> reread)
    : QObject(window), window_(window), mode_(mode), matters_(std::move(matters)),
      reread_(std::move(reread)) {
    setObjectName(QStringLiteral("LiveRefresh"));
    paced_ = new PacedRun(window, [this] {
        try {
            reread_();
        } catch (const std::exception&) {
            // The server went away: read again once it is back.
        }
    });
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
    paced_->cancel();
    if (stale_) stale_->hide();
}

void LiveRefresh::touched() {
    if (mode_ == Mode::Mark) {
        stale_->show();
        return;
    }
    paced_->request();
}
