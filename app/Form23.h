#pragma once
// The login window "Авторизация": the application's main window. An accepted access code
// applies its role, and the journal runs modally; when the journal closes, the program ends.
#include "forms/FormDialog.h"
#include <functional>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

class Form23 : public FormDialog {
    Q_OBJECT
public:
    explicit Form23(QWidget* parent = nullptr);

    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;
    // Says when the connection to the server is not encrypted over a network; hidden otherwise.
    QLabel* SecurityNote;
    // Ends the application when it fires; started only by a failed build check.
    QTimer* Timer1;

public slots:
    void FormActivate() override;
    void Button1Click();
    void Button2Click();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* e) override;
};

inline const QString WrongCodeMessage = QStringLiteral("Введены неверные данные.");
