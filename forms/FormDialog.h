#pragma once
// A window of the program: a dialog whose every activation (its showing, and each return to
// it when a window it opened closes) runs FormActivate inside the error guard. Closing a
// message box or a popup, or switching to another application and back, is no activation.
#include <QDialog>
#include <QSettings>

#include <memory>

class QLineEdit;
class QPushButton;

class FormDialog : public QDialog {
    Q_OBJECT
public:
    explicit FormDialog(QWidget* parent = nullptr);

    // The return from a dialog opened from this window (that dialog has just closed).
    void activateFromReturn();

public slots:
    virtual void FormActivate() {}

    // A window that can be resized and maximised, shown at `firstSize` until the user sizes it.
    void makeResizable(const QSize& firstSize);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    // The size, the maximised state and the grids' column widths are kept per workstation
    // (QSettings, under the window's object name): read before the first showing, written
    // at every hiding.
    void restoreLayout();
    void saveLayout();

    bool firstActivation_ = false;
    bool layoutRestored_ = false;
};

// Places a window about to be shown in the middle of its screen.
void centreOnScreen(QWidget* window);
// The workstation's settings of the program's windows (sizes, column widths), per user:
// ~/.config/tabel.conf (the organisation-wide file of "tabel", whatever the application name).
std::unique_ptr<QSettings> workstationSettings();

// A picker of a dialog: Enter or F4 on its "..." button or on the read-only box beside it,
// and a click on the box, open the list (click the button), as in every dialog of the program.
void makePicker(QPushButton* dots, QLineEdit* box);

// A push button of a window, found by what it says: its caption is its accessible name (unless
// another is given). Enter in the window never presses it by itself.
QPushButton* formButton(QWidget* window, const QString& caption, const char* objectName,
                        const QString& accessibleName = {});
