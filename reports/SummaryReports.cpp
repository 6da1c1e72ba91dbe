#include "reports/SummaryReports.h"
#include "reports/PeriodLines.h"

#include "spreadsheet/ExcelExport.h"

#include <cmath>

namespace SummaryReports {

std::pair<QDate, QDate> defaultPeriod(const QDate& today) {
    const QDate thisMonth(today.year(), today.month(), 1);
    return {thisMonth.addMonths(-1), thisMonth.addDays(-1)};
}

QString xlsRepSql() {
    return QStringLiteral("select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,\n"
                          "izdel.nom, oper.naimen, smena.color, "
                          "izdel.massa*sum(smena.kol_vo-smena.brak)::bigint as mass\nfrom ") +
           PeriodLines::summed(QStringLiteral("i_id, o_id, color")) + PeriodLines::names() +
           QStringLiteral("group by izdel.nom, smena.color, oper.naimen, vid_oper.vid, izdel.massa order by "
                          "izdel.nom");
}

QString operationText(const QVariant& vid, const QVariant& color) {
    const QString kind = vid.toString();
    const int c = color.isNull() ? 0 : color.toInt();
    if (c > 1) return kind + QStringLiteral(" (цвет: ") + QString::number(c) + QStringLiteral(")");
    if (c == 1) return kind + QStringLiteral(" (грунт)");
    return kind;
}

QString kindText(const QVariant& naimen) {
    return !naimen.isNull() && naimen.toInt() == 0 ? QStringLiteral("Готовая продукция")
                                                   : QStringLiteral("Заготовки");
}

namespace {
// Numeric columns arrive as the server's exact texts.
double number(const QVariant& v) {
    if (v.isNull()) return 0;
    if (v.metaType().id() == QMetaType::QString) return v.toString().toDouble();
    return v.toDouble();
}
} // namespace

QString massText(const QVariant& mass, const QLocale& locale) {
    double m = number(mass);
    if (m == 0) m = 0;
    QString s = QString::number(m, 'g', 15);
    if (locale.decimalPoint() != QLatin1String(".")) s.replace(u'.', locale.decimalPoint());
    return s;
}

QString kolvoText(const QVariant& kolvo) {
    // nearbyint rounds in the current mode: to nearest, a half to the even neighbour.
    const double whole = std::nearbyint(number(kolvo));
    return QString::number(qint64(whole));
}

bool exportRows(Query& xlsRep, ExcelExport& excel, const std::function<void(int, int)>& progress) {
    if (excel.OpenExcel(QString()) == -1) return false;
    const int n = xlsRep.recordCount();
    progress(0, n);
    const QString titles[] = {QStringLiteral("Наименование"), QStringLiteral("Операция"),
                              QStringLiteral("Вид продукции"), QStringLiteral("Коробки"),
                              QStringLiteral("Кол-во")};
    for (int c = 0; c < 5; ++c)
        excel.WriteCell(1, c + 1, 1, titles[c]);
    const int nom = xlsRep.fieldIndex(QStringLiteral("nom"));
    const int vid = xlsRep.fieldIndex(QStringLiteral("vid"));
    const int color = xlsRep.fieldIndex(QStringLiteral("color"));
    const int naimen = xlsRep.fieldIndex(QStringLiteral("naimen"));
    const int mass = xlsRep.fieldIndex(QStringLiteral("mass"));
    const int kolvo = xlsRep.fieldIndex(QStringLiteral("kolvo"));
    const QLocale locale;
    for (int i = 0; i < n; ++i) {
        const int row = i + 2;
        excel.WriteCell(1, 1, row, xlsRep.value(i, nom).toString());
        excel.WriteCell(1, 2, row, operationText(xlsRep.value(i, vid), xlsRep.value(i, color)));
        excel.WriteCell(1, 3, row, kindText(xlsRep.value(i, naimen)));
        excel.WriteCell(1, 4, row, massText(xlsRep.value(i, mass), locale));
        excel.WriteCell(1, 5, row, kolvoText(xlsRep.value(i, kolvo)));
        progress(i + 1, n);
    }
    excel.SetExcelVisible(true);
    return true;
}

} // namespace SummaryReports
