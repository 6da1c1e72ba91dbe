// The report engine on its page model: expressions and number formats, the layouts' errors
// found before printing, group sums and their reset, keep-together, the repeated column
// header and the page footer. Texts are measured at a fixed width per character, so the
// pages do not depend on the installed fonts.
#include "reportengine/ReportDefinition.h"
#include "reportengine/ReportPaginator.h"
#include "reportengine/ReportPainter.h"
#include "reportengine/ReportPreview.h"
#include "tests/support/RecordingMessages.h"

#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace report;

namespace {

// Every character 2 mm wide.
class FixedMeasurer final : public TextMeasurer {
public:
    double width(const QString& text, const Font&) const override { return 2.0 * text.size(); }
};

// Evaluates one expression on one row of named values.
class RowContext final : public EvalContext {
public:
    RowContext(const QVariantMap& row, const QLocale& locale) : row_(row), locale_(locale) {}
    Value field(const QString& name) const override {
        for (auto it = row_.begin(); it != row_.end(); ++it)
            if (it.key().toLower() == name) return Value::fromVariant(it.value(), false);
        return Value::null();
    }
    int pageNumber() const override { return 7; }
    double sum(const Node*) const override { return 0; }
    QLocale locale() const override { return locale_; }

private:
    QVariantMap row_;
    QLocale locale_;
};

Item textItem(const QString& expression, double left = 0, double width = 40, const QString& format = {}) {
    Item i;
    i.expression = expression;
    i.left = left;
    i.width = width;
    i.format = format;
    i.font = body(9);
    return i;
}

Band band(const QString& name, BandKind kind, double height, int group = -1) {
    Band b;
    b.name = name;
    b.kind = kind;
    b.height = height;
    b.group = group;
    return b;
}

const QString NullMark = QStringLiteral("<null>");

QVariant cell(const QString& text) {
    if (text == NullMark) return QVariant(QMetaType(QMetaType::Int));
    bool isInt = false;
    const int n = text.toInt(&isInt);
    if (isInt) return n;
    bool isDouble = false;
    const double d = text.toDouble(&isDouble);
    return isDouble ? QVariant(d) : QVariant(text);
}

// A report grouped by the given fields, with a detail band printing "v", a footer per group
// and a report footer summing v, and a page footer with the page number.
Definition grouped(int levels, double headerHeight, double groupHeader, double detailHeight,
                   double groupFooter) {
    Definition d;
    static const char* fields[] = {"g1", "g2"};
    for (int g = 0; g < levels; ++g)
        d.groups.push_back({QLatin1String(fields[g])});
    Band title = band("title", BandKind::ReportHeader, headerHeight);
    Item label;
    label.name = QStringLiteral("QRLabel1");
    label.text = QStringLiteral("Заголовок");
    title.add(label);
    d.add(title);
    for (int g = 0; g < levels; ++g) {
        Band h = band(QStringLiteral("header%1").arg(g + 1), BandKind::GroupHeader, groupHeader, g);
        h.add(textItem(QLatin1String(fields[g])));
        d.add(h);
    }
    Band detail = band("detail", BandKind::Detail, detailHeight);
    detail.add(textItem("v", 100, 20));
    d.add(detail);
    for (int g = levels - 1; g >= 0; --g) {
        Band f = band(QStringLiteral("footer%1").arg(g + 1), BandKind::GroupFooter, groupFooter, g);
        f.add(textItem("sum(v)", 100, 20));
        d.add(f);
    }
    Band total = band("total", BandKind::ReportFooter, 6);
    total.add(textItem("sum(v)", 100, 20, "#0.00"));
    d.add(total);
    Band pageFooter = band("pageFooter", BandKind::PageFooter, 5);
    pageFooter.add(textItem("PAGENUMBER", 170, 10));
    d.add(pageFooter);
    d.compile();
    return d;
}

// Whether two models place the same bands and texts at the same places.
bool samePages(const PageModel& a, const PageModel& b) {
    if (a.pageCount() != b.pageCount()) return false;
    for (int i = 0; i < a.pageCount(); ++i) {
        const Page& p = a.pages[i];
        const Page& q = b.pages[i];
        if (p.bandNames() != q.bandNames() || p.textsOf() != q.textsOf()) return false;
        if (p.fills.size() != q.fills.size() || p.lines.size() != q.lines.size()) return false;
        for (std::size_t k = 0; k < p.bands.size(); ++k)
            if (p.bands[k].rect != q.bands[k].rect || p.bands[k].row != q.bands[k].row) return false;
    }
    return true;
}

// `count` rows in groups of 7 under groups of 50.
QList<QVariantList> manyRows(int count) {
    QList<QVariantList> rows;
    for (int i = 0; i < count; ++i)
        rows.append(QVariantList{QStringLiteral("A%1").arg(i / 50, 3, 10, QLatin1Char('0')),
                                 QStringLiteral("a%1").arg(i / 7, 4, 10, QLatin1Char('0')), i});
    return rows;
}

} // namespace

