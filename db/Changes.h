#pragma once
// What a committed write changed, told to every workstation: PostgreSQL's NOTIFY on the
// channel "tabel_changes", delivered when the writing transaction commits (nothing on a
// rollback). Each notification carries one token:
//
//   j2026-03-05/1   journal lines (accounts_dep.smena) of a date and shift
//   f2026-03-05/1   household records (accounts_dep.fatigue) of a date and shift
//   f2026-03/*      household records of a month (any kind may name a month instead of a date)
//   t2026-03/1      timesheet rows (accounts_dep.h_tabel) of a month and shift (0: household rows)
//
// "*" stands for any date, month or shift ("j*" any journal line, "t2026-03/*" the whole
// month). One token per notification: the server drops a payload repeated within one
// transaction, so the program's own token and the same token from the extension's triggers
// (schema/tabel_ext.sql, for writes from elsewhere) arrive once.
//
// Writers name their tokens with note() inside their Transaction; the tokens go out with the
// commit's own statement (no extra trip to the server). ChangeListener receives them on the
// data module's connection, listens again after every reconnect and then says so, since
// changes may have been missed meanwhile.
#include <optional>
#include <QDate>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace Changes {

inline const QString Channel = QStringLiteral("tabel_changes");

QString journal(const QDate& date, int shift);
QString household(const QDate& date, int shift);
QString timesheet(int year, int month, int shift);
QString anyJournal();
QString wholeMonth(int year, int month);

struct Change {
    enum Kind { Journal, Household, Timesheet } kind = Journal;
    QDate date;   // invalid: any date (timesheet tokens carry only a month)
    int year = 0; // 0: any month
    int month = 0;
    int shift = -1;        // -1: any shift
    bool fromOther = true; // written by another session

    // True for journal lines of this date and shift.
    bool touchesJournal(const QDate& d, int s) const;
    // True for household records or timesheet rows (or journal lines) of this month.
    bool touchesMonth(int y, int m) const;
};
std::optional<Change> parse(const QString& token);

// Names what the transaction under way on db writes; sent when it commits. Outside a
// Transaction the tokens are sent at once.
void note(QSqlDatabase db, const QStringList& tokens);
void note(QSqlDatabase db, const QString& token);
// On by default; the benchmark turns it off to weigh a save without it.
void setSending(bool on);

// Kept per connection by Transaction: begin clears, take hands the tokens to the commit,
// discard forgets them on a rollback.
void begin(const QSqlDriver* driver);
QStringList take(const QSqlDriver* driver);
void discard(const QSqlDriver* driver);

} // namespace Changes

Q_DECLARE_METATYPE(Changes::Change)

class ChangeListener : public QObject {
    Q_OBJECT
public:
    explicit ChangeListener(QObject* parent = nullptr);
    ~ChangeListener() override;
    // The listener of a connection (the data module's: DataModule6::ConnectionName), made on
    // first use and kept for the program's life.
    static ChangeListener& of(const QString& connection);
    // Listens on the followed connection `name`, and again after every reopen of it. While
    // the connection is idle its end is noticed without asking the server (libpq sees the
    // session close) and it is opened again, every few seconds until the server is back.
    void listen(const QString& name);
    // Stops listening (the connection is closed for good).
    void stop();
    bool isListening() const;

signals:
    void changed(const Changes::Change& change);
    // The connection was opened anew; what changed meanwhile is unknown.
    void reconnected();

private:
    void subscribe();
    void received(const QString& channel, QSqlDriver::NotificationSource source, const QVariant& payload);
    void watch();

    // Whether the server can be reached again, asked without blocking: a connection of its own
    // is started and looked at once a tick, and only when the server has answered is the lost
    // connection opened again (which then takes a moment, not the whole connect timeout).
    bool serverAnswers();
    void dropProbe();

    QString name_;
    QMetaObject::Connection notifications_;
    void* probe_ = nullptr; // PGconn* of a connection attempt under way
    qint64 probeStarted_ = 0;
    QTimer watchdog_;
    int waitTicks_ = 0;
    int backoff_ = 1;
    bool hooked_ = false;
};
