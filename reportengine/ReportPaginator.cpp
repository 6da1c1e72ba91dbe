#include "reportengine/ReportPaginator.h"

#include "db/Query.h"

#include <algorithm>
#include <limits>
#include <memory>
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
constexpr double TextGap = 0.8; // mm kept free between two texts of a band

// A running total in exact decimals: units of 10^-15. Money is summed this way and rounded
// once, where it prints; binary floating point would make the total depend on the order of
// the rows, and so differ by a kopeck between reports that add the same lines.
class ExactSum {
public:
    static constexpr int Scale = 15;

    // Adds a value; false (and the total no longer exact) where it cannot be held.
    void add(const QVariant& v) {
        if (!exact_ || v.isNull() || !v.isValid()) return;
        QString text;
        switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            units_ += static_cast<__int128>(v.toLongLong()) * pow10(Scale);
            return;
        case QMetaType::Double:
        case QMetaType::Float:
            // The value's decimal form, as the server turns a float8 into a numeric.
            text = QString::number(v.toDouble(), 'g', 15);
            break;
        default:
            text = v.toString().trimmed();
        }
        __int128 units = 0;
        if (text.isEmpty()) return;
        if (!parse(text, units)) {
            exact_ = false;
            return;
        }
        units_ += units;
    }
    bool exact() const { return exact_; }
    void reset() {
        units_ = 0;
        exact_ = true;
    }
    double value() const { return text().toDouble(); }
    // The total's exact decimal form.
    QString text() const {
        const bool negative = units_ < 0;
        unsigned __int128 u = negative ? -static_cast<unsigned __int128>(units_) : units_;
        QString digits;
        do {
            digits.prepend(QChar(u'0' + int(u % 10)));
            u /= 10;
        } while (u > 0);
        while (digits.size() <= Scale)
            digits.prepend(u'0');
        digits.insert(digits.size() - Scale, u'.');
        if (negative) digits.prepend(u'-');
        return digits;
    }

