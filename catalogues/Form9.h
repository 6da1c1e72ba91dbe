#pragma once
// The operation kind dialog: a new kind or the new name of the kind list's current one.
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class Form9 : public QDialog {
    Q_OBJECT
public:
    explicit Form9(QWidget* parent = nullptr);

    int Tag = 0; // KindCatalogue::NewKind or KindCatalogue::ChangeKind

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

public slots:
    void FormActivate();
    void Button1Click();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
};
