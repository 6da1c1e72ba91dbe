#include "reports/ReportForm.h"

#include "db/DataModule6.h"
#include "reportengine/ReportPainter.h"

using namespace report;

ReportForm::ReportForm(QObject* parent) : QObject(parent) {}

void ReportForm::onConnection(Query& query, const QString& sql) {
    query.setConnectionName(DataModule6::ConnectionName);
    query.setSql(sql);
}

PageModel ReportForm::prepare(const TextMeasurer& measurer) {
    return paginate(QuickRep1, QueryRows(reportQuery()), measurer);
}

PageModel ReportForm::prepare() {
    return prepare(FontMeasurer());
}

void ReportForm::preview(const PreviewRequest& request) {
    // The preview opens on the first page; the rest is laid out while it is shown.
    const QueryRows rows(reportQuery());
    const FontMeasurer measurer;
    Layout layout(QuickRep1, rows, measurer);
    layout.firstPageReady();
    reportViewer().preview(layout, request);
}

void PeriodReport::applyKind(Query& query, int kindIndex) {
    if (kindIndex != 1 && kindIndex != 2) {
        query.clearFilter();
        return;
    }
    // Finished product is kind 0; every other kind, an empty one included, is blanks, as the
    // reports and the export name them.
    const bool finished = kindIndex == 1;
    query.setFilter([finished](const QSqlRecord& row) {
        const QVariant v = row.value(QStringLiteral("naimen"));
        return (!v.isNull() && v.toInt() == 0) == finished;
    });
}

namespace {
// The last day a period covers: the day before its exclusive end (the first day itself for a
// period that ends where it starts).
QDate lastDay(const QDate& data1, const QDate& data2) {
    return data2 > data1 ? data2.addDays(-1) : data1;
}
} // namespace

QString PeriodReport::title(const QString& piece, const QDate& data1, const QDate& data2,
                            const QLocale& locale) {
    return piece + locale.toString(data1, QLocale::ShortFormat) + QStringLiteral(" по ") +
           locale.toString(lastDay(data1, data2), QLocale::ShortFormat);
}

QString PeriodReport::fileName(const QString& report, const QDate& data1, const QDate& data2) {
    const QString format = QStringLiteral("dd.MM.yyyy");
    return QStringLiteral("%1 с %2 по %3.pdf")
        .arg(report, data1.toString(format), lastDay(data1, data2).toString(format));
}

void PeriodReport::run(const QString& titlePiece, const QString& reportName, const QDate& data1,
                       const QDate& data2, int kindIndex) {
    Query& query = reportQuery();
    // A query left open by an interrupted report would otherwise show its old rows.
    query.close();
    QueryCloser closer(query);
    query.setParam(QStringLiteral("data1"), data1);
    query.setParam(QStringLiteral("data2"), data2);
    applyKind(query, kindIndex);
    query.open();
    QRLabel1->text = title(titlePiece, data1, data2);
    preview({QRLabel1->text.trimmed(), fileName(reportName, data1, data2), false});
}

void PeriodReport::addTitle(double height, double titleLeft, double titlePoints) {
    Band& b = QuickRep1.add(
        layout::band(QStringLiteral("title"), BandKind::ReportHeader, height, layout::TitleGround));
    Item& t = b.add(layout::label({}, titleLeft, 100, heading(titlePoints, true)));
    t.name = QStringLiteral("QRLabel1");
}

void PeriodReport::addSpacer() {
    QuickRep1.add(layout::band(QStringLiteral("spacer"), BandKind::ReportHeader, 0.5));
}

Band& PeriodReport::addGroupHeader(const QString& name, const QString& field, double height,
                                   const QString& printed) {
    QuickRep1.groups.push_back({field});
    Band& b = QuickRep1.add(layout::band(name, BandKind::GroupHeader, height, layout::GroupGround,
                                         int(QuickRep1.groups.size()) - 1));
    Item& f =
        b.add(layout::value(printed.isEmpty() ? field : printed, 0.3, 100, Align::Left, heading(10, true)));
    f.autoGrow = true;
    return b;
}

Band& PeriodReport::addReportFooter(double height, double totalLeft) {
    Band& b = QuickRep1.add(
        layout::band(QStringLiteral("total"), BandKind::ReportFooter, height, layout::TotalGround));
    b.frame = Frame::box();
    b.add(
        layout::label(QStringLiteral("Итого:"), totalLeft, 13.0, body(11, true), Align::Left, layout::White));
    return b;
}

void PeriodReport::addPageFooter() {
    Band& b = QuickRep1.add(layout::band(QStringLiteral("pageFooter"), BandKind::PageFooter, 4.2));
    b.add(layout::value(QStringLiteral("PAGENUMBER"), 176.2, 11.9, Align::Left, heading(9)));
}

void PeriodReport::finish() {
    QuickRep1.compile();
    QRLabel1 = QuickRep1.item(QStringLiteral("QRLabel1"));
}

namespace layout {

Item label(const QString& text, double left, double width, const Font& font, Align align,
           const QColor& ground) {
    Item i;
    i.text = text;
    i.left = left;
    i.width = width;
    i.font = font;
    i.align = align;
    i.ground = ground;
    i.autoGrow = true;
    return i;
}

Item value(const QString& expression, double left, double width, Align align, const Font& font,
           const QString& format, const QColor& ground) {
    Item i;
    i.expression = expression;
    i.left = left;
    i.width = width;
    i.align = align;
    i.font = font;
    i.format = format;
    i.ground = ground;
    return i;
}

Item sum(const QString& expression, double left, double width, double points, const QString& format) {
    return value(expression, left, width, Align::Centre, body(points, true), format, SumGround);
}

Band band(const QString& name, BandKind kind, double height, const QColor& ground, int group) {
    Band b;
    b.name = name;
    b.kind = kind;
    b.height = height;
    b.ground = ground;
    b.group = group;
    return b;
}

} // namespace layout
