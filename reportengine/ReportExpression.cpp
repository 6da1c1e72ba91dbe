#include "reportengine/ReportExpression.h"

#include <cmath>
#include <QDate>
#include <QMetaType>
#include <QRegularExpression>

namespace report {

Value Value::fromVariant(const QVariant& v, bool numericColumn) {
    if (!v.isValid() || v.isNull()) return null();
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return of(v.toDouble());
    case QMetaType::QString:
        if (numericColumn) {
            bool ok = false;
            const double n = v.toString().toDouble(&ok);
            if (ok) {
                Value value = of(n);
                const QString text = v.toString().trimmed();
                static const QRegularExpression plain(QStringLiteral("^[-+]?[0-9]+(\\.[0-9]*)?$"));
                if (plain.match(text).hasMatch()) value.decimal = text;
                return value;
            }
        }
        return of(v.toString());
    case QMetaType::QDate:
        return of(QLocale().toString(v.toDate(), QLocale::ShortFormat));
    default:
        return of(v.toString());
    }
}

Value Value::exactly(const QString& decimal) {
    Value v = of(decimal.toDouble());
    v.decimal = decimal;
    return v;
}

Value EvalContext::sumValue(const Node* node) const {
    return Value::of(sum(node));
}

double Value::toNumber() const {
    switch (kind) {
    case Number:
        return number;
    case Text: {
        bool ok = false;
        const double n = text.trimmed().toDouble(&ok);
        return ok ? n : 0;
    }
    default:
        return 0;
    }
}

bool Value::toBool() const {
    return kind == Text ? !text.isEmpty() : toNumber() != 0;
}

namespace {

struct Token {
    enum Kind { End, Number, Text, Name, Op } kind = End;
    QString text;
    double number = 0;
    int position = 0;
};

class Parser {
public:
    explicit Parser(const QString& source) : s_(source) { advance(); }

    std::unique_ptr<Node> parseAll() {
        auto node = comparison();
        if (token_.kind != Token::End) fail(QStringLiteral("лишний текст \"%1\"").arg(token_.text));
        return node;
    }

private:
    [[noreturn]] void fail(const QString& reason) const {
        throw ReportError(
            QStringLiteral("Выражение \"%1\": %2 (позиция %3)").arg(s_, reason).arg(token_.position + 1));
    }

