#pragma once
// The pages of a prepared report: what lands on which page and where, in millimetres from
// the paper's top left corner. The painter draws it; tests read it.
#include "reportengine/ReportDefinition.h"

#include <QLineF>
#include <QRectF>
#include <QStringList>
#include <vector>

namespace report {

struct TextElement {
    QRectF rect;
    QString text;
    Font font;
    Align align = Align::Left;
    // Below 1 the text is narrowed to this share of its width, to fit its item.
    double stretch = 1;
    double advance = 0; // the text's own width in mm (before narrowing)
    QString band;       // the band's name
    QString item;       // the item's name, its expression for unnamed items
};

struct FillElement {
    QRectF rect;
    QColor color;
};

struct LineElement {
    QLineF line;
    Qt::PenStyle style = Qt::SolidLine;
    QColor color = Qt::black;
    double width = 0.2;
};

struct PlacedBand {
    QString name;
    BandKind kind = BandKind::Detail;
    QRectF rect;
    int row = -1; // the row a detail, group header or footer printed for
};

struct Page {
    std::vector<PlacedBand> bands;
    std::vector<FillElement> fills;
    std::vector<TextElement> texts;
    std::vector<LineElement> lines;

    // Names of the bands in the order they were placed.
    QStringList bandNames() const;
    // Texts of one band's items in the order they were placed (every band when empty).
    QStringList textsOf(const QString& band = {}) const;
    // The text an item printed in the n-th placement (0-based) of a band on this page.
    const TextElement* text(const QString& band, const QString& item, int n = 0) const;
};

struct PageModel {
    PageSetup setup;
    std::vector<Page> pages;

    int pageCount() const { return int(pages.size()); }
    // The whole report's texts of one band, page after page.
    QStringList textsOf(const QString& band) const;
};

} // namespace report
