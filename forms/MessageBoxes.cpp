#include "forms/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
QWidget* owner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

void show(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}
} // namespace

void MessageBoxes::error(const QString& caption, const QString& text) {
    show(QMessageBox::Critical, caption, text);
}

void MessageBoxes::information(const QString& caption, const QString& text) {
    show(QMessageBox::Information, caption, text);
}

namespace {
bool ask(const QString& caption, const QString& text, QMessageBox::StandardButton byDefault) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(byDefault);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

bool MessageBoxes::question(const QString& caption, const QString& text) {
    return ask(caption, text, QMessageBox::Yes);
}

bool MessageBoxes::doubt(const QString& caption, const QString& text) {
    return ask(caption, text, QMessageBox::No);
}