    void advance() {
        while (pos_ < s_.size() && s_[pos_].isSpace())
            ++pos_;
        token_ = {};
        token_.position = int(pos_);
        if (pos_ >= s_.size()) return;
        const QChar c = s_[pos_];
        if (c.isDigit() || (c == u'.' && pos_ + 1 < s_.size() && s_[pos_ + 1].isDigit())) {
            const qsizetype start = pos_;
            while (pos_ < s_.size() && (s_[pos_].isDigit() || s_[pos_] == u'.'))
                ++pos_;
            token_.kind = Token::Number;
            token_.text = s_.mid(start, pos_ - start);
            bool ok = false;
            token_.number = token_.text.toDouble(&ok);
            if (!ok) fail(QStringLiteral("неверное число \"%1\"").arg(token_.text));
            return;
        }
        if (c == u'\'') {
            QString text;
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size()) fail(QStringLiteral("строка не закрыта"));
                if (s_[pos_] == u'\'') {
                    // '' inside a text stands for one quote
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == u'\'') {
                        text += u'\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                text += s_[pos_++];
            }
            token_.kind = Token::Text;
            token_.text = text;
            return;
        }
        if (c.isLetter() || c == u'_') {
            const qsizetype start = pos_;
            while (pos_ < s_.size() && (s_[pos_].isLetterOrNumber() || s_[pos_] == u'_'))
                ++pos_;
            token_.kind = Token::Name;
            token_.text = s_.mid(start, pos_ - start);
            return;
        }
        static const QString twoChar[] = {QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">=")};
        for (const QString& op : twoChar) {
            if (s_.mid(pos_, 2) == op) {
                token_.kind = Token::Op;
                token_.text = op;
                pos_ += 2;
                return;
            }
        }
        if (QStringLiteral("+-*/=<>(),").contains(c)) {
            token_.kind = Token::Op;
            token_.text = c;
            ++pos_;
            return;
        }
        fail(QStringLiteral("непонятный знак \"%1\"").arg(c));
    }

    bool isOp(const char* op) const { return token_.kind == Token::Op && token_.text == QLatin1String(op); }
    void expect(const char* op) {
        if (!isOp(op)) fail(QStringLiteral("ожидается \"%1\"").arg(QLatin1String(op)));
        advance();
    }

    static std::unique_ptr<Node> make(Node::Op op, std::unique_ptr<Node> a, std::unique_ptr<Node> b = {}) {
        auto n = std::make_unique<Node>();
        n->op = op;
        n->args.push_back(std::move(a));
        if (b) n->args.push_back(std::move(b));
        return n;
    }

    std::unique_ptr<Node> comparison() {
        auto left = additive();
        static const std::pair<const char*, Node::Op> ops[] = {{"=", Node::Eq},  {"<>", Node::Ne},
                                                               {"<", Node::Lt},  {">", Node::Gt},
                                                               {"<=", Node::Le}, {">=", Node::Ge}};
        for (const auto& [text, op] : ops) {
            if (isOp(text)) {
                advance();
                return make(op, std::move(left), additive());
            }
        }
        return left;
    }

    std::unique_ptr<Node> additive() {
        auto left = term();
        while (isOp("+") || isOp("-")) {
            const Node::Op op = isOp("+") ? Node::Add : Node::Sub;
            advance();
            left = make(op, std::move(left), term());
        }
        return left;
    }

    std::unique_ptr<Node> term() {
        auto left = unary();
        while (isOp("*") || isOp("/")) {
            const Node::Op op = isOp("*") ? Node::Mul : Node::Div;
            advance();
            left = make(op, std::move(left), unary());
        }
        return left;
    }

    std::unique_ptr<Node> unary() {
        if (isOp("-")) {
            advance();
            return make(Node::Neg, unary());
        }
        if (isOp("+")) {
            advance();
            return unary();
        }
        return primary();
    }

    std::unique_ptr<Node> primary() {
        auto n = std::make_unique<Node>();
        switch (token_.kind) {
        case Token::Number:
            n->op = Node::Num;
            n->number = token_.number;
            advance();
            return n;
        case Token::Text:
            n->op = Node::Str;
            n->text = token_.text;
            advance();
            return n;
        case Token::Name: {
            const QString name = token_.text.toLower();
            advance();
            if (isOp("(")) return call(name);
            if (name == QLatin1String("pagenumber")) {
                n->op = Node::PageNumber;
                return n;
            }
            n->op = Node::Field;
            n->text = name;
            return n;
        }
        case Token::Op:
            if (isOp("(")) {
                advance();
                auto inner = comparison();
                expect(")");
                return inner;
            }
            fail(QStringLiteral("неожиданный знак \"%1\"").arg(token_.text));
        case Token::End:
            break;
        }
        fail(QStringLiteral("выражение не закончено"));
    }

    std::unique_ptr<Node> call(const QString& name) {
        const int position = token_.position;
        advance(); // "("
        std::vector<std::unique_ptr<Node>> args;
        if (!isOp(")")) {
            args.push_back(comparison());
            while (isOp(",")) {
                advance();
                args.push_back(comparison());
            }
        }
        expect(")");
        auto n = std::make_unique<Node>();
        int arity = 1;
        if (name == QLatin1String("if")) {
            n->op = Node::If;
            arity = 3;
        } else if (name == QLatin1String("str")) {
            n->op = Node::StrFn;
        } else if (name == QLatin1String("sum")) {
            n->op = Node::Sum;
        } else {
            token_.position = position;
            fail(QStringLiteral("неизвестная функция \"%1\"").arg(name.toUpper()));
        }
        if (int(args.size()) != arity)
            fail(QStringLiteral("%1 ожидает аргументов: %2").arg(name.toUpper()).arg(arity));
        n->args = std::move(args);
        if (n->op == Node::Sum) checkNoSum(n->args[0].get());
        return n;
    }

    void checkNoSum(const Node* n) {
        if (n->op == Node::Sum) fail(QStringLiteral("SUM внутри SUM"));
        for (const auto& a : n->args)
            checkNoSum(a.get());
    }

    QString s_;
    qsizetype pos_ = 0;
    Token token_;
};

