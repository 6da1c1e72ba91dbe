#pragma once
// A report form: never shown, it holds the report's query and its banded layout QuickRep1.
// The caller sets the query's parameters (and the kind filter), opens it, sets the title,
// has the report prepared and previewed, and closes the query (QueryCloser does the last).
#include "db/Query.h"
#include "reportengine/ReportDefinition.h"
#include "reportengine/ReportPaginator.h"
#include "reportengine/ReportPreview.h"

#include <QDate>
#include <QObject>

class ReportForm : public QObject {
    Q_OBJECT
public:
    report::Definition QuickRep1;

    virtual Query& reportQuery() = 0;

    // The pages of the report over the query's visible rows (its filter applied). The query
    // must be open.
    report::PageModel prepare(const report::TextMeasurer& measurer);
    report::PageModel prepare();
    // Prepares the report and shows it in the preview; returns when the preview is closed.
    void preview(const PreviewRequest& request);

protected:
    explicit ReportForm(QObject* parent = nullptr);
    // Puts a query of the form on the program's connection.
    static void onConnection(Query& query, const QString& sql);
};

// Closes a report's query when the handler that opened it ends, however it ends.
class QueryCloser {
public:
    explicit QueryCloser(Query& query) : query_(query) {}
    ~QueryCloser() { query_.close(); }
    QueryCloser(const QueryCloser&) = delete;
    QueryCloser& operator=(const QueryCloser&) = delete;

private:
    Query& query_;
};

// The four period reports of the summary reports window: `data1` is the first day included,
// `data2` the first day no longer included; the title label is QRLabel1.
class PeriodReport : public ReportForm {
    Q_OBJECT
public:
    report::Item* QRLabel1 = nullptr;

    // The product kind choice of the summary reports window: 0 all rows, 1 finished product
    // only (naimen 0), 2 blanks only (every other kind, an empty one too). A filter on the rows,
    // as the window's export uses.
    static void applyKind(Query& query, int kindIndex);
    // "<piece><first day> по <last day included>", dates in the user's short format.
    static QString title(const QString& piece, const QDate& data1, const QDate& data2,
                         const QLocale& locale = QLocale());
    // "<report> с <first day> по <last day included>.pdf".
    static QString fileName(const QString& report, const QDate& data1, const QDate& data2);

    // The report over the period with the kind choice: the query (re)opened with the period,
    // filtered, the title set to `titlePiece` and the dates, previewed, closed again.
    void run(const QString& titlePiece, const QString& reportName, const QDate& data1, const QDate& data2,
             int kindIndex);

protected:
    using ReportForm::ReportForm;
    // The bands every period report shares. Call in this order around the report's own bands.
    void addTitle(double height, double titleLeft, double titlePoints);
    void addSpacer();
    // The first-level group header: the group's field (or `printed`, where the group breaks on
    // one field and prints another) at 0.3 mm, heading 10 bold, on 224.
    report::Band& addGroupHeader(const QString& name, const QString& field, double height,
                                 const QString& printed = {});
    // The report footer: a box on 220 with "Итого:" on white at `totalLeft`.
    report::Band& addReportFooter(double height, double totalLeft);
    void addPageFooter();
    // Finishes the layout: reads its expressions and finds QRLabel1.
    void finish();
};

// Building blocks of the layouts.
namespace layout {
inline const QColor TitleGround{244, 244, 244};
inline const QColor GroupGround{224, 224, 224};
inline const QColor SumGround{239, 239, 239};
inline const QColor TotalGround{220, 220, 220};
inline const QColor White{255, 255, 255};
inline const QColor RuleGrey{128, 128, 128};

// A fixed text; it widens to its text, as the layouts' labels do.
report::Item label(const QString& text, double left, double width, const report::Font& font,
                   report::Align align = report::Align::Left, const QColor& ground = {});
// A field or an expression.
report::Item value(const QString& expression, double left, double width, report::Align align,
                   const report::Font& font, const QString& format = {}, const QColor& ground = {});
// A sum of a group or report footer: bold, centred, on 239.
report::Item sum(const QString& expression, double left, double width, double points,
                 const QString& format = {});
report::Band band(const QString& name, report::BandKind kind, double height, const QColor& ground = {},
                  int group = -1);
} // namespace layout
