#pragma once
// A banded report as the layouts describe it: the page, the groups and the bands in the order
// they print, each band with its fixed height, ground, frame and items. Positions and sizes
// are millimetres; an item's left edge counts from the left margin, its top from the band's
// top. The paginator (ReportPaginator.h) turns a definition and rows into pages.
//
// Every expression of a definition is read by compile(); one the engine cannot read is a
// ReportError there, before any row is printed.
#include "reportengine/ReportExpression.h"

#include <deque>
#include <memory>
#include <QColor>
#include <QPageLayout>
#include <QString>
#include <vector>

namespace report {

struct Font {
    QString family; // as the layout names it; see ReportPainter's fontFor for stand-ins
    double points = 9;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

enum class Align { Left, Centre, Right };

// Rules along the edges of an item or a band.
struct Frame {
    bool top = false;
    bool bottom = false;
    bool left = false;
    bool right = false;
    Qt::PenStyle style = Qt::SolidLine; // Qt::DotLine for dotted rules
    QColor color = Qt::black;
    double width = 0.2; // mm

    bool any() const { return top || bottom || left || right; }
    static Frame box(QColor color = Qt::black) { return {true, true, true, true, Qt::SolidLine, color, 0.2}; }
};

struct Item {
    QString name; // "QRLabel1"; may be empty
    // A label prints `text`. Any other item prints its expression: a field name, or an
    // expression of the report language (see ReportExpression.h).
    QString text;
    QString expression;
    // "#0", "#0.00", "#0.000"; empty: the value's plain form.
    QString format;
    double left = 0;
    double width = 10;
    double top = 0;    // within the band
    double height = 0; // 0: to the band's foot
    Align align = Align::Left;
    Font font;
    QColor ground; // invalid: none, the band's ground shows through
    Frame frame;
    // The item widens to its text (never narrower than `width`, never past the right margin).
    bool autoGrow = false;

    std::shared_ptr<const Expression> compiled; // set by Definition::compile for expression items
    bool isLabel() const { return expression.isEmpty(); }
};

enum class BandKind {
    ReportHeader, // once, at the top of the first page; several print one under the other
    ColumnHeader, // under the report header on the first page, at the top of every later page
    GroupHeader,  // before the first row and whenever its group's value changes
    Detail,       // one per row
    GroupFooter,  // after the last row of its group; its sums start again afterwards
    ReportFooter, // once, after the last group footer; its sums cover every row
    PageFooter,   // at the foot of every page
};

struct Band {
    QString name;
    BandKind kind = BandKind::Detail;
    double height = 5;
    int group = -1; // group headers and footers: the index into Definition::groups
    QColor ground;  // invalid: white paper
    Frame frame;
    // Detail: the row goes on the page only where this much room stays below it.
    double keepRoomBelow = 0;
    std::deque<Item> items; // a deque: an item added never moves the ones before it

    Item& add(Item item) {
        items.push_back(std::move(item));
        return items.back();
    }
};

struct Group {
    QString field; // the rows change group where this field's value changes
};

struct PageSetup {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double margin = 10; // on all four sides

    // A4.
    double pageWidth() const { return orientation == QPageLayout::Portrait ? 210 : 297; }
    double pageHeight() const { return orientation == QPageLayout::Portrait ? 297 : 210; }
    double printableWidth() const { return pageWidth() - 2 * margin; }
};

class Definition {
public:
    PageSetup page;
    std::vector<Group> groups; // outermost first
    std::deque<Band> bands;    // in print order; a deque, so a band added never moves another

    Band& add(Band band) {
        bands.push_back(std::move(band));
        return bands.back();
    }
    // Reads every expression; throws ReportError naming the band and item of the first one it
    // cannot read, or a sum outside the group and report footers. Called by the layouts once
    // they are complete; pointers to items stay valid because the bands never change after.
    void compile();
    bool isCompiled() const { return compiled_; }

    Item* item(const QString& name);
    const Band* band(BandKind kind, int group = -1) const;
    std::vector<const Band*> bandsOf(BandKind kind) const;

private:
    bool compiled_ = false;
};

// Fonts of the layouts: the heading font and the body fonts.
Font heading(double points, bool bold = false);
Font body(double points, bool bold = false);
Font bodyDetail(double points, bool bold = false); // the timesheet's detail band

} // namespace report
