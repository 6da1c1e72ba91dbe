#include "db/SqlText.h"

#include <cmath>

namespace SqlText {

QString date(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

double roundTo(double value, int decimals) {
    // The shortest text that reads back as the same double is what the user saw; round that
    // text, not the binary value, so 2.675 becomes 2.68 and not 2.67.
    QString text = QString::number(value, 'g', 17);
    const QString shortest = QString::number(value, 'g', 15);
    if (shortest.toDouble() == value) text = shortest;
    bool ok = false;
    const double exact = text.toDouble(&ok);
    if (!ok || !std::isfinite(exact)) return value;
    const double scale = std::pow(10.0, decimals);
    const double scaled = QString::number(exact * scale, 'g', 15).toDouble();
    return std::round(scaled) / scale;
}

static QString shortest(double value) {
    QString text = QString::number(value, 'f', 4);
    if (text.contains('.')) {
        while (text.endsWith('0'))
            text.chop(1);
        if (text.endsWith('.')) text.chop(1);
    }
    if (text == QLatin1String("-0")) text = QStringLiteral("0");
    return text;
}

QString price(double value) {
    return shortest(roundTo(value, 4));
}

} // namespace SqlText

QString DecimalToDb(const QString& text, const QString& delim) {
    qsizetype at = text.indexOf(',');
    if (at < 0) at = text.indexOf('.');
    if (at < 0) return text;
    QString out = text;
    out.replace(at, 1, delim);
    return out;
}
