#include "reportengine/ReportPaginator.h"

#include "db/Query.h"

#include <QHash>
#include <QSqlField>

namespace report {

QStringList Page::bandNames() const {
    QStringList out;
    for (const PlacedBand& b : bands)
        out << b.name;
    return out;
}

QStringList Page::textsOf(const QString& band) const {
    QStringList out;
    for (const TextElement& t : texts)
        if (band.isEmpty() || t.band == band) out << t.text;
    return out;
}

const TextElement* Page::text(const QString& band, const QString& item, int n) const {
    // Placements of the band are told apart by the band rectangles they fall in.
    int seen = -1;
    for (const PlacedBand& b : bands) {
        if (b.name != band) continue;
        if (++seen != n) continue;
        for (const TextElement& t : texts)
            if (t.band == band && t.item == item && b.rect.contains(t.rect.center())) return &t;
        return nullptr;
    }
    return nullptr;
}

QStringList PageModel::textsOf(const QString& band) const {
    QStringList out;
    for (const Page& p : pages)
        out << p.textsOf(band);
    return out;
}

QueryRows::QueryRows(const Query& query) : query_(query) {
    const QSqlRecord header = query.fields();
    for (int c = 0; c < header.count(); ++c) {
        columns_ << header.fieldName(c).toLower();
        const int type = header.field(c).metaType().id();
        numeric_ << (type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::LongLong ||
                     type == QMetaType::UInt || type == QMetaType::ULongLong || type == QMetaType::Short);
    }
}

int QueryRows::count() const {
    return query_.recordCount();
}

QVariant QueryRows::value(int row, int column) const {
    return query_.value(row, column);
}

namespace {

constexpr double Epsilon = 1e-6;
constexpr double GrowPadding = 0.5; // mm
constexpr double MinStretch = 0.5;

class Layouter final : public EvalContext {
public:
    Layouter(const Definition& d, const RowSource& rows, const TextMeasurer& measurer, const QLocale& locale)
        : d_(d), rows_(rows), measurer_(measurer), locale_(locale) {
        const QStringList columns = rows.columns();
        for (int c = 0; c < columns.size(); ++c)
            column_.insert(columns[c], c);
        checkFields();
        for (const Band& band : d.bands) {
            if (band.kind != BandKind::GroupFooter && band.kind != BandKind::ReportFooter) continue;
            for (const Item& item : band.items) {
                if (!item.compiled) continue;
                for (const Node* s : item.compiled->sums()) {
                    sumNodes_.push_back(s);
                    sumsOf_[&band].push_back(s);
                    sums_.insert(s, 0);
                }
            }
        }
        for (const Group& g : d.groups)
            groupColumns_ << column_.value(g.field.toLower());
        const auto footers = d.bandsOf(BandKind::PageFooter);
        for (const Band* b : footers)
            footerHeight_ += b->height;
        bottom_ = d.page.pageHeight() - d.page.margin - footerHeight_;
    }

    // EvalContext
    Value field(const QString& name) const override {
        if (row_ < 0) return Value::null();
        const int c = column_.value(name, -1);
        if (c < 0) return Value::null();
        return Value::fromVariant(rows_.value(row_, c), rows_.isNumeric(c));
    }
    int pageNumber() const override { return int(model_.pages.size()); }
    double sum(const Node* node) const override { return sums_.value(node); }
    QLocale locale() const override { return locale_; }

    PageModel run() {
        model_.setup = d_.page;
        const int n = rows_.count();
        const int levels = int(d_.groups.size());
        startPage(true);
        for (int r = 0; r < n; ++r) {
            int changed = levels; // the outermost group that changes at this row
            if (r == 0) {
                changed = 0;
            } else {
                for (int g = 0; g < levels; ++g) {
                    if (groupValue(r, g) != groupValue(r - 1, g)) {
                        changed = g;
                        break;
                    }
                }
            }
            if (r > 0) {
                row_ = r - 1;
                for (int g = levels - 1; g >= changed; --g)
                    groupFooter(g);
            }
            row_ = r;
            if (changed < levels) groupHeaders(changed);
            detail();
        }
        if (n > 0) {
            row_ = n - 1;
            for (int g = levels - 1; g >= 0; --g)
                groupFooter(g);
        }
        row_ = -1;
        for (const Band* b : d_.bandsOf(BandKind::ReportFooter)) {
            ensure(b->height);
            place(*b);
        }
        finishPage();
        return std::move(model_);
    }

private:
    void checkFields() const {
        auto check = [this](const QString& name, const QString& where) {
            if (!column_.contains(name.toLower()))
                throw ReportError(QStringLiteral("%1: поля \"%2\" нет в запросе").arg(where, name));
        };
        if (!d_.isCompiled()) throw ReportError(QStringLiteral("Отчет не подготовлен"));
        for (const Group& g : d_.groups)
            check(g.field, QStringLiteral("Группа"));
        for (const Band& band : d_.bands)
            for (const Item& item : band.items)
                if (item.compiled)
                    for (const QString& f : item.compiled->fields())
                        check(f, QStringLiteral("Полоса \"%1\"").arg(band.name));
    }

    QVariant groupValue(int r, int g) const { return rows_.value(r, groupColumns_[g]); }

