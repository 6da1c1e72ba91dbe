#include "forms/ClosedMonthLock.h"

#include "db/DataModule6.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QLabel>

void ClosedMonthLock::watch(QList<QWidget*> writers, QLabel* mark) {
    mark_ = mark;
    for (QWidget* w : writers)
        writers_ << w;
    if (mark_) {
        mark_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
        mark_->hide();
    }
}

void ClosedMonthLock::follow(const QDate& date) {
    const auto c = Extension::closedMonthOf(the<DataModule6>().ADO_DB(), date);
    show(bool(c),
         c ? Extension::closedMessage(*c).remove(QStringLiteral(" Ничего не записано.")) : QString());
}

bool ClosedMonthLock::refuse(const QDate& date) {
    const auto c = Extension::closedMonthOf(the<DataModule6>().ADO_DB(), date);
    show(bool(c),
         c ? Extension::closedMessage(*c).remove(QStringLiteral(" Ничего не записано.")) : QString());
    if (!c) return false;
    messages().error(Caption::Error, Extension::closedMessage(*c));
    return true;
}

void ClosedMonthLock::show(bool closed, const QString& reason) {
    if (closed && !closed_)
        for (QWidget* w : writers_)
            if (w) enabledBefore_[w] = w->isEnabled();
    for (QWidget* w : writers_) {
        if (!w) continue;
        if (closed) {
            w->setEnabled(false);
            w->setToolTip(reason);
        } else if (closed_) {
            w->setEnabled(enabledBefore_.value(w, true));
            w->setToolTip(QString());
        }
    }
    if (mark_) {
        mark_->setText(QStringLiteral("месяц закрыт"));
        mark_->setToolTip(reason);
        mark_->setVisible(closed);
    }
    closed_ = closed;
    reason_ = reason;
}
