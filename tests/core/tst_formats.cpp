#include "core/formats.h"
#include "testsupport.h"

#include <QtTest>
#include <limits>

namespace {
constexpr qint64 kNone = std::numeric_limits<qint64>::min() + 1; // "no value" in the tables
qint64 rawOf(const std::optional<Money> &m)
{
    return m ? m->raw() : kNone;
}
} // namespace

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void currency_data()
    {
        dataColumns<qint64, QString>("raw", "text");
        QTest::newRow("zero") << qint64(0) << "$0.00";
        QTest::newRow("hundreds") << qint64(9999900) << "$999.99";
        QTest::newRow("thousands") << qint64(12345600) << "$1,234.56";
        QTest::newRow("millions") << qint64(12345678910) << "$1,234,567.89";
        QTest::newRow("negative") << qint64(-10000) << "($1.00)";
        QTest::newRow("half cent up") << qint64(50) << "$0.01";
        QTest::newRow("half cent negative") << qint64(-50) << "($0.01)";
        QTest::newRow("rounds into thousands") << qint64(9999950) << "$1,000.00";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "$922,337,203,685,477.58";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "($922,337,203,685,477.58)";
    }

    void currency()
    {
        auto [raw, text] = fetched<qint64, QString>("raw", "text");
        QCOMPARE(Formats::currency(Money::fromRaw(raw)), text);
        if (raw % 100 == 0 && raw > std::numeric_limits<qint64>::min())
            QCOMPARE(rawOf(Formats::parseCurrency(text)), raw);
    }

    void parseCurrency_data()
    {
        dataColumns<QString, qint64>("text", "raw");
        QTest::newRow("no dollar") << "1234.5" << qint64(12345000);
        QTest::newRow("blanks") << " 12 " << qint64(120000);
        QTest::newRow("minus first") << "-$3.00" << qint64(-30000);
        QTest::newRow("minus after dollar") << "$-3.00" << qint64(-30000);
        QTest::newRow("fifth decimal rounds") << "-0.00005" << qint64(-1);
        QTest::newRow("empty") << "" << kNone;
        QTest::newRow("letters") << "abc" << kNone;
        QTest::newRow("two points") << "1.2.3" << kNone;
        QTest::newRow("two minus signs") << "--5" << kNone;
        QTest::newRow("minus in parentheses") << "(-5)" << kNone;
        QTest::newRow("minus on both sides of the dollar") << "-$-5" << kNone;
        QTest::newRow("too large") << "99999999999999999999" << kNone;
        QTest::newRow("written negative with blanks") << " ($1,234.56) " << qint64(-12345600);
        QTest::newRow("one decimal") << "$0.5" << qint64(5000);
        QTest::newRow("commas anywhere") << "$1,2,3.00" << qint64(1230000);
        QTest::newRow("parenthesis on one side") << "($5.00" << kNone;
        QTest::newRow("written, too large") << "$999,999,999,999,999.99" << kNone;
    }

    void parseCurrency()
    {
        auto [text, raw] = fetched<QString, qint64>("text", "raw");
        QCOMPARE(rawOf(Formats::parseCurrency(text)), raw);
        QCOMPARE(Formats::currencyOrZero(text).raw(), raw == kNone ? 0 : raw);
    }

    void decimalsRoundingAndPercentages()
    {
        QCOMPARE(rawOf(Formats::parseDecimal("5,0")), 50000);
        QCOMPARE(rawOf(Formats::parseDecimal(" 6.25 ")), 62500);
        QCOMPARE(rawOf(Formats::parseDecimal("abc")), kNone);
        QCOMPARE(Formats::roundToCents(Money::fromRaw(12345)).raw(), 12300);
        QCOMPARE(Formats::roundToCents(Money::fromRaw(-12350)).raw(), -12400); // half away from zero
        // amount in cents, rate, tax in ten-thousandths: four decimals, halves to the even last digit
        const QList<std::tuple<qint64, QString, qint64>> percentages = {
            {10000, "7.5", 75000},
            {1001, "7.5", 7508}, // 0.75075 -> 0.7508
            {1003, "7.5", 7522}, // 0.75225 -> 0.7522
            {1999, "7", 13993},
            {10, "5", 50},
            {-1001, "7.5", -7508},
            {-1003, "7.5", -7522},
            {100000000000, "7.25", 725000000000},
            {100, "0.005", 0}, // 0.00005 -> 0.0000
            {300, "0.005", 2}, // 0.00015 -> 0.0002
        };
        for (const auto &[amount, rate, result] : percentages)
            QCOMPARE(Formats::percentOf(Money::fromCents(amount), *Formats::parseDecimal(rate)).raw(), result);
    }

    void shortDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date"); // invalid: refused
        QTest::newRow("plain") << "3/7/2026" << QDate(2026, 3, 7);
        QTest::newRow("two digits") << "12/31/1999" << QDate(1999, 12, 31);
        QTest::newRow("short year this century") << "1/1/29" << QDate(2029, 1, 1);
        QTest::newRow("short year last century") << "1/1/99" << QDate(1999, 1, 1);
        QTest::newRow("leap day") << "2/29/2028" << QDate(2028, 2, 29);
        QTest::newRow("no such day") << "2/30/2026" << QDate();
        QTest::newRow("other form") << "2026-03-07" << QDate();
        QTest::newRow("empty") << "" << QDate();
    }

    void shortDates()
    {
        auto [text, date] = fetched<QString, QDate>("text", "date");
        QCOMPARE(Formats::parseShortDate(text).value_or(QDate()), date);
        if (date.isValid() && text.size() > 6)
            QCOMPARE(Formats::shortDate(date), text);
        QCOMPARE(Formats::shortDate(QDate()), QString());
        QCOMPARE(Formats::weekdayName(QDate(2026, 3, 7)), QString("Saturday"));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
