#include "db/DbError.h"

#include "db/Messages.h"

namespace {
QString nonEmpty(const QString& text) {
    const QString t = text.trimmed();
    return t.isEmpty() ? QStringLiteral("Сервер базы данных не выполнил запрос и не сообщил причину.") : t;
}

} // namespace

DbError::DbError(const QString& message)
    : std::runtime_error(nonEmpty(message).toStdString()), message_(nonEmpty(message)) {}

QString ConnectionLost::text(Work work) {
    const QString lost = QStringLiteral("Нет связи с сервером базы данных. ");
    switch (work) {
    case Work::NotSaved:
        return lost + QStringLiteral("Изменения не сохранены: ни одна их часть не записана. "
                                     "Повторите их, когда связь восстановится.");
    case Work::SavedUnknown:
        return lost + QStringLiteral("Сохранены ли изменения, станет известно, когда связь восстановится: "
                                     "программа сообщит об этом.");
    case Work::NotDone:
        break;
    }
    return lost +
           QStringLiteral("Действие не выполнено. Программа подключится снова при следующем действии.");
}

ConnectionLost::ConnectionLost(const QString& serverText, Work work, bool firstOfOutage)
    : DbError(text(work)), serverText_(serverText.trimmed()), work_(work), first_(firstOfOutage) {}

QString LockBusy::defaultText() {
    return QStringLiteral("Нужные данные сейчас заняты на другом рабочем месте, и ожидание превысило "
                          "допустимое время. Ничего не изменено: повторите действие немного позже.");
}

QString Cancelled::defaultText() {
    return QStringLiteral("Запрос отменён. Ничего не изменено.");
}

void showUncaught(const std::exception& e) {
    if (dynamic_cast<const Cancelled*>(&e)) return;
    const auto* db = dynamic_cast<const DbError*>(&e);
    QString text = db ? db->message() : QString::fromLocal8Bit(e.what()).trimmed();
    if (text.isEmpty()) text = QStringLiteral("Действие не выполнено из-за внутренней ошибки программы.");
    messages().error(Caption::Error, text);
}
