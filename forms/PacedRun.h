#pragma once
// A window's re-read after changes made elsewhere, run when asked: at most once every half
// second under a burst of changes, and never under a dialog other than the window itself (its
// line may be the one being changed), but once that dialog has closed. Asking again while a
// run waits changes nothing.
#include <functional>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class PacedRun : public QObject {
    Q_OBJECT
public:
    static constexpr int MinInterval = 500; // ms between two runs

    PacedRun(QWidget* window, std::function<void()> run);
    void request();
    // Nothing waits any more (the window has read afresh by itself).
    void cancel();
    bool isRequested() const { return requested_; }

private:
    void schedule();
    void fire();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QWidget* window_;
    std::function<void()> run_;
    QTimer timer_;
    QElapsedTimer sinceLast_;
    QPointer<QWidget> waitingFor_;
    bool requested_ = false;
};
