#include "db/FormDialog.h"

#include "db/DbError.h"

#include <QEvent>

bool FormDialog::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}
