#include "app/Program.h"

#include "app/BuildCheck.h"
#include "db/DataModule6.h"

#include <QCoreApplication>

namespace {
std::function<void()>& ender() {
    static std::function<void()> f = [] {
        QCoreApplication::exit(0);
        // exit() reaches only the loops running now; the queued quit reaches the main loop
        // when it starts (a mismatch found at the first activation of the login window).
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    };
    return f;
}
} // namespace

namespace Program {
void end() {
    ender()();
}
void setEnder(std::function<void()> f) {
    ender() = std::move(f);
}

QString commandLineAnswer(const QStringList& arguments) {
    if (arguments.size() != 2) return {};
    if (arguments[1] == QLatin1String("--help")) return usage();
    if (arguments[1] == QLatin1String("--version")) return version();
    return {};
}

QString usage() {
    return QStringLiteral("Использование: tabel [БАЗА СЕРВЕР]\n"
                          "Табель: учёт сдельных работ и рабочего времени цехов.\n"
                          "\n"
                          "  БАЗА      имя базы данных предприятия, например vemor_erp\n"
                          "  СЕРВЕР    имя или адрес сервера PostgreSQL либо папка его unix-сокета\n"
                          "\n"
                          "Без аргументов, а также если СЕРВЕР не указан или пуст, программа\n"
                          "подключается к базе vemor_erp на встроенном сервере %1;\n"
                          "имя базы без сервера не учитывается. Порт 5432 и пользователь sys постоянные.\n"
                          "Если подключиться не удалось, программа сообщает\n"
                          "\"Подключение к БД отсутсвует!!!\" и завершается.\n"
                          "\n"
                          "  --help       показать эту справку и выйти\n"
                          "  --version    показать версию и сборку программы и выйти\n")
        .arg(ConnectionSettings::builtInServer());
}

QString version() {
    const BuildStamp build = BuildCheck::current();
    return QStringLiteral("tabel %1 (build: %2.%3)\n")
        .arg(QStringLiteral(TABEL_VERSION))
        .arg(build.date)
        .arg(build.time);
}
} // namespace Program
