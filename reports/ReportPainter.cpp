#include "reports/ReportPainter.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

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

double FontMeasurer::width(const QString& text, const Font& font) const {
    const QPaintDevice& device = measuringDevice();
    const QFontMetricsF metrics(fontFor(font), &device);
    return metrics.horizontalAdvance(text) * 25.4 / device.logicalDpiX();
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
    QFont current;
    bool haveFont = false;
    Font last;
    for (const TextElement& t : page.texts) {
        if (!haveFont || !(t.font == last)) {
            current = fontFor(t.font);
            painter.setFont(current);
            last = t.font;
            haveFont = true;
        }
        const int horizontal = t.align == Align::Left     ? Qt::AlignLeft
                               : t.align == Align::Centre ? Qt::AlignHCenter
                                                          : Qt::AlignRight;
        painter.drawText(toDevice(t.rect), horizontal | Qt::AlignVCenter | Qt::TextSingleLine, t.text);
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

void printPages(const PageModel& model, QPrinter& printer) {
    QPainter painter(&printer);
    for (int i = 0; i < model.pageCount(); ++i) {
        if (i > 0) printer.newPage();
        paintPage(model, i, painter);
    }
}

bool writePdf(const PageModel& model, const QString& path, const QString& title, QString* error) {
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly)) {
            if (error) *error = probe.errorString();
            return false;
        }
    }
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("tabel"));
    writer.setResolution(600);
    writer.setPageLayout(layoutOf(model));
    QPainter painter;
    if (!painter.begin(&writer)) {
        if (error) *error = QStringLiteral("PDF не создан");
        return false;
    }
    for (int i = 0; i < model.pageCount(); ++i) {
        if (i > 0) writer.newPage();
        paintPage(model, i, painter);
    }
    painter.end();
    return true;
}

} // namespace report
