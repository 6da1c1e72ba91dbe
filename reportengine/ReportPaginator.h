#pragma once
// Lays a compiled definition and its rows out on pages:
//  - the report header bands at the top of the first page, then the column header, which
//    starts every later page again;
//  - per row: the footers of the groups that end (innermost first) and the headers of those
//    that begin, then the detail; every group and report footer sum adds the row;
//  - a group footer's sums start again from zero once it has printed; the report footer's
//    cover every row;
//  - the page footer at the foot of every page.
// Keep-together: a group header goes on a page only where it, the headers that open with it
// and the first row fit, and where its own footer would fit below it too; a detail row only
// where its band's keepRoomBelow stays free under it. A band taller than an empty page is
// placed anyway, so the report always ends. An auto-growing item widens to its text (to the
// right when left-aligned, to both sides when centred, to the left when right-aligned), never
// past the margins.
#include "reportengine/PageModel.h"
#include "reportengine/ReportDefinition.h"

#include <memory>
#include <QLocale>
#include <QSqlRecord>
#include <QVariant>
#include <QVector>

class Query;

namespace report {

// The rows a report prints, in order.
class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int count() const = 0;
    // Column names in lower case.
    virtual QStringList columns() const = 0;
    virtual QVariant value(int row, int column) const = 0;
    // Whether the column holds numbers (numeric columns arrive as exact texts).
    virtual bool isNumeric(int column) const = 0;
};

// The visible rows of an open Query (its row filter applied).
class QueryRows final : public RowSource {
public:
    explicit QueryRows(const Query& query);
    int count() const override;
    QStringList columns() const override { return columns_; }
    QVariant value(int row, int column) const override;
    bool isNumeric(int column) const override { return numeric_.value(column); }

private:
    const Query& query_;
    QStringList columns_;
    QVector<bool> numeric_;
};

// Rows held in memory.
class ListRows final : public RowSource {
public:
    ListRows(const QStringList& columns, const QList<QVariantList>& rows) : columns_(columns), rows_(rows) {
        for (QString& c : columns_)
            c = c.toLower();
    }
    int count() const override { return int(rows_.size()); }
    QStringList columns() const override { return columns_; }
    QVariant value(int row, int column) const override { return rows_[row].value(column); }
    bool isNumeric(int) const override { return false; }

private:
    QStringList columns_;
    QList<QVariantList> rows_;
};

// Widths of texts in millimetres; the real one measures fonts (ReportPainter.h), tests use
// fixed widths so layouts do not depend on the installed fonts.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual double width(const QString& text, const Font& font) const = 0;
};

// Throws ReportError when the definition reads a field the rows do not have, or was not compiled.
PageModel paginate(const Definition& definition, const RowSource& rows, const TextMeasurer& measurer,
                   const QLocale& locale = QLocale());

// A report laid out a slice of rows at a time, so its first pages can be shown while the rest
// is still being laid out; it ends with the same pages as paginate(). The definition, rows and
// measurer must outlive it.
class Layout {
public:
    // Throws ReportError as paginate() does.
    Layout(const Definition& definition, const RowSource& rows, const TextMeasurer& measurer,
           const QLocale& locale = QLocale());
    // A report already laid out.
    explicit Layout(PageModel finished);
    ~Layout();
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    // Lays out up to `rows` more rows (the report's end after the last); true when done.
    bool advance(int rows);
    // Lays out the rest.
    void finish();
    bool done() const;
    // The pages so far; until done() the last of them may still grow.
    const PageModel& model() const;
    // Pages that no longer change: every page once done, all but the last before.
    int finishedPages() const;
    // Lays out slices of `slice` rows until the first page is complete; false for no pages.
    bool firstPageReady(int slice = 50);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace report
