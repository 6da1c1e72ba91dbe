#include "db/DbError.h"

#include "db/Messages.h"

void showUncaught(const std::exception& e) {
    const auto* db = dynamic_cast<const DbError*>(&e);
    messages().error(Caption::Error, db ? db->message() : QString::fromLocal8Bit(e.what()));
}
