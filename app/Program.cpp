#include "app/Program.h"

#include "app/BuildCheck.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Query.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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
    return QStringLiteral(
               "Использование: tabel [БАЗА СЕРВЕР]\n"
               "Табель: учёт сдельных работ и рабочего времени цехов.\n"
               "\n"
               "  БАЗА      имя базы данных предприятия, например vemor_erp\n"
               "  СЕРВЕР    имя или адрес сервера PostgreSQL (можно несколько через запятую), папка\n"
               "            его unix-сокета, служба (service=ИМЯ) или строка подключения libpq\n"
               "\n"
               "Без аргументов, а также если СЕРВЕР не указан или пуст, программа\n"
               "подключается к базе vemor_erp на встроенном сервере %1;\n"
               "имя базы без сервера не учитывается. Пользователь, пароль, порт и шифрование\n"
               "берутся из описания службы (pg_service.conf), файла паролей (~/.pgpass)\n"
               "и переменных PGUSER, PGPORT, PGSSLMODE и других, как у psql.\n"
               "Если подключиться не удалось, программа сообщает\n"
               "\"Подключение к БД отсутсвует!!!\" и завершается.\n"
               "\n"
               "  --help       показать эту справку и выйти\n"
               "  --version    показать версию и сборку программы и выйти\n"
               "  --install-extension БАЗА СЕРВЕР [--as РОЛЬ] [--yes]\n"
               "               установить или обновить расширение базы данных tabel_ext\n"
               "               (закрытие месяцев и история изменений) и выйти\n")
        .arg(ConnectionSettings::builtInServer());
}

bool isInstallExtension(const QStringList& arguments) {
    return arguments.size() >= 2 && arguments[1] == QLatin1String("--install-extension");
}

int installExtension(const QStringList& arguments, std::FILE* in, std::FILE* out) {
    auto say = [out](const QString& text) {
        std::fputs(text.toUtf8().constData(), out);
        std::fflush(out);
    };
    const bool yes = arguments.contains(QStringLiteral("--yes"));
    QStringList rest = arguments.mid(2);
    rest.removeAll(QStringLiteral("--yes"));
    // --as ROLE: the role the installation acts as (SET ROLE), for a login that is a member of
    // the enterprise tables' owner rather than the owner itself.
    QString actAs;
    if (const qsizetype at = rest.indexOf(QStringLiteral("--as")); at >= 0) {
        actAs = rest.value(at + 1);
        rest.remove(at, qMin<qsizetype>(2, rest.size() - at));
        if (actAs.isEmpty()) rest.clear();
    }
    if (rest.size() != 2 || rest[1].isEmpty()) {
        say(QStringLiteral("Использование: tabel --install-extension БАЗА СЕРВЕР [--as РОЛЬ] [--yes]\n"));
        return 2;
    }
    ConnectionSettings s;
    s.database = rest[0];
    s.server = rest[1];
    const QString sql = Extension::shippedSql();
    say(QStringLiteral("В базе %1 на сервере %2 будет создана (или обновлена до версии %3) схема tabel_ext:\n"
                       "  роли доступа tabel_full, tabel_office, tabel_masters, tabel_warehouse и владелец\n"
                       "  расширения tabel_ext_owner (если их ещё нет) с правами на таблицы программы;\n"
                       "  таблицы закрытых месяцев, журнала закрытий и истории изменений;\n"
                       "  функции закрытия и открытия месяца, часов дня и проверки сборки;\n"
                       "  триггеры на accounts_dep.smena, accounts_dep.fatigue и accounts_dep.h_tabel,\n"
                       "  которые запрещают запись в закрытый месяц и записывают историю изменений.\n"
                       "Таблицы предприятия не меняются.\n")
            .arg(s.database, s.server)
            .arg(Extension::RequiredVersion));
    if (!yes) {
        say(QStringLiteral("Установить? (да/нет): "));
        char line[64] = {};
        if (!std::fgets(line, sizeof line, in)) return 1;
        const QString answer = QString::fromUtf8(line).trimmed().toLower();
        if (answer != QStringLiteral("да") && answer != QStringLiteral("д") && answer != QLatin1String("y") &&
            answer != QLatin1String("yes")) {
            say(QStringLiteral("Ничего не установлено.\n"));
            return 1;
        }
    }
    const QString connection = QStringLiteral("tabel-install-extension");
    int status = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        // The login as libpq finds it (service, PGUSER, the password file), as the program's own.
        openWith(db, s, QStringLiteral("connect_timeout=15;application_name=tabel-install"));
        if (!db.open()) {
            const QString why = ConnectFailure::explain(db.lastError().text());
            say(QStringLiteral("Нет подключения к базе: %1\n")
                    .arg(why.isEmpty() ? db.lastError().text().trimmed() : why));
            status = 1;
        } else {
            try {
                if (!actAs.isEmpty()) {
                    QSqlQuery role(db);
                    execBound(role, QStringLiteral("select set_config('role', :r, false)"),
                              {{QStringLiteral("r"), actAs}});
                }
                const Extension::Status before = Extension::detect(db);
                Extension::install(db, sql);
                const Extension::Status after = Extension::detect(db);
                say(before.installed
                        ? QStringLiteral("Расширение обновлено: версия %1 → %2.\n")
                              .arg(before.version)
                              .arg(after.version)
                        : QStringLiteral("Расширение установлено, версия %1.\n").arg(after.version));
            } catch (const DbError& e) {
                say(QStringLiteral("Не установлено, база не изменена: %1\n").arg(e.message()));
                status = 1;
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return status;
}

QString version() {
    const BuildStamp build = BuildCheck::current();
    return QStringLiteral("tabel %1 (build: %2.%3)\n")
        .arg(QStringLiteral(TABEL_VERSION))
        .arg(build.date)
        .arg(build.time);
}
} // namespace Program
