#include "reportengine/ReportDefinition.h"

namespace report {

namespace {
QString where(const Band& band, const Item& item) {
    return QStringLiteral("полоса \"%1\", элемент \"%2\"")
        .arg(band.name, item.name.isEmpty() ? item.expression : item.name);
}
} // namespace

void Definition::compile() {
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const QString field = groups[g].field.trimmed();
        bool plainName = !field.isEmpty() && (field[0].isLetter() || field[0] == u'_');
        for (QChar c : field)
            plainName = plainName && (c.isLetterOrNumber() || c == u'_');
        if (!plainName)
            throw ReportError(QStringLiteral("Группа %1: \"%2\" не имя поля").arg(g + 1).arg(field));
    }
    for (Band& band : bands) {
        const bool grouped = band.kind == BandKind::GroupHeader || band.kind == BandKind::GroupFooter;
        if (grouped != (band.group >= 0 && band.group < int(groups.size())))
            throw ReportError(QStringLiteral("Полоса \"%1\": неверная группа").arg(band.name));
        if (band.height <= 0)
            throw ReportError(QStringLiteral("Полоса \"%1\": нулевая высота").arg(band.name));
        const bool sumsAllowed = band.kind == BandKind::GroupFooter || band.kind == BandKind::ReportFooter;
        for (Item& item : band.items) {
            if (!item.format.isEmpty() && !isNumberFormat(item.format))
                throw ReportError(
                    QStringLiteral("%1: неизвестный формат \"%2\"").arg(where(band, item), item.format));
            if (item.isLabel()) continue;
            try {
                item.compiled = Expression::parse(item.expression);
            } catch (const ReportError& e) {
                throw ReportError(where(band, item) + QStringLiteral(": ") + e.message());
            }
            if (!sumsAllowed && !item.compiled->sums().empty())
                throw ReportError(where(band, item) + QStringLiteral(": SUM возможна только в итогах"));
        }
    }
    compiled_ = true;
}

Item* Definition::item(const QString& name) {
    for (Band& band : bands)
        for (Item& item : band.items)
            if (item.name == name) return &item;
    return nullptr;
}

const Band* Definition::band(BandKind kind, int group) const {
    for (const Band& band : bands)
        if (band.kind == kind && band.group == group) return &band;
    return nullptr;
}

std::vector<const Band*> Definition::bandsOf(BandKind kind) const {
    std::vector<const Band*> out;
    for (const Band& band : bands)
        if (band.kind == kind) out.push_back(&band);
    return out;
}

Font heading(double points, bool bold) {
    return {QStringLiteral("Arial"), points, bold};
}
Font body(double points, bool bold) {
    return {QStringLiteral("MS Sans Serif"), points, bold};
}
Font bodyDetail(double points, bool bold) {
    return {QStringLiteral("Microsoft Sans Serif"), points, bold};
}

} // namespace report
