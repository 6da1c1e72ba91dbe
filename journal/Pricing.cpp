#include "journal/Pricing.h"

#include "db/SqlText.h"

#include <cmath>
#include <QLocale>
#include <QStringList>

namespace Pricing {

double pickPrice(double lowestNorm, bool dayOff, int shift) {
    double price = lowestNorm;
    if (dayOff) price *= 2;
    if (shift == 3)
        price *= 1.2;
    else if (shift == 4)
        price *= 1.5;
    return price;
}

namespace {
struct Surcharge {
    double factor;
    const char16_t* name;
};
const Surcharge Known[] = {
    {2.0, u"выходной"},
    {1.2, u"3 смена"},
    {1.5, u"переработка"},
    {2.4, u"выходной, 3 смена"},
    {3.0, u"выходной, переработка"},
};

QLocale russian() {
    return QLocale(QLocale::Russian, QLocale::Russia);
}

// A factor in its shortest form with the Russian comma: 2, 1,2, 0,875.
QString factorText(double factor) {
    return russian().toString(SqlText::roundTo(factor, 4), 'g', 10);
}
} // namespace

QString surchargeWords(bool dayOff, int shift) {
    QStringList parts;
    if (dayOff) parts << QStringLiteral("выходной ×2");
    if (shift == 3)
        parts << QStringLiteral("3 смена ×1,2");
    else if (shift == 4)
        parts << QStringLiteral("переработка ×1,5");
    return parts.isEmpty() ? QStringLiteral("без надбавок") : parts.join(QStringLiteral(", "));
}

QString surchargeWords(double price, double lowestNorm) {
    if (lowestNorm <= 0) return {};
    // A line keeps its price rounded to 4 decimals: that rounding is no factor of its own.
    for (bool dayOff : {false, true})
        for (int shift : {1, 3, 4})
            if (std::abs(price - pickPrice(lowestNorm, dayOff, shift)) <= 0.00005 + 1e-9)
                return surchargeWords(dayOff, shift);
    return QStringLiteral("×%1 к норме").arg(factorText(price / lowestNorm));
}

QString surchargeName(double factor) {
    for (const Surcharge& s : Known)
        if (std::abs(factor - s.factor) < 1e-6) return QString::fromUtf16(s.name);
    return {};
}

QString money(double value) {
    return russian().toString(SqlText::roundTo(value, 2), 'f', 2);
}

QString explainAmount(qlonglong kolVo, qlonglong brak, double price, double lowestNorm) {
    // The journal's amount: (quantity − rejects) × price, rounded to kopecks.
    const double amount = SqlText::roundTo(double(kolVo - brak) * price, 2);
    QString text = QStringLiteral("(%1 − %2) × %3 = %4")
                       .arg(russian().toString(kolVo), russian().toString(brak), money(price), money(amount));
    if (lowestNorm <= 0) return text;
    const double factor = price / lowestNorm;
    if (std::abs(factor - 1.0) < 1e-6)
        return text + QStringLiteral("; цена %1 = норма %2").arg(money(price), money(lowestNorm));
    const QString name = surchargeName(factor);
    text +=
        QStringLiteral("; цена %1 = норма %2 × %3").arg(money(price), money(lowestNorm), factorText(factor));
    if (!name.isEmpty()) text += QStringLiteral(" (%1)").arg(name);
    return text;
}

} // namespace Pricing