private:
    static __int128 pow10(int n) {
        __int128 r = 1;
        while (n-- > 0)
            r *= 10;
        return r;
    }
    // "-123.4500", "1e-05": to units, the digits past the scale rounded half away from zero.
    static bool parse(const QString& text, __int128& out) {
        qsizetype i = 0;
        bool negative = false;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
        __int128 mantissa = 0;
        int digits = 0, fraction = 0;
        bool point = false, any = false;
        for (; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'.' && !point) {
                point = true;
                continue;
            }
            if (!c.isDigit()) break;
            any = true;
            if (mantissa == 0 && c == u'0') {
                if (point) ++fraction;
                continue;
            }
            if (++digits > 36) return false;
            mantissa = mantissa * 10 + (c.unicode() - u'0');
            if (point) ++fraction;
        }
        if (!any) return false;
        int exponent = 0;
        if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
            bool ok = false;
            exponent = text.mid(i + 1).toInt(&ok);
            if (!ok) return false;
        } else if (i != text.size()) {
            return false;
        }
        const int shift = Scale + exponent - fraction;
        if (shift >= 0) {
            if (digits + shift > 36) return false;
            mantissa *= pow10(shift);
        } else if (-shift > 36) {
            mantissa = 0;
        } else {
            const __int128 d = pow10(-shift);
            mantissa = (mantissa + d / 2) / d;
        }
        out = negative ? -mantissa : mantissa;
        return true;
    }

    __int128 units_ = 0;
    bool exact_ = true;
};
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
                    if (const Node* f = exactField(s)) {
                        exactSums_.insert(s, ExactSum());
                        exactFieldOf_.insert(s, f->text);
                    }
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
    Value sumValue(const Node* node) const override {
        const auto exact = exactSums_.constFind(node);
        if (exact != exactSums_.constEnd() && exact->exact() && node->args[0]->op == Node::Field)
            return Value::exactly(exact->text());
        return Value::of(sum(node));
    }
    double sum(const Node* node) const override {
        // A sum of a field, or of a field divided or multiplied by a number, is kept exact.
        const auto exact = exactSums_.constFind(node);
        if (exact == exactSums_.constEnd() || !exact->exact()) return sums_.value(node);
        const Node* arg = node->args[0].get();
        const double total = exact->value();
        if (arg->op == Node::Div) return arg->args[1]->number == 0 ? 0 : total / arg->args[1]->number;
        if (arg->op == Node::Mul) return total * arg->args[1]->number;
        return total;
    }
    QLocale locale() const override { return locale_; }

    // Starts the first page.
    void begin() {
        model_.setup = d_.page;
        startPage(true);
    }

    // Lays out up to `count` more rows, the report's end after the last one; true when done.
    bool advance(int count) {
        if (done_) return true;
        const int n = rows_.count();
        const int levels = int(d_.groups.size());
        for (const int end = next_ + std::min(std::max(count, 1), n - next_); next_ < end; ++next_) {
            const int r = next_;
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
        if (next_ < n) return false;
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
        done_ = true;
        return true;
    }

    bool done() const { return done_; }
    const PageModel& model() const { return model_; }
    PageModel take() { return std::move(model_); }

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

    // Starts a new page unless `height` still fits; true when it did.
    bool ensure(double height) {
        if (y_ + height <= bottom_ + Epsilon || pageEmpty_) return false;
        finishPage();
        startPage(false);
        return true;
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
        for (const Node* s : sumNodes_) {
            sums_[s] += Expression::evaluate(s->args[0].get(), *this).toNumber();
            auto exact = exactSums_.find(s);
            if (exact != exactSums_.end()) {
                const int c = column_.value(exactFieldOf_.value(s), -1);
                if (c >= 0) exact->add(rows_.value(row_, c));
            }
        }
    }

    // The field a sum adds, where the sum is of the field itself or of the field divided or
    // multiplied by a number.
    static const Node* exactField(const Node* sum) {
        const Node* arg = sum->args[0].get();
        if (arg->op == Node::Field) return arg;
        if ((arg->op == Node::Div || arg->op == Node::Mul) && arg->args[0]->op == Node::Field &&
            arg->args[1]->op == Node::Num)
            return arg->args[0].get();
        return nullptr;
    }

    void groupFooter(int g) {
        for (const Band& b : d_.bands) {
            if (b.kind != BandKind::GroupFooter || b.group != g) continue;
            double height = b.height;
            for (int k = 0; k <= g; ++k)
                if (const Band* h = d_.band(BandKind::GroupHeader, k)) height += h->height;
            if (y_ + b.height > bottom_ + Epsilon && !pageEmpty_) {
                // A page that would open with the sums of a group names the group first: its
                // headers (and those of the groups around it) print again above the footer.
                ensure(height);
                for (int k = 0; k <= g; ++k)
                    if (const Band* h = d_.band(BandKind::GroupHeader, k)) place(*h);
            }
            place(b);
            for (const Node* s : sumsOf_.value(&b)) {
                sums_[s] = 0;
                auto exact = exactSums_.find(s);
                if (exact != exactSums_.end()) exact->reset();
            }
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
        const std::size_t firstText = page.texts.size();
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
        separateTexts(page, firstText);
        frame(rect, band.frame, page);
        y_ += band.height;
        if (band.kind != BandKind::ColumnHeader && band.kind != BandKind::PageFooter) pageEmpty_ = false;
    }

    // Where a text's ink lies across the page.
    static std::pair<double, double> ink(const TextElement& t) {
        const double w = t.advance * t.stretch;
        const double x = t.align == Align::Left     ? t.rect.left()
                         : t.align == Align::Centre ? t.rect.center().x() - w / 2
                                                    : t.rect.right() - w;
        return {x, x + w};
    }

    // Fits a text into [from, to]: its rectangle is cut to that room and the text narrowed
    // to the room as far as needed.
    static void fitInto(TextElement& t, double from, double to) {
        QRectF r = t.rect;
        r.setLeft(std::max(r.left(), from));
        r.setRight(std::min(r.right(), to));
        if (r.width() < Epsilon) r.setWidth(Epsilon);
        t.rect = r;
        if (t.advance > r.width()) t.stretch = std::min(t.stretch, r.width() / t.advance);
    }

    // No two texts of a band touch: where one's ink would reach within TextGap of its
    // neighbour's (items that overlap in the layout, or a text still too wide at the narrowest
    // it is allowed), the two share the room between them and each is narrowed into its part.
    static void separateTexts(Page& page, std::size_t first) {
        std::vector<TextElement*> texts;
        for (std::size_t i = first; i < page.texts.size(); ++i)
            texts.push_back(&page.texts[i]);
        std::sort(texts.begin(), texts.end(),
                  [](const TextElement* a, const TextElement* b) { return ink(*a).first < ink(*b).first; });
        for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
            TextElement& a = *texts[i];
            TextElement& b = *texts[i + 1];
            if (a.rect.bottom() <= b.rect.top() + Epsilon || b.rect.bottom() <= a.rect.top() + Epsilon)
                continue;
            const auto [aFrom, aTo] = ink(a);
            const auto [bFrom, bTo] = ink(b);
            if (aTo + TextGap <= bFrom + Epsilon) continue;
            // The border between them: in the middle of where their items overlap, or of the
            // space between the items' edges.
            double border = (std::min(a.rect.right(), b.rect.right()) + std::max(b.rect.left(), aFrom)) / 2;
            border = std::clamp(border, aFrom + 1, std::max(aFrom + 1, bTo - 1));
            fitInto(a, aFrom, border - TextGap / 2);
            fitInto(b, border + TextGap / 2, bTo);
        }
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
    QHash<const Node*, ExactSum> exactSums_;
    QHash<const Node*, QString> exactFieldOf_;
    PageModel model_;
    int next_ = 0; // the next row to lay out
    bool done_ = false;
    int row_ = -1;
    double y_ = 0;
    bool pageEmpty_ = true;
    double bottom_ = 0;
    double footerHeight_ = 0;
};

} // namespace