class TestReportEngine : public QObject {
    Q_OBJECT

    RecordingMessages shown;

private slots:
    void expressionsPrintWhatTheLayoutsExpect_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("printed");
        const QString colour =
            QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')");
        QTest::newRow("colour 0") << colour << "color"
                                  << "0"
                                  << ""
                                  << " ";
        QTest::newRow("colour empty") << colour << "color" << NullMark << ""
                                      << " ";
        QTest::newRow("colour 1, primer") << colour << "color"
                                          << "1"
                                          << ""
                                          << " (грунт)";
        QTest::newRow("colour 1015") << colour << "color"
                                     << "1015"
                                     << ""
                                     << " (RAL: 1015)";
        const QString kind = QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')");
        QTest::newRow("kind 0") << kind << "naimen"
                                << "0"
                                << ""
                                << "Готовая продукция";
        QTest::newRow("kind 1") << kind << "naimen"
                                << "1"
                                << ""
                                << "Заготовки";
        QTest::newRow("kind empty: not finished product") << kind << "naimen" << NullMark << ""
                                                          << "Заготовки";
        QTest::newRow("plain colour number") << "color"
                                             << "color"
                                             << "1015"
                                             << ""
                                             << "1015";
        QTest::newRow("plain colour 0") << "color"
                                        << "color"
                                        << "0"
                                        << ""
                                        << "0";
        QTest::newRow("plain empty field") << "color"
                                           << "color" << NullMark << ""
                                           << "";
        QTest::newRow("field names ignore case") << "COLOR*2"
                                                 << "color"
                                                 << "4"
                                                 << ""
                                                 << "8";
        QTest::newRow("precedence") << "1+color*2-(3-1)/2"
                                    << "color"
                                    << "5"
                                    << ""
                                    << "10";
        QTest::newRow("division") << "summa/1.2"
                                  << "summa"
                                  << "120"
                                  << "#0.00"
                                  << "100.00";
        QTest::newRow("division by zero prints nothing") << "summa/0"
                                                         << "summa"
                                                         << "120"
                                                         << "#0.00"
                                                         << "";
        QTest::newRow("joined texts") << "'№'+STR(x)+'-'+x"
                                      << "x"
                                      << "12.5"
                                      << ""
                                      << "№12.5-12.5";
        QTest::newRow("quote inside a text") << "'O''Neil '+x"
                                             << "x"
                                             << "1"
                                             << ""
                                             << "O'Neil 1";
        QTest::newRow("page number") << "PAGENUMBER"
                                     << "x"
                                     << "0"
                                     << ""
                                     << "7";
        QTest::newRow("text compared") << "if(x='abc','yes','no')"
                                       << "x"
                                       << "abc"
                                       << ""
                                       << "yes";
        QTest::newRow("empty counts as 0 in a total") << "sd1+sd2+x"
                                                      << "x"
                                                      << "8"
                                                      << ""
                                                      << "8";
    }
    void expressionsPrintWhatTheLayoutsExpect() {
        QFETCH(QString, expression);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, format);
        QFETCH(QString, printed);
        QVariantMap row{{field, cell(value)}};
        if (field != u"sd1") row.insert("sd1", QVariant(QMetaType(QMetaType::Int)));
        const auto e = Expression::parse(expression);
        const RowContext context(row, QLocale::c());
        QCOMPARE(formatValue(e->evaluate(context), format, QLocale::c()), printed);
    }

    void numberFormatsRoundWithTheUsersSeparator_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("printed");
        QTest::newRow("two decimals") << 100.0 << "#0.00"
                                      << "C"
                                      << "100.00";
        QTest::newRow("comma separator") << 120.0 << "#0.00"
                                         << "ru_RU"
                                         << "120,00";
        QTest::newRow("half rounds up") << 2.675 << "#0.00"
                                        << "C"
                                        << "2.68";
        QTest::newRow("negative half away from zero") << -2.5 << "#0"
                                                      << "C"
                                                      << "-3";
        QTest::newRow("three decimals") << 1234567.8915 << "#0.000"
                                        << "ru_RU"
                                        << "1234567,892";
        QTest::newRow("whole number") << 12.5 << "#0"
                                      << "C"
                                      << "13";
        QTest::newRow("small negative is zero") << -0.001 << "#0.00"
                                                << "C"
                                                << "0.00";
        QTest::newRow("leading zero") << 0.5 << "#0.00"
                                      << "C"
                                      << "0.50";
        QTest::newRow("plain whole") << 42.0 << ""
                                     << "ru_RU"
                                     << "42";
        QTest::newRow("plain fraction") << 12.5 << ""
                                        << "ru_RU"
                                        << "12,5";
        QTest::newRow("plain shortest form") << 0.1 + 0.2 << ""
                                             << "C"
                                             << "0.3";
    }
    void numberFormatsRoundWithTheUsersSeparator() {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, locale);
        QFETCH(QString, printed);
        QCOMPARE(formatValue(Value::of(value), format, QLocale(locale)), printed);
    }

    void numericColumnsAreReadAsNumbers() {
        // Numeric columns arrive as the server's exact texts.
        const Value v = Value::fromVariant(QStringLiteral("12.50"), true);
        QCOMPARE(v.kind, Value::Number);
        QCOMPARE(formatValue(v, {}, QLocale::c()), QStringLiteral("12.5"));
        QCOMPARE(Value::fromVariant(QStringLiteral("12.50"), false).text, QStringLiteral("12.50"));
    }

    void unreadableLayoutsFailBeforePrinting_data() {
        QTest::addColumn<QString>("bandKind");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unclosed call") << "detail"
                                       << "if(color>0,'a'"
                                       << ""
                                       << "ожидается";
        QTest::newRow("unknown function") << "detail"
                                          << "FOO(color)"
                                          << ""
                                          << "FOO";
        QTest::newRow("wrong argument count") << "detail"
                                              << "IF(color,1)"
                                              << ""
                                              << "IF";
        QTest::newRow("unclosed text") << "detail"
                                       << "'abc"
                                       << ""
                                       << "строка";
        QTest::newRow("stray sign") << "detail"
                                    << "color ; 1"
                                    << ""
                                    << ";";
        QTest::newRow("sum inside sum") << "footer"
                                        << "sum(sum(v))"
                                        << ""
                                        << "SUM";
        QTest::newRow("sum in a detail band") << "detail"
                                              << "sum(v)"
                                              << ""
                                              << "SUM";
        QTest::newRow("unknown format") << "detail"
                                        << "v"
                                        << "#0.0x"
                                        << "#0.0x";
        QTest::newRow("empty expression") << "detail"
                                          << " "
                                          << ""
                                          << "Пустое";
    }
    void unreadableLayoutsFailBeforePrinting() {
        QFETCH(QString, bandKind);
        QFETCH(QString, expression);
        QFETCH(QString, format);
        QFETCH(QString, reason);
        Definition d;
        Band b = band("band", bandKind == u"footer" ? BandKind::ReportFooter : BandKind::Detail, 5);
        Item& item = b.add(textItem(expression, 0, 20, format));
        item.name = QStringLiteral("QRExpr1");
        d.add(b);
        try {
            d.compile();
            QFAIL("the layout was accepted");
        } catch (const ReportError& e) {
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
            QVERIFY2(e.message().contains(u"QRExpr1"), qPrintable(e.message()));
        }
    }

    void aFieldTheRowsLackIsAnError() {
        Definition d = grouped(1, 10, 5, 5, 5);
        const ListRows rows({"g1", "w"}, {{"A", 1}});
        try {
            paginate(d, rows, FixedMeasurer());
            QFAIL("the report was printed");
        } catch (const ReportError& e) {
            QVERIFY2(e.message().contains(u"\"v\""), qPrintable(e.message()));
        }
    }

    void groupFootersSumTheirRowsAndStartAgain_data() {
        QTest::addColumn<int>("levels");
        QTest::addColumn<QList<QVariantList>>("rows");
        QTest::addColumn<QStringList>("innerFooters");
        QTest::addColumn<QStringList>("outerFooters");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("one group") << 1 << QList<QVariantList>{{"A", "", 1}, {"A", "", 2}, {"B", "", 10}}
                                   << QStringList{"3", "10"} << QStringList{} << "13.00"
                                   << QStringList{"title",   "header1", "detail",  "detail", "footer1",
                                                  "header1", "detail",  "footer1", "total",  "pageFooter"};
        QTest::newRow("a worker with two products")
            << 2 << QList<QVariantList>{{"W1", "P1", 1.5}, {"W1", "P2", 2}, {"W2", "P1", 4}}
            << QStringList{"1.5", "2", "4"} << QStringList{"3.5", "4"} << "7.50"
            << QStringList{"title",   "header1", "header2", "detail",    "footer2", "header2",
                           "detail",  "footer2", "footer1", "header1",   "header2", "detail",
                           "footer2", "footer1", "total",   "pageFooter"};
        QTest::newRow("same inner value under a new outer one closes both")
            << 2 << QList<QVariantList>{{"W1", "P1", 1}, {"W2", "P1", 2}} << QStringList{"1", "2"}
            << QStringList{"1", "2"} << "3.00"
            << QStringList{"title",   "header1", "header2", "detail",  "footer2", "footer1",   "header1",
                           "header2", "detail",  "footer2", "footer1", "total",   "pageFooter"};
    }
    void groupFootersSumTheirRowsAndStartAgain() {
        QFETCH(int, levels);
        QFETCH(QList<QVariantList>, rows);
        QFETCH(QStringList, innerFooters);
        QFETCH(QStringList, outerFooters);
        QFETCH(QString, total);
        QFETCH(QStringList, order);
        const Definition d = grouped(levels, 10, 5, 5, 5);
        const PageModel m = paginate(d, ListRows({"g1", "g2", "v"}, rows), FixedMeasurer());
        QCOMPARE(m.pageCount(), 1);
        QCOMPARE(m.textsOf(QStringLiteral("footer%1").arg(levels)), innerFooters);
        if (levels == 2) QCOMPARE(m.textsOf("footer1"), outerFooters);
        QCOMPARE(m.textsOf("total"), QStringList{total});
        // Footers close innermost first, before the next group's header.
        QCOMPARE(m.pages[0].bandNames(), order);
    }

    void anEmptyReportStillHasItsHeaderAndTotals() {
        const Definition d = grouped(1, 10, 5, 5, 5);
        const PageModel m = paginate(d, ListRows({"g1", "g2", "v"}, {}), FixedMeasurer());
        QCOMPARE(m.pageCount(), 1);
        QCOMPARE(m.pages[0].bandNames(), (QStringList{"title", "total", "pageFooter"}));
        QCOMPARE(m.textsOf("title"), QStringList{"Заголовок"});
        QCOMPARE(m.textsOf("total"), QStringList{"0.00"});
    }

    // The body ends at 297 - 10 - 5 (page footer) = 282 mm. The report header decides how much
    // room is left for the first group.
    void aGroupHeaderIsNeverLeftAloneAtTheFoot_data() {
        QTest::addColumn<int>("levels");
        QTest::addColumn<double>("titleHeight");
        QTest::addColumn<int>("headerPage");
        // One level: header 10 + its footer 10 = 20 mm (more than header 10 + detail 5).
        QTest::newRow("header and footer fit") << 1 << 252.0 << 1;
        QTest::newRow("footer would not fit") << 1 << 253.0 << 2;
        // Two levels of 6 mm each with their first 5 mm row: 17 mm, although the outer header
        // and its footer (12 mm) would fit.
        QTest::newRow("headers and first row fit") << 2 << 255.0 << 1;
        QTest::newRow("outer header would be alone") << 2 << 256.0 << 2;
    }
    void aGroupHeaderIsNeverLeftAloneAtTheFoot() {
        QFETCH(int, levels);
        QFETCH(double, titleHeight);
        QFETCH(int, headerPage);
        const Definition d =
            levels == 1 ? grouped(1, titleHeight, 10, 5, 10) : grouped(2, titleHeight, 6, 5, 6);
        const PageModel m =
            paginate(d, ListRows({"g1", "g2", "v"}, {{"A", "a", 1}, {"A", "a", 2}}), FixedMeasurer());
        int found = 0;
        for (int p = 0; p < m.pageCount(); ++p)
            if (found == 0 && m.pages[std::size_t(p)].bandNames().contains("header1")) found = p + 1;
        QCOMPARE(found, headerPage);
        // The headers and the first row are together on that page.
        QStringList together = levels == 1 ? QStringList{"header1"} : QStringList{"header1", "header2"};
        together << "detail";
        QCOMPARE(m.pages[std::size_t(found - 1)].bandNames().mid(found == 1 ? 1 : 0, levels + 1), together);
    }

    void theColumnHeaderStartsEveryPageAndKeepsItsRoom() {
        Definition d;
        d.page.orientation = QPageLayout::Landscape;
        Band header = band("columns", BandKind::ColumnHeader, 6.6);
        Item caption;
        caption.name = QStringLiteral("QRLabel33");
        caption.text = QStringLiteral("Данные за:");
        caption.autoGrow = true;
        caption.width = 20.1;
        caption.font = heading(10, true);
        header.add(caption);
        d.add(header);
        Band detail = band("detail", BandKind::Detail, 6.3);
        detail.keepRoomBelow = 6.6;
        detail.add(textItem("fio", 0, 80));
        d.add(detail);
        Band pageFooter = band("pageFooter", BandKind::PageFooter, 4.5);
        pageFooter.add(textItem("PAGENUMBER", 252.7, 25.7));
        d.add(pageFooter);
        d.compile();

        QList<QVariantList> rows;
        for (int i = 1; i <= 70; ++i)
            rows.append({QStringLiteral("Рабочий %1").arg(i, 2, 10, QChar('0'))});
        const PageModel m = paginate(d, ListRows({"fio"}, rows), FixedMeasurer());
        // 210 - 20 - 4.5 = 185.5 mm of body; 6.6 for the header and each row keeping 6.6 below it:
        // (185.5 - 6.6 - 6.6) / 6.3 = 27.3, so 27 rows a page.
        QCOMPARE(m.pageCount(), 3);
        QStringList printed;
        for (int p = 0; p < m.pageCount(); ++p) {
            const Page& page = m.pages[std::size_t(p)];
            QCOMPARE(page.bandNames().first(), QStringLiteral("columns"));
            QCOMPARE(page.textsOf("pageFooter"), QStringList{QString::number(p + 1)});
            for (const PlacedBand& b : page.bands)
                if (b.name == u"detail") QVERIFY(b.rect.bottom() + 6.6 <= 210 - 10 - 4.5 + 1e-6);
            printed << page.textsOf("detail");
        }
        QCOMPARE(m.pages[0].bandNames().count("detail"), 27);
        QCOMPARE(printed.size(), 70);
        QCOMPARE(printed.first(), QStringLiteral("Рабочий 01"));
        QCOMPARE(printed.last(), QStringLiteral("Рабочий 70"));
        // The caption grew to its text: 10 characters at 2 mm and half a millimetre.
        QCOMPARE(m.pages[1].text("columns", "QRLabel33")->rect.width(), 20.5);
        QCOMPARE(m.pages[0].text("columns", "QRLabel33")->text, QStringLiteral("Данные за:"));
    }

    void autoGrowingLabelsWidenButStopAtTheMargin_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("align");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("width");
        const int left = int(Align::Left), centre = int(Align::Centre), right = int(Align::Right);
        // The label stands at 30 mm from the margin (40 mm on the paper), 20 mm wide; texts
        // take 2 mm a character and half a millimetre more.
        QTest::newRow("short text keeps the width") << "abc" << left << 40.0 << 20.0;
        QTest::newRow("left-aligned widens to the right") << QString(30, 'x') << left << 40.0 << 60.5;
        QTest::newRow("centred widens to both sides") << QString(30, 'x') << centre << 19.75 << 60.5;
        QTest::newRow("right-aligned widens to the left") << QString(20, 'x') << right << 19.5 << 40.5;
        QTest::newRow("never past the right margin") << QString(200, 'x') << left << 40.0 << 160.0;
        QTest::newRow("never past the left margin") << QString(200, 'x') << right << 10.0 << 190.0;
    }
    void autoGrowingLabelsWidenButStopAtTheMargin() {
        QFETCH(QString, text);
        QFETCH(int, align);
        QFETCH(double, left);
        QFETCH(double, width);
        Definition d;
        Band title = band("title", BandKind::ReportHeader, 5);
        Item label;
        label.name = QStringLiteral("QRLabel1");
        label.align = Align(align);
        label.left = 30;
        label.width = 20;
        label.autoGrow = true;
        title.add(label);
        d.add(title);
        d.compile();
        d.item("QRLabel1")->text = text;
        const PageModel m = paginate(d, ListRows({}, {}), FixedMeasurer());
        QCOMPARE(m.pages[0].text("title", "QRLabel1")->rect.left(), left);
        QCOMPARE(m.pages[0].text("title", "QRLabel1")->rect.width(), width);
    }

    // ---- Money, neighbours, page breaks, page ranges ----------------------------------------

    void moneyIsSummedExactlyAndRoundedOnce_data() {
        QTest::addColumn<QStringList>("amounts");
        QTest::addColumn<QString>("total");
        // Past fifteen significant digits a binary total has lost the last half kopeck.
        QTest::newRow("one amount of seventeen digits")
            << QStringList{"5000000000000.005"} << "5000000000000.01";
        QTest::newRow("two amounts adding up to a half kopeck")
            << QStringList{"4000000000000.002", "1000000000000.003"} << "5000000000000.01";
        QTest::newRow("a negative half kopeck, away from zero")
            << QStringList{"-4000000000000.002", "-1000000000000.003"} << "-5000000000000.01";
    }
    void moneyIsSummedExactlyAndRoundedOnce() {
        QFETCH(QStringList, amounts);
        QFETCH(QString, total);
        QList<QVariantList> rows;
        for (const QString& a : amounts)
            rows.append(QVariantList{"A", a});
        const PageModel m = paginate(grouped(1, 10, 5, 5, 5), ListRows({"g1", "v"}, rows), FixedMeasurer());
        QCOMPARE(m.pages[0].text("total", "sum(v)")->text, total);
    }

    void numbersNeverTouchTheirNeighbours_data() {
        QTest::addColumn<QString>("leftText");
        QTest::addColumn<double>("leftLeft");
        QTest::addColumn<double>("leftWidth");
        QTest::addColumn<int>("leftAlign");
        QTest::addColumn<QString>("rightText");
        QTest::addColumn<double>("rightLeft");
        QTest::addColumn<double>("rightWidth");
        const int left = int(Align::Left), centre = int(Align::Centre);
        // A kind whose item reaches into the rejects' item ("Готовая продукция14").
        QTest::newRow("items that overlap")
            << "ABCDEFGHIJKLMN" << 99.5 << 27.0 << left << "14" << 125.4 << 6.6;
        // Rejects and mass of a grand total, each filling its item ("17258175391,04").
        QTest::newRow("texts that fill their items")
            << "1725" << 124.4 << 8.5 << centre << "8175391,04" << 132.8 << 18.8;
        // A text still wider than its item at the narrowest a text is otherwise made.
        QTest::newRow("a text past half its width")
            << "ABCDEFGHIJKLMNOPQRST" << 0.0 << 10.0 << left << "XY" << 10.0 << 10.0;
    }
    void numbersNeverTouchTheirNeighbours() {
        QFETCH(QString, leftText);
        QFETCH(double, leftLeft);
        QFETCH(double, leftWidth);
        QFETCH(int, leftAlign);
        QFETCH(QString, rightText);
        QFETCH(double, rightLeft);
        QFETCH(double, rightWidth);
        Item a = textItem("a", leftLeft, leftWidth);
        a.align = Align(leftAlign);
        Item b = textItem("b", rightLeft, rightWidth);
        b.align = Align::Centre;
        Definition withRow;
        Band detail = band("detail", BandKind::Detail, 5);
        detail.add(a);
        detail.add(b);
        withRow.add(detail);
        withRow.compile();
        const PageModel r = paginate(withRow, ListRows({"a", "b"}, {{leftText, rightText}}), FixedMeasurer());
        const TextElement* ta = r.pages[0].text("detail", "a");
        const TextElement* tb = r.pages[0].text("detail", "b");
        QVERIFY(ta && tb);
        auto ink = [](const TextElement* t) {
            const double w = t->advance * t->stretch;
            const double x = t->align == Align::Left     ? t->rect.left()
                             : t->align == Align::Centre ? t->rect.center().x() - w / 2
                                                         : t->rect.right() - w;
            return std::pair<double, double>{x, x + w};
        };
        // Each text within its own rectangle, and room between the two.
        for (const TextElement* t : {ta, tb}) {
            QVERIFY2(t->advance * t->stretch <= t->rect.width() + 1e-6, qPrintable(t->text));
            QVERIFY(t->stretch > 0);
        }
        QVERIFY2(ink(ta).second + 0.5 <= ink(tb).first,
                 qPrintable(QStringLiteral("%1 ends at %2, %3 starts at %4")
                                .arg(ta->text)
                                .arg(ink(ta).second)
                                .arg(tb->text)
                                .arg(ink(tb).first)));
    }

    void aPageThatOpensWithAGroupFooterNamesItsGroup_data() {
        QTest::addColumn<int>("levels");
        QTest::addColumn<QStringList>("secondPage");
        QTest::addColumn<QStringList>("headerTexts");
        QTest::newRow("one level") << 1 << QStringList{"header1", "footer1", "total", "pageFooter"}
                                   << QStringList{"A"};
        QTest::newRow("two levels") << 2 << QStringList{"header1", "header2", "footer2",
                                                        "footer1", "total",   "pageFooter"}
                                    << QStringList{"A", "a"};
    }
    void aPageThatOpensWithAGroupFooterNamesItsGroup() {
        QFETCH(int, levels);
        QFETCH(QStringList, secondPage);
        QFETCH(QStringList, headerTexts);
        // The rows fill the first page exactly; the footer goes over.
        const Definition d = levels == 1 ? grouped(1, 250, 10, 5, 10) : grouped(2, 255, 6, 5, 6);
        const QList<QVariantList> rows = levels == 1 ? QList<QVariantList>{{"A", "a", 1}, {"A", "a", 2}}
                                                     : QList<QVariantList>{{"A", "a", 1}};
        const PageModel m = paginate(d, ListRows({"g1", "g2", "v"}, rows), FixedMeasurer());
        QCOMPARE(m.pageCount(), 2);
        QCOMPARE(m.pages[1].bandNames(), secondPage);
        QStringList printed;
        for (int g = 1; g <= levels; ++g)
            printed << m.pages[1].textsOf(QStringLiteral("header%1").arg(g));
        QCOMPARE(printed, headerTexts);
    }

    void printingHonoursThePageRange_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("pageNumbers");
        QTest::newRow("pages 2 to 3") << 2 << 3 << QStringList{"2", "3"};
        QTest::newRow("page 4 to past the end") << 4 << 9 << QStringList{"4", "5"};
        QTest::newRow("no range: every page") << 0 << 0 << QStringList{"1", "2", "3", "4", "5"};
    }
    void printingHonoursThePageRange() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, pageNumbers);
        // Five pages: one row of 200 mm on each.
        Definition d = grouped(1, 1, 5, 200, 2);
        QList<QVariantList> rows;
        for (int i = 0; i < 5; ++i)
            rows.append(QVariantList{"A", "a", i});
        const PageModel m = paginate(d, ListRows({"g1", "g2", "v"}, rows), FixedMeasurer());
        QCOMPARE(m.pageCount(), 5);
        QTemporaryDir dir;
        const QString path = dir.filePath("range.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        setUpPrinter(m, printer);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        printPages(m, printer);
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
        QStringList numbers;
        for (const QString& page : pages) {
            const QStringList words =
                page.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            numbers << (words.isEmpty() ? QString() : words.last());
        }
        QCOMPARE(numbers, pageNumbers);
    }

    // ---- A long report in slices ----------------------------------------------------------

    void aLayoutInSlicesEndsWithTheWholeReportsPages_data() {
        QTest::addColumn<int>("slice");
        QTest::newRow("one row at a time") << 1;
        QTest::newRow("13 rows") << 13;
        QTest::newRow("more than the report") << 5000;
    }
    void aLayoutInSlicesEndsWithTheWholeReportsPages() {
        QFETCH(int, slice);
        const Definition d = grouped(2, 20, 6, 5, 6);
        const ListRows rows({"g1", "g2", "v"}, manyRows(600));
        const FixedMeasurer measurer;
        const PageModel whole = paginate(d, rows, measurer);
        QVERIFY(whole.pageCount() > 10);
        Layout layout(d, rows, measurer);
        QVERIFY(layout.firstPageReady(slice));
        // The first page is complete before the rest is laid out.
        QCOMPARE(layout.done(), slice >= 600);
        QVERIFY(layout.finishedPages() >= 1);
        QVERIFY(layout.finishedPages() < whole.pageCount() || layout.done());
        QCOMPARE(layout.model().pages[0].bandNames(), whole.pages[0].bandNames());
        QCOMPARE(layout.model().pages[0].textsOf(), whole.pages[0].textsOf());
        // A few slices more, then the rest at once.
        for (int i = 0; i < 3; ++i)
            layout.advance(slice);
        layout.finish();
        QVERIFY(layout.done());
        QVERIFY(samePages(layout.model(), whole));
    }

    void thePreviewOpensOnItsFirstPageWhileTheRestIsLaidOut() {
        const Definition d = grouped(2, 20, 6, 5, 6);
        const ListRows rows({"g1", "g2", "v"}, manyRows(3000));
        const FixedMeasurer measurer;
        const PageModel whole = paginate(d, rows, measurer);
        Layout layout(d, rows, measurer);
        ReportPreview preview(layout, {QStringLiteral("Отчет"), QStringLiteral("Отчет.pdf"), false});
        QSignalSpy finished(&preview, &ReportPreview::layoutFinished);
        preview.show();
        // Shown on page 1 with the count not yet known; nothing to print or save yet.
        QVERIFY(!layout.done());
        QCOMPARE(preview.view()->pageCount(), layout.finishedPages());
        QVERIFY(preview.view()->pageCount() >= 1);
        QCOMPARE(preview.pageCountText(), QStringLiteral("/ …"));
        QVERIFY(!preview.saveAction()->isEnabled());
        QVERIFY(!preview.printAction()->isEnabled());
        // The rest is laid out between the window's events.
        QVERIFY(finished.wait());
        QVERIFY(layout.done());
        QVERIFY(samePages(layout.model(), whole));
        QCOMPARE(preview.view()->pageCount(), whole.pageCount());
        QCOMPARE(preview.pageCountText(), QStringLiteral("/ %1").arg(whole.pageCount()));
        QVERIFY(preview.saveAction()->isEnabled());
        QVERIFY(preview.printAction()->isEnabled());
    }

    void aStoppedSaveLeavesTheFileAsItWas_data() {
        QTest::addColumn<int>("stopAfter"); // pages saved before "Отмена" is pressed; -1 never
        QTest::newRow("stopped at once") << 0;
        QTest::newRow("stopped after three pages") << 3;
        QTest::newRow("saved") << -1;
    }
    void aStoppedSaveLeavesTheFileAsItWas() {
        QFETCH(int, stopAfter);
        const PageModel m =
            paginate(grouped(2, 20, 6, 5, 6), ListRows({"g1", "g2", "v"}, manyRows(600)), FixedMeasurer());
        QTemporaryDir dir;
        const QString path = dir.filePath("Отчет.pdf");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old report");
        }
        ReportPreview preview(m, {QStringLiteral("Отчет"), QStringLiteral("Отчет.pdf"), false});
        // "Отмена" of the progress window, pressed once `stopAfter` pages are saved.
        int pages = 0;
        QTimer presser;
        presser.setInterval(0);
        connect(&presser, &QTimer::timeout, [&] {
            auto* progress = preview.findChild<QProgressDialog*>();
            if (!progress || stopAfter < 0 || progress->value() < stopAfter) return;
            pages = progress->value();
            for (QPushButton* b : progress->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Отмена")) b->click();
            presser.stop();
        });
        presser.start();
        const bool saved = preview.savePdf(path);
        QCOMPARE(saved, stopAfter < 0);
        QVERIFY(shown.shown.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        if (saved) {
            QVERIFY(content.startsWith("%PDF"));
        } else {
            QCOMPARE(pages, stopAfter);
            QCOMPARE(content, QByteArray("old report"));
        }
        // Nothing else is left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Отчет.pdf")});
    }

    void aStoppedPrintEndsTheJob() {
        const PageModel m =
            paginate(grouped(2, 20, 6, 5, 6), ListRows({"g1", "g2", "v"}, manyRows(600)), FixedMeasurer());
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("printed.pdf"));
        setUpPrinter(m, printer);
        QList<int> told;
        QVERIFY(!printPages(m, printer, [&](int done, int total) {
            told << done;
            return total == m.pageCount() && done < 2;
        }));
        QCOMPARE(told, (QList<int>{0, 1, 2}));
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