int compareValues(const Value& a, const Value& b) {
    const bool numeric = (a.kind != Value::Text || b.kind != Value::Text) &&
                         (a.kind == Value::Number || b.kind == Value::Number || (a.isNull() && b.isNull()));
    if (numeric) {
        const double x = a.toNumber(), y = b.toNumber();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    const QString x = a.kind == Value::Text ? a.text : QString();
    const QString y = b.kind == Value::Text ? b.text : QString();
    return QString::compare(x, y);
}

QString plainNumber(double n, const QLocale& locale) {
    if (n == 0) n = 0; // no "-0"
    QString s = (std::floor(n) == n && std::fabs(n) < 1e15) ? QString::number(n, 'f', 0)
                                                            : QString::number(n, 'g', 15);
    if (locale.decimalPoint() != QLatin1String(".")) s.replace(u'.', locale.decimalPoint());
    return s;
}

// An exact decimal text rounded to `decimals`, half away from zero: "-2.345" → "-2.35".
QString roundDecimal(const QString& text, int decimals) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t.remove(0, 1);
    }
    const qsizetype point = t.indexOf(u'.');
    QString whole = point < 0 ? t : t.left(point);
    QString fraction = point < 0 ? QString() : t.mid(point + 1);
    if (whole.isEmpty()) whole = QStringLiteral("0");
    bool up = fraction.size() > decimals && fraction[decimals] >= u'5';
    fraction = fraction.left(decimals).leftJustified(decimals, u'0');
    QString digits = whole + fraction;
    for (qsizetype i = digits.size() - 1; up && i >= 0; --i) {
        if (digits[i] == u'9') {
            digits[i] = u'0';
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            up = false;
        }
    }
    if (up) digits.prepend(u'1');
    QString out = digits.left(digits.size() - decimals);
    while (out.size() > 1 && out.startsWith(u'0'))
        out.remove(0, 1);
    if (decimals > 0) out += u'.' + digits.right(decimals);
    if (negative && out.contains(QRegularExpression(QStringLiteral("[1-9]")))) out.prepend(u'-');
    return out;
}

void collectFields(const Node* n, QStringList& out) {
    if (n->op == Node::Field && !out.contains(n->text)) out << n->text;
    for (const auto& a : n->args)
        collectFields(a.get(), out);
}

void collectSums(const Node* n, std::vector<const Node*>& out) {
    if (n->op == Node::Sum) {
        out.push_back(n);
        return;
    }
    for (const auto& a : n->args)
        collectSums(a.get(), out);
}

} // namespace

std::shared_ptr<const Expression> Expression::parse(const QString& text) {
    auto e = std::make_shared<Expression>();
    e->text_ = text;
    if (text.trimmed().isEmpty()) throw ReportError(QStringLiteral("Пустое выражение"));
    e->root_ = Parser(text).parseAll();
    return e;
}