PageModel paginate(const Definition& definition, const RowSource& rows, const TextMeasurer& measurer,
                   const QLocale& locale) {
    Layouter layouter(definition, rows, measurer, locale);
    layouter.begin();
    layouter.advance(std::numeric_limits<int>::max());
    return layouter.take();
}

struct Layout::Impl {
    std::unique_ptr<Layouter> layouter;
    PageModel finished;
};

Layout::Layout(const Definition& definition, const RowSource& rows, const TextMeasurer& measurer,
               const QLocale& locale)
    : impl_(std::make_unique<Impl>()) {
    impl_->layouter = std::make_unique<Layouter>(definition, rows, measurer, locale);
    impl_->layouter->begin();
}

Layout::Layout(PageModel finished) : impl_(std::make_unique<Impl>()) {
    impl_->finished = std::move(finished);
}

Layout::~Layout() = default;

bool Layout::advance(int rows) {
    return !impl_->layouter || impl_->layouter->advance(rows);
}

void Layout::finish() {
    advance(std::numeric_limits<int>::max());
}

bool Layout::done() const {
    return !impl_->layouter || impl_->layouter->done();
}

const PageModel& Layout::model() const {
    return impl_->layouter ? impl_->layouter->model() : impl_->finished;
}

int Layout::finishedPages() const {
    const int pages = model().pageCount();
    return done() ? pages : std::max(0, pages - 1);
}

bool Layout::firstPageReady(int slice) {
    while (finishedPages() < 1 && !advance(slice)) {
    }
    return finishedPages() >= 1;
}

} // namespace report
