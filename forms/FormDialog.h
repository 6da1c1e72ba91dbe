#pragma once
// A window of the program: a dialog whose every activation (its showing, and each return to
// it when a window it opened closes) runs FormActivate inside the error guard. Closing a
// message box or a popup, or switching to another application and back, is no activation.
#include <QDialog>

class QPushButton;

class FormDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormDialog(QWidget* parent = nullptr);

    // The return from a dialog opened from this window (that dialog has just closed).
    void activateFromReturn();

public slots:
    virtual void FormActivate() {}

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    bool firstActivation_ = false;
};

// Places a window about to be shown in the middle of its screen.
void centreOnScreen(QWidget* window);

// A push button of a window, found by what it says: its caption is its accessible name (unless
// another is given). Enter in the window never presses it by itself.
QPushButton* formButton(QWidget* window, const QString& caption, const char* objectName,
                        const QString& accessibleName = {});
