#include "reportengine/ReportPainter.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

namespace report {

namespace {
QString familyFor(const QString& family) {
    static QHash<QString, QString> chosen;
    auto it = chosen.constFind(family);
    if (it != chosen.constEnd()) return *it;
    QString use = family;
    if (!QFontDatabase::hasFamily(family)) use = QStringLiteral("Liberation Sans");
    chosen.insert(family, use);
    return use;
}

QPageLayout layoutOf(const PageModel& model) {
    return QPageLayout(QPageSize(QPageSize::A4), model.setup.orientation, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

// Where texts are measured: a device of print resolution, so widths do not suffer from
// rounding to screen pixels.
const QPaintDevice& measuringDevice() {
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(47244); // 1200 dpi
        image.setDotsPerMeterY(47244);
        return image;
    }();
    return device;
}
} // namespace

QFont fontFor(const Font& font) {
    QFont f(familyFor(font.family));
    f.setPointSizeF(font.points);
    f.setBold(font.bold);
    // The same advances on screen, in the PDF and on paper.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

struct FontMeasurer::Cache {
    struct PerFont {
        Font font;
        QFontMetricsF metrics;
        QHash<QString, double> widths;
    };
    std::vector<PerFont> fonts;

    PerFont& of(const Font& font) {
        for (PerFont& f : fonts)
            if (f.font == font) return f;
        fonts.push_back({font, QFontMetricsF(fontFor(font), &measuringDevice()), {}});
        return fonts.back();
    }
};

FontMeasurer::FontMeasurer() : cache_(std::make_unique<Cache>()) {}
FontMeasurer::~FontMeasurer() = default;

double FontMeasurer::width(const QString& text, const Font& font) const {
    Cache::PerFont& f = cache_->of(font);
    auto it = f.widths.constFind(text);
    if (it != f.widths.constEnd()) return *it;
    const double w = f.metrics.horizontalAdvance(text) * 25.4 / measuringDevice().logicalDpiX();
    f.widths.insert(text, w);
    return w;
}

void paintPage(const PageModel& model, int index, QPainter& painter) {
    if (index < 0 || index >= model.pageCount()) return;
    const Page& page = model.pages[std::size_t(index)];
    QPaintDevice* device = painter.device();
    const double sx = device->logicalDpiX() / 25.4;
    const double sy = device->logicalDpiY() / 25.4;
    auto toDevice = [sx, sy](const QRectF& r) {
        return QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy);
    };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(Qt::NoPen);
    for (const FillElement& f : page.fills)
        painter.fillRect(toDevice(f.rect), f.color);

    painter.setPen(Qt::black);
    // Texts are placed on their baseline from the widths the paginator measured: much
    // cheaper than laying each one out in its rectangle, and the same on every device.
    Font last;
    bool haveFont = false;
    double baselineShift = 0;
    for (const TextElement& t : page.texts) {
        if (!haveFont || !(t.font == last)) {
            const QFont font = fontFor(t.font);
            painter.setFont(font);
            const QFontMetricsF metrics(font, device);
            baselineShift = (metrics.ascent() - metrics.descent()) / 2;
            last = t.font;
            haveFont = true;
        }
        const QRectF r = toDevice(t.rect);
        const double width = t.advance * sx * t.stretch;
        const double x = t.align == Align::Left     ? r.left()
                         : t.align == Align::Centre ? r.center().x() - width / 2
                                                    : r.right() - width;
        const QPointF baseline(x, r.center().y() + baselineShift);
        const bool overflows = width > r.width() + 0.5;
        if (overflows) {
            // Still too wide at the narrowest: cut at the item's edges.
            painter.save();
            painter.setClipRect(r);
        }
        if (t.stretch >= 1) {
            painter.drawText(baseline, t.text);
        } else {
            painter.save();
            painter.translate(baseline);
            painter.scale(t.stretch, 1);
            painter.drawText(QPointF(0, 0), t.text);
            painter.restore();
        }
        if (overflows) painter.restore();
    }

    for (const LineElement& l : page.lines) {
        QPen pen(l.color);
        pen.setWidthF(std::max(1.0, l.width * sx));
        pen.setStyle(l.style);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(QLineF(l.line.x1() * sx, l.line.y1() * sy, l.line.x2() * sx, l.line.y2() * sy));
    }
    painter.restore();
}

void setUpPrinter(const PageModel& model, QPrinter& printer) {
    printer.setFullPage(true);
    printer.setPageLayout(layoutOf(model));
}

std::pair<int, int> pagesToPrint(const PageModel& model, const QPrinter& printer) {
    int from = 0, to = model.pageCount() - 1;
    // The print dialog's "pages from .. to" (counted from 1; 0 where the user named none).
    if (printer.printRange() == QPrinter::PageRange) {
        if (printer.fromPage() > 0) from = printer.fromPage() - 1;
        if (printer.toPage() > 0) to = std::min(to, printer.toPage() - 1);
    }
    return {from, to};
}

void printPages(const PageModel& model, QPrinter& printer) {
    printPages(model, printer, {});
}

bool printPages(const PageModel& model, QPrinter& printer, const Progress& progress) {
    QPainter painter(&printer);
    const auto [from, to] = pagesToPrint(model, printer);
    for (int i = from; i <= to; ++i) {
        if (progress && !progress(i - from, to - from + 1)) {
            printer.abort();
            return false;
        }
        if (i > from) printer.newPage();
        paintPage(model, i, painter);
    }
    if (progress) progress(to - from + 1, to - from + 1);
    return true;
}

bool writePdf(const PageModel& model, const QString& path, const QString& title, QString* error,
              const Progress& progress) {
    if (error) error->clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("tabel"));
        writer.setResolution(600);
        writer.setPageLayout(layoutOf(model));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            if (error) *error = QStringLiteral("PDF не создан");
            return false;
        }
        const int total = model.pageCount();
        for (int i = 0; i < total; ++i) {
            if (progress && !progress(i, total)) {
                painter.end();
                file.cancelWriting();
                return false;
            }
            if (i > 0) writer.newPage();
            paintPage(model, i, painter);
        }
        painter.end();
        if (progress) progress(total, total);
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace report