    void startPage(bool first) {
        model_.pages.emplace_back();
        y_ = d_.page.margin;
        const auto titles = d_.bandsOf(BandKind::ReportHeader);
        if (first)
            for (const Band* b : titles)
                place(*b);
        for (const Band* b : d_.bandsOf(BandKind::ColumnHeader))
            place(*b);
        // A page that holds only its repeated column header takes the next band whatever its
        // height; the first page's report header is content of its own.
        pageEmpty_ = !(first && !titles.empty());
    }

    void finishPage() {
        y_ = bottom_;
        for (const Band* b : d_.bandsOf(BandKind::PageFooter))
            place(*b);
    }

    void ensure(double height) {
        if (y_ + height <= bottom_ + Epsilon || pageEmpty_) return;
        finishPage();
        startPage(false);
    }

    void groupHeaders(int from) {
        const int levels = int(d_.groups.size());
        double together = 0;
        for (int g = from; g < levels; ++g)
            if (const Band* h = d_.band(BandKind::GroupHeader, g)) together += h->height;
        if (const Band* detail = d_.band(BandKind::Detail))
            together += detail->height + detail->keepRoomBelow;
        if (const Band* h = d_.band(BandKind::GroupHeader, from))
            if (const Band* f = d_.band(BandKind::GroupFooter, from))
                together = std::max(together, h->height + f->height);
        ensure(together);
        for (int g = from; g < levels; ++g) {
            if (const Band* h = d_.band(BandKind::GroupHeader, g)) {
                ensure(h->height);
                place(*h);
            }
        }
    }

    void detail() {
        for (const Band* b : d_.bandsOf(BandKind::Detail)) {
            ensure(b->height + b->keepRoomBelow);
            place(*b);
        }
        for (const Node* s : sumNodes_)
            sums_[s] += Expression::evaluate(s->args[0].get(), *this).toNumber();
    }

    void groupFooter(int g) {
        for (const Band& b : d_.bands) {
            if (b.kind != BandKind::GroupFooter || b.group != g) continue;
            ensure(b.height);
            place(b);
            for (const Node* s : sumsOf_.value(&b))
                sums_[s] = 0;
        }
    }

    void frame(const QRectF& r, const Frame& f, Page& page) const {
        if (!f.any()) return;
        auto line = [&](QPointF a, QPointF b) {
            page.lines.push_back({QLineF(a, b), f.style, f.color, f.width});
        };
        if (f.top) line(r.topLeft(), r.topRight());
        if (f.bottom) line(r.bottomLeft(), r.bottomRight());
        if (f.left) line(r.topLeft(), r.bottomLeft());
        if (f.right) line(r.topRight(), r.bottomRight());
    }

    void place(const Band& band) {
        Page& page = model_.pages.back();
        const double left = d_.page.margin;
        const double right = d_.page.pageWidth() - d_.page.margin;
        const QRectF rect(left, y_, right - left, band.height);
        const bool rowBand = band.kind == BandKind::Detail || band.kind == BandKind::GroupHeader ||
                             band.kind == BandKind::GroupFooter;
        page.bands.push_back({band.name, band.kind, rect, rowBand ? row_ : -1});
        if (band.ground.isValid()) page.fills.push_back({rect, band.ground});
        for (const Item& item : band.items) {
            const QString text = item.isLabel()
                                     ? item.text
                                     : formatValue(item.compiled->evaluate(*this), item.format, locale_);
            double x = left + item.left;
            double width = item.width;
            double needed = -1;
            if (item.autoGrow && !text.isEmpty()) {
                needed = measurer_.width(text, item.font);
                // A little room beyond the text's advance, so no glyph is clipped on a coarse device.
                const double extra = needed + GrowPadding - width;
                if (extra > 0) {
                    width += extra;
                    if (item.align == Align::Centre) x -= extra / 2;
                    if (item.align == Align::Right) x -= extra;
                    x = std::max(x, left);
                    width = std::min(width, right - x);
                }
            }
            const double height = item.height > 0 ? item.height : band.height - item.top;
            const QRectF r(x, y_ + item.top, width, height);
            if (item.ground.isValid()) page.fills.push_back({r, item.ground});
            if (!text.isEmpty()) {
                // A text wider than its item is narrowed rather than cut or run into its
                // neighbour (the layouts were drawn for narrower fonts than their stand-ins).
                double stretch = 1;
                if (needed < 0) needed = measurer_.width(text, item.font);
                if (needed > width + Epsilon) stretch = std::max(MinStretch, width / needed);
                page.texts.push_back({r, text, item.font, item.align, stretch, needed, band.name,
                                      item.name.isEmpty() ? item.expression : item.name});
            }
            frame(r, item.frame, page);
        }
        frame(rect, band.frame, page);
        y_ += band.height;
        if (band.kind != BandKind::ColumnHeader && band.kind != BandKind::PageFooter) pageEmpty_ = false;
    }

    const Definition& d_;
    const RowSource& rows_;
    const TextMeasurer& measurer_;
    QLocale locale_;
    QHash<QString, int> column_;
    QVector<int> groupColumns_;
    std::vector<const Node*> sumNodes_;
    QHash<const Band*, std::vector<const Node*>> sumsOf_;
    QHash<const Node*, double> sums_;
    PageModel model_;
    int row_ = -1;
    double y_ = 0;
    bool pageEmpty_ = true;
    double bottom_ = 0;
    double footerHeight_ = 0;
};

} // namespace

PageModel paginate(const Definition& definition, const RowSource& rows, const TextMeasurer& measurer,
                   const QLocale& locale) {
    return Layouter(definition, rows, measurer, locale).run();
}

} // namespace report
