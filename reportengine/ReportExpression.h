#pragma once
// The expression language of the report layouts, read once and evaluated per row:
//   numbers 1.2, texts 'Заготовки', field names (letter case ignored), PAGENUMBER,
//   + (adds numbers, joins texts), - * /, comparisons = <> < > <= >=, parentheses,
//   IF(condition, then, else), STR(value), SUM(value).
// An empty field counts as 0 in arithmetic and as an empty text where texts are joined, so a
// row total over days without hours still adds up. Compared with a value that is there, an
// empty one is unequal (and neither less nor greater).
// Division by zero gives an empty value rather than an infinity on paper.
#include <memory>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <stdexcept>
#include <vector>

namespace report {

// A layout the engine cannot use: an unreadable expression, an unknown field or format.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct Value {
    enum Kind { Null, Number, Text } kind = Null;
    double number = 0;
    QString text;
    // A number's exact decimal form ("1234.5650"), where it has one: a numeric column's value
    // or an exact sum. A number format rounds it rather than its binary neighbour.
    QString decimal;

    static Value null() { return {}; }
    static Value of(double n) { return {Number, n, {}, {}}; }
    static Value of(const QString& s) { return {Text, 0, s, {}}; }
    // A number with its exact decimal form (digits, an optional sign and point, no exponent).
    static Value exactly(const QString& decimal);
    // A field's value. Numbers that the query delivers as exact texts (numeric columns) are
    // read as numbers when `numericColumn` is set.
    static Value fromVariant(const QVariant& v, bool numericColumn);

    bool isNull() const { return kind == Null; }
    // Null counts as 0, a text as the number it reads as (0 otherwise).
    double toNumber() const;
    bool toBool() const;
};

struct Node {
    enum Op { Num, Str, Field, PageNumber, Neg, Add, Sub, Mul, Div, Eq, Ne, Lt, Gt, Le, Ge, If, StrFn, Sum };
    Op op = Num;
    double number = 0;
    QString text; // Str: the text; Field: the field name in lower case
    std::vector<std::unique_ptr<Node>> args;
};

// What an expression reads while it is evaluated.
class EvalContext {
public:
    virtual ~EvalContext() = default;
    // The current row's field (name in lower case); the paginator checks every name first.
    virtual Value field(const QString& name) const = 0;
    virtual int pageNumber() const = 0;
    // The running total of a SUM node.
    virtual double sum(const Node* node) const = 0;
    // The same as a value: with its exact decimal form where the total is kept exactly.
    virtual Value sumValue(const Node* node) const;
    // Numbers joined to texts (STR, +) take its decimal separator.
    virtual QLocale locale() const { return QLocale(); }
};

class Expression {
public:
    // Throws ReportError with the text and the reason when it cannot be read.
    static std::shared_ptr<const Expression> parse(const QString& text);

    const QString& text() const { return text_; }
    Value evaluate(const EvalContext& context) const { return evaluate(root_.get(), context); }
    static Value evaluate(const Node* node, const EvalContext& context);

    // Field names read (lower case), SUM nodes it holds (outermost only).
    QStringList fields() const;
    std::vector<const Node*> sums() const;

private:
    QString text_;
    std::unique_ptr<Node> root_;
};

// Number formats "#0", "#0.00", "#0.000" (any count of zeros after the point): whether the
// text is one, and how many decimals it asks for.
bool isNumberFormat(const QString& format, int* decimals = nullptr);
// The value as an item prints it: with a number format, rounded half away from zero to its
// decimals (on its exact decimal form where it has one); without one, texts as they are, numbers in their
// shortest form (whole numbers without decimals, up to 15 significant digits). The locale's decimal
// separator, no grouping.
QString formatValue(const Value& value, const QString& format, const QLocale& locale);

} // namespace report
