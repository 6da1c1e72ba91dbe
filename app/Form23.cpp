#include "app/Form23.h"

#include "app/Access.h"
#include "app/BuildCheck.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "journal/Journal.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Form23::Form23(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form23"));
    setWindowTitle(QStringLiteral("Авторизация"));
    Edit1 = new QLineEdit;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Button1 = new QPushButton(QStringLiteral("Вход"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Отмена"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    // The box is named by its label, which says what to type.
    auto* label = new QLabel(QStringLiteral("Введите код доступа"));
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(Edit1);
    Edit1->setAccessibleName(QStringLiteral("Введите код доступа"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    SecurityNote = new QLabel;
    SecurityNote->setObjectName(QStringLiteral("SecurityNote"));
    SecurityNote->setWordWrap(true);
    SecurityNote->setStyleSheet(QStringLiteral("color: #b00000;"));
    SecurityNote->hide();
    layout->addWidget(SecurityNote);
    setFixedSize(420, 110);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);
    connect(Timer1, &QTimer::timeout, this, &Form23::Timer1Timer);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &Form23::Button2Click);
    // Escape and the close box end the program as "Отмена" does.
    connect(this, &QDialog::rejected, this, [] { Program::end(); });
}

void Form23::showEvent(QShowEvent* e) {
    centreOnScreen(this);
    FormDialog::showEvent(e);
    // Ask for the focus: the activation (and with it the build check) must not wait for the
    // user to click into the window where no window manager hands it over.
    activateWindow();
    raise();
}

void Form23::FormActivate() {
    Form1& main = the<Form1>();
    main.CheckVersion();
    if (DataModule6* dm = instanceOf<DataModule6>(); dm && dm->isConnected()) {
        QString note;
        try {
            note = dm->unencryptedNote();
        } catch (const DbError&) {
            // Only the note depends on it; the build check has reported a lost server.
        }
        SecurityNote->setText(note);
        SecurityNote->setAccessibleName(note);
        SecurityNote->setVisible(!note.isEmpty());
        setFixedHeight(note.isEmpty() ? 110 : 116 + SecurityNote->heightForWidth(396));
    }
    setWindowTitle(QStringLiteral("Авторизация (build: %1.%2)").arg(main.BuildDate).arg(main.BuildTime));
}

void Form23::Button1Click() {
    Form1& main = the<Form1>();
    const QString code = Access::trimmed(Edit1->text());
    const Role role = Access::roleOfCode(code);
    DataModule6& dm = the<DataModule6>();
    // The code chooses the role; the database decides whether this login may take it. Refused,
    // nothing else happens: the next try starts from an empty box.
    if (role != Role::None &&
        Extension::takeRole(dm.ADO_DB(), Access::code(role)) == Extension::RoleTaken::NotGranted) {
        messages().error(Caption::Error, Extension::notGrantedMessage(Access::code(role)));
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    main.CurSmena = 1;
    main.LoginText = code;
    // Only the full-access codes open "Табель"; after a wrong code it stays as decided here.
    main.N11->setEnabled(role == Role::Full && !main.unavailable.contains(main.N11));
    if (role == Role::None) {
        messages().error(Caption::Error, WrongCodeMessage);
        // The next try starts from an empty box: a code typed after the wrong one is not appended.
        Edit1->clear();
        Edit1->setFocus();
        return;
    }
    for (int shift = 1; shift <= 4; ++shift)
        dm.smenaQuery(shift).setParam(QStringLiteral("ok"), Journal::HiddenMark);
    Access::setCurrent(role);
    // Who writes, as the database extension's history and month close record it.
    Extension::setSessionActor(dm.ADO_DB(), Access::code(role), Extension::stationName());
    Access::applyToJournal(role, main);
    hide();
    main.exec();
    // The journal has closed: so does the login window, and with it the program.
    close();
    Program::end();
}

void Form23::Button2Click() {
    close();
    Program::end();
}

void Form23::Timer1Timer() {
    Program::end();
}
