#pragma once
// The window shown while a statement takes longer than a moment: what is going on, how long
// it has taken, and "Отмена", which asks the server to stop the statement (Esc does the same).
// Application-modal: the other windows take no input meanwhile. Not a dialog of the windows
// (its coming and going is no return to the window it showed over).
#include "db/StatementWait.h"

#include <functional>
#include <QWidget>

class QLabel;
class QPushButton;

class WaitWindow final : public QWidget, public StatementWait::Presenter {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget* parent = nullptr);

    void show(std::function<void()> cancel) override;
    void progress(qint64 elapsedMs) override;
    void hide() override;
    bool owns(const QObject* receiver) const override;

    // The program's wait window: made and installed as the presenter, and removed again
    // (before the application goes).
    static void install();
    static void uninstall();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    // "Отмена": only the statement is stopped; the window goes once the server has answered.
    void cancelStatement();
    QLabel* text_;
    QLabel* time_;
    QPushButton* cancelButton_;
    std::function<void()> cancel_;
    qint64 shownSeconds_ = -1;
};
