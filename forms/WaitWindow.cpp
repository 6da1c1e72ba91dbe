#include "forms/WaitWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {
const QString WaitText = QStringLiteral("Идёт обращение к базе данных. Подождите…");
const QString CancellingText = QStringLiteral("Запрос отменяется…");
} // namespace

WaitWindow::WaitWindow(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Подождите"));
    setWindowModality(Qt::ApplicationModal);
    text_ = new QLabel(WaitText, this);
    time_ = new QLabel(this);
    time_->setAccessibleName(QStringLiteral("Прошло"));
    cancelButton_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancelButton_->setAccessibleName(cancelButton_->text());
    cancelButton_->setAutoDefault(false);
    connect(cancelButton_, &QPushButton::clicked, this, &WaitWindow::cancelStatement);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(time_);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void WaitWindow::show(std::function<void()> cancel) {
    cancel_ = std::move(cancel);
    shownSeconds_ = -1;
    text_->setText(WaitText);
    time_->clear();
    cancelButton_->setEnabled(true);
    if (QWidget* over = QApplication::activeWindow(); over && over != this) {
        adjustSize();
        move(over->frameGeometry().center() - rect().center());
    }
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QWidget::show();
    raise();
    activateWindow();
    cancelButton_->setFocus();
}

void WaitWindow::progress(qint64 elapsedMs) {
    const qint64 seconds = elapsedMs / 1000;
    if (seconds == shownSeconds_) return;
    shownSeconds_ = seconds;
    time_->setText(QStringLiteral("Прошло: %1 с").arg(seconds));
}

void WaitWindow::hide() {
    cancel_ = nullptr;
    if (!isVisible()) return;
    QApplication::restoreOverrideCursor();
    QWidget::hide();
}

bool WaitWindow::owns(const QObject* receiver) const {
    if (!receiver) return false;
    if (receiver == this || receiver == windowHandle()) return true;
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    return widget && isAncestorOf(widget);
}

void WaitWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        cancelStatement();
        return;
    }
    QWidget::keyPressEvent(e);
}

void WaitWindow::cancelStatement() {
    if (!cancel_ || !cancelButton_->isEnabled()) return;
    cancelButton_->setEnabled(false);
    text_->setText(CancellingText);
    cancel_();
}

namespace {
WaitWindow* installed = nullptr;
} // namespace

void WaitWindow::install() {
    if (!installed) installed = new WaitWindow;
    StatementWait::setPresenter(installed);
}

void WaitWindow::uninstall() {
    if (!installed) return;
    StatementWait::setPresenter(nullptr);
    delete installed;
    installed = nullptr;
}
