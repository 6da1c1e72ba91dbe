#pragma once
// A window of the program: a dialog whose every activation (its showing, and each return to
// it when a window it opened closes) runs FormActivate inside the error guard.
#include <QDialog>

class FormDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

public slots:
    virtual void FormActivate() {}

protected:
    bool event(QEvent* e) override;
};
