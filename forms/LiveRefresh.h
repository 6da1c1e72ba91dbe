#pragma once
// A window following what other workstations commit. When a change matters to what the window
// shows, it either reads again by itself (Reread: at most once every half second, and not
// under a dialog it opened, then when that dialog closes), or shows the bar
// "Данные изменились — Обновить" at its top (Mark: where reading again would move the user's
// place), whose click reads again. After the connection was opened anew, the same happens
// once. A hidden window ignores changes (it reads when it is opened), and so does every
// window the program's own writes: the window that wrote reads again itself.
#include "db/Changes.h"
#include "forms/PacedRun.h"

#include <functional>
#include <QPushButton>
#include <QWidget>

class LiveRefresh : public QObject {
    Q_OBJECT
public:
    enum class Mode { Reread, Mark };
    static constexpr int MinInterval = PacedRun::MinInterval;
    inline static const QString StaleCaption = QStringLiteral("Данные изменились — Обновить");

    LiveRefresh(QWidget* window, Mode mode, std::function<bool(const Changes::Change&)> matters,
                std::function<void()> reread);
    // The bar of Mark (hidden until a change comes); put at the top of the window's layout.
    QPushButton* staleButton() const { return stale_; }
    bool isStale() const { return stale_ && !stale_->isHidden(); }
    // The window has read afresh: no longer stale, nothing pending.
    void clear();
    // A re-read is waiting (its half second, or a dialog).
    bool isPending() const { return paced_->isRequested(); }

private:
    void touched();

    QWidget* window_;
    Mode mode_;
    std::function<bool(const Changes::Change&)> matters_;
    std::function<void()> reread_;
    QPushButton* stale_ = nullptr;
    PacedRun* paced_;
};
