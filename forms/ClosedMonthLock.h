#pragma once
// A window's writing controls while the month it shows is closed (the database extension's
// month close): disabled, with the reason (the month, who closed it and when) as their tooltip,
// and given back their own state when the month is open again. The database refuses such
// writes whatever a window does; this only says so before the user tries.
#include <QDate>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;

class ClosedMonthLock {
public:
    // `mark`, if given, is shown with a short note while the month is closed.
    ClosedMonthLock() = default;
    explicit ClosedMonthLock(QList<QWidget*> writers, QLabel* mark = nullptr) { watch(writers, mark); }
    void watch(QList<QWidget*> writers, QLabel* mark = nullptr);

    // Follows the month of `date` (asks the server where the extension is installed).
    void follow(const QDate& date);
    // True, and the user told why, when the month of `date` is closed now.
    bool refuse(const QDate& date);
    bool closed() const { return closed_; }
    // The reason shown while closed; empty while open.
    const QString& reason() const { return reason_; }

private:
    void show(bool closed, const QString& reason);
    QList<QPointer<QWidget>> writers_;
    QPointer<QLabel> mark_;
    QMap<QWidget*, bool> enabledBefore_;
    bool closed_ = false;
    QString reason_;
};