Value Expression::evaluate(const Node* n, const EvalContext& cx) {
    switch (n->op) {
    case Node::Num:
        return Value::of(n->number);
    case Node::Str:
        return Value::of(n->text);
    case Node::Field:
        return cx.field(n->text);
    case Node::PageNumber:
        return Value::of(double(cx.pageNumber()));
    case Node::Neg:
        return Value::of(-evaluate(n->args[0].get(), cx).toNumber());
    case Node::Add: {
        const Value a = evaluate(n->args[0].get(), cx), b = evaluate(n->args[1].get(), cx);
        if (a.kind == Value::Text || b.kind == Value::Text)
            return Value::of(formatValue(a, {}, cx.locale()) + formatValue(b, {}, cx.locale()));
        return Value::of(a.toNumber() + b.toNumber());
    }
    case Node::Sub:
        return Value::of(evaluate(n->args[0].get(), cx).toNumber() -
                         evaluate(n->args[1].get(), cx).toNumber());
    case Node::Mul:
        return Value::of(evaluate(n->args[0].get(), cx).toNumber() *
                         evaluate(n->args[1].get(), cx).toNumber());
    case Node::Div: {
        const double d = evaluate(n->args[1].get(), cx).toNumber();
        if (d == 0) return Value::null();
        return Value::of(evaluate(n->args[0].get(), cx).toNumber() / d);
    }
    case Node::Eq:
    case Node::Ne:
    case Node::Lt:
    case Node::Gt:
    case Node::Le:
    case Node::Ge: {
        const Value a = evaluate(n->args[0].get(), cx), b = evaluate(n->args[1].get(), cx);
        // An empty value equals nothing that is there: an empty kind is not kind 0, so it
        // prints as the other kinds do, as the export and the kind filter take it.
        if (a.isNull() != b.isNull()) return Value::of(n->op == Node::Ne ? 1.0 : 0.0);
        const int c = compareValues(a, b);
        const bool r = n->op == Node::Eq   ? c == 0
                       : n->op == Node::Ne ? c != 0
                       : n->op == Node::Lt ? c < 0
                       : n->op == Node::Gt ? c > 0
                       : n->op == Node::Le ? c <= 0
                                           : c >= 0;
        return Value::of(r ? 1.0 : 0.0);
    }
    case Node::If:
        return evaluate(n->args[0].get(), cx).toBool() ? evaluate(n->args[1].get(), cx)
                                                       : evaluate(n->args[2].get(), cx);
    case Node::StrFn: {
        const Value v = evaluate(n->args[0].get(), cx);
        return Value::of(formatValue(v, {}, cx.locale()));
    }
    case Node::Sum:
        return cx.sumValue(n);
    }
    return Value::null();
}

QStringList Expression::fields() const {
    QStringList out;
    collectFields(root_.get(), out);
    return out;
}

std::vector<const Node*> Expression::sums() const {
    std::vector<const Node*> out;
    collectSums(root_.get(), out);
    return out;
}

bool isNumberFormat(const QString& format, int* decimals) {
    if (!format.startsWith(QLatin1String("#0"))) return false;
    const QString rest = format.mid(2);
    int n = 0;
    if (!rest.isEmpty()) {
        if (rest[0] != u'.' || rest.size() < 2) return false;
        for (qsizetype i = 1; i < rest.size(); ++i)
            if (rest[i] != u'0') return false;
        n = int(rest.size() - 1);
    }
    if (decimals) *decimals = n;
    return true;
}

QString formatValue(const Value& value, const QString& format, const QLocale& locale) {
    if (format.isEmpty()) {
        if (value.kind == Value::Text) return value.text;
        if (value.isNull()) return {};
        if (!value.decimal.isEmpty() && value.decimal.size() <= 30) {
            // The exact digits without trailing zeros.
            QString s = value.decimal;
            if (s.contains(u'.')) {
                while (s.endsWith(u'0'))
                    s.chop(1);
                if (s.endsWith(u'.')) s.chop(1);
            }
            if (s.startsWith(u'+')) s.remove(0, 1);
            if (s == QLatin1String("-0") || s.isEmpty()) s = QStringLiteral("0");
            if (locale.decimalPoint() != QLatin1String(".")) s.replace(u'.', locale.decimalPoint());
            return s;
        }
        return plainNumber(value.number, locale);
    }
    int decimals = 0;
    if (!isNumberFormat(format, &decimals))
        throw ReportError(QStringLiteral("Неизвестный формат \"%1\"").arg(format));
    if (value.isNull()) return {};
    if (value.kind == Value::Text) {
        bool ok = false;
        value.text.toDouble(&ok);
        if (!ok) return value.text; // a text is printed as it is
    }
    if (value.kind == Value::Number && !value.decimal.isEmpty()) {
        QString s = roundDecimal(value.decimal, decimals);
        if (locale.decimalPoint() != QLatin1String(".")) s.replace(u'.', locale.decimalPoint());
        return s;
    }
    // Rounded on the value's decimal form (15 significant digits), so 2.675 prints 2.68 as on
    // a calculator, not 2.67 as its binary neighbour would.
    const double scaled = QString::number(value.toNumber() * std::pow(10.0, decimals), 'g', 15).toDouble();
    double whole = std::round(scaled);
    if (whole == 0) whole = 0;
    QString s = QString::number(whole / std::pow(10.0, decimals), 'f', decimals);
    if (locale.decimalPoint() != QLatin1String(".")) s.replace(u'.', locale.decimalPoint());
    return s;
}

} // namespace report
