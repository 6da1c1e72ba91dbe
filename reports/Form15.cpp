#include "reports/Form15.h"

using namespace report;
using namespace layout;

const double Form15::DayLeft[31] = {81.2,  87.8,  93.7,  100.0, 106.1, 112.4, 118.8, 125.4,
                                    131.8, 137.6, 143.1, 148.7, 154.3, 159.8, 165.4, 170.9,
                                    176.5, 182.0, 187.6, 193.1, 198.7, 204.3, 209.8, 215.4,
                                    220.9, 226.5, 232.0, 237.6, 243.2, 248.7, 254.3};

// Grouped by the worker's number, so two namesakes are two lines with their own hours.
QString Form15::sql() {
    return QStringLiteral(
        "select person.s_caption fio,h_tabel.w_id,sum(d1) as sd1,sum(d2) as sd2,sum(d3) as sd3,sum(d4) as "
        "sd4,\n"
        "sum(d5) as sd5,sum(d6) as sd6,sum(d7) as sd7,sum(d8) as sd8,sum(d9) as sd9,\n"
        "sum(d10) as sd10,sum(d11) as sd11,sum(d12) as sd12,sum(d13) as sd13,\n"
        "sum(d14) as sd14,sum(d15) as sd15,sum(d16) as sd16,sum(d17) as sd17,\n"
        "sum(d18) as sd18,sum(d19) as sd19,sum(d20) as sd20,sum(d21) as sd21,\n"
        "sum(d22) as sd22,sum(d23) as sd23,sum(d24) as sd24,sum(d25) as sd25,\n"
        "sum(d26) as sd26,sum(d27) as sd27,sum(d28) as sd28,sum(d29) as sd29,\n"
        "sum(d30) as sd30,sum(d31) as sd31 from accounts_dep.h_tabel, cmn_contractor.person person where\n"
        "h_tabel.w_id=person.s_code::t_integer and month=:mnth and\n"
        "year=:yea group by fio, h_tabel.w_id order by fio, h_tabel.w_id");
}

Form15::Form15(QObject* parent) : ReportForm(parent) {
    setObjectName(QStringLiteral("Form15"));
    onConnection(H_Tabel, sql());
    QuickRep1.page.orientation = QPageLayout::Landscape;

    Frame dotted;
    dotted.left = dotted.right = true;
    dotted.style = Qt::DotLine;
    dotted.color = RuleGrey;

    Band& columns = QuickRep1.add(band(QStringLiteral("columns"), BandKind::ColumnHeader, 6.6));
    columns.frame.top = columns.frame.bottom = true;
    Item& caption = columns.add(label(QStringLiteral("Данные за:"), 0.0, 20.1, heading(10, true)));
    caption.name = QStringLiteral("QRLabel33");
    for (int day = 1; day <= 31; ++day) {
        Item cell = label(QString::number(day), DayLeft[day - 1], 5.3, heading(10, true), Align::Centre);
        cell.autoGrow = false;
        cell.frame = dotted;
        columns.add(cell);
    }
    columns.add(label(QStringLiteral("Итого"), 264.6, 9.8, heading(10, true), Align::Centre));
    // Read now: adding the next band may move the bands, and `columns` with them.
    const double columnsHeight = columns.height;

    Band& detail = QuickRep1.add(band(QStringLiteral("detail"), BandKind::Detail, 6.3));
    detail.frame.top = detail.frame.bottom = true;
    detail.frame.style = Qt::DotLine;
    detail.frame.color = RuleGrey;
    // The column header is never left without a row under it at the foot of a page.
    detail.keepRoomBelow = columnsHeight;
    detail.add(value(QStringLiteral("fio"), 0.0, 80.4, Align::Left, heading(10)));
    QString total;
    for (int day = 1; day <= 31; ++day) {
        const QString field = QStringLiteral("sd%1").arg(day);
        Item& cell = detail.add(value(field, DayLeft[day - 1], 5.3, Align::Centre, bodyDetail(9)));
        if (day % 2 == 1) cell.frame = dotted;
        total += (day > 1 ? QStringLiteral("+") : QString()) + field;
    }
    detail.add(value(total, 264.6, 10.3, Align::Centre, bodyDetail(9, true)));

    Band& pageFooter = QuickRep1.add(band(QStringLiteral("pageFooter"), BandKind::PageFooter, 4.5));
    pageFooter.add(value(QStringLiteral("PAGENUMBER"), 252.7, 25.7, Align::Right, body(10)));

    QuickRep1.compile();
    QRLabel33 = QuickRep1.item(QStringLiteral("QRLabel33"));
}

void Form15::openMonth(int month, int year) {
    H_Tabel.close();
    H_Tabel.setParam(QStringLiteral("mnth"), month);
    H_Tabel.setParam(QStringLiteral("yea"), year);
    H_Tabel.open();
}

QString Form15::fileName(int month, int year) {
    static const char* months[] = {"январь", "февраль", "март",     "апрель",  "май",    "июнь",
                                   "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};
    const QString name =
        month >= 1 && month <= 12 ? QString::fromUtf8(months[month - 1]) : QString::number(month);
    return QStringLiteral("Табель за %1 %2.pdf").arg(name).arg(year);
}

void Form15::printMonth(int month, int year, const QString& caption) {
    QueryCloser closer(H_Tabel);
    openMonth(month, year);
    QRLabel33->text = caption;
    preview({caption.trimmed().isEmpty() ? fileName(month, year).chopped(4) : caption.trimmed(),
             fileName(month, year), true});
}
