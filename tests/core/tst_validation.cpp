#include "core/validation.h"
#include "testsupport.h"

#include <QtTest>

using namespace Validation;

namespace {
enum Filter { Amount, Characters, Quote };
KeyVerdict filtered(int filter, const QString &text, QChar ch, bool alarm)
{
    return filter == Amount       ? amountKeyFilter(text, ch)
           : filter == Characters ? invalidCharacterFilter(text, ch, alarm)
                                  : quoteKeyFilter(text, ch, alarm);
}
} // namespace

class TestValidation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void keys_data()
    {
        dataColumns<int, QString, QString, bool>("filter", "text", "typed", "accepted");
        const auto row = [](const char *name, int filter, const char *text, const char *typed, bool accepted) {
            QTest::newRow(name) << filter << QString(text) << QString(typed) << accepted;
        };
        row("amount: second decimal", Amount, "12.3", "4", true);
        row("amount: third decimal", Amount, "12.34", "5", false);
        row("amount: backspace after two decimals", Amount, "12.34", "\b", true);
        row("amount: leading zero", Amount, "", "0", false);
        row("amount: zero after a digit", Amount, "1", "0", true);
        row("amount: leading point", Amount, "", ".", true);
        row("amount: second point", Amount, "7.", ".", false);
        row("amount: minus", Amount, "", "-", false);
        for (const char *c : {",", "&", ".", "\\", "*", "/", "?"})
            row(c, Characters, "Smith", c, false);
        row("numeric text lets slash in", Characters, "123", "/", true);
        row("empty text is not numeric", Characters, "", "/", false);
        row("ordinary letter", Characters, "Smith", "x", true);
        row("backspace", Characters, "Smith", "\b", true);
        row("quote passes the character filter", Characters, "Smith", "\"", true);
        row("quote", Quote, "Smith", "\"", false);
        row("quote in numeric text", Quote, "123", "\"", false);
        row("slash passes the quote filter", Quote, "Smith", "/", true);
    }

    void keys()
    {
        auto [filter, text, typed, accepted] =
            fetched<int, QString, QString, bool>("filter", "text", "typed", "accepted");
        for (const bool alarm : {true, false}) {
            const KeyVerdict v = filtered(filter, text, typed.at(0), alarm);
            const bool told = !accepted && filter != Amount; // the amount filter refuses silently
            QCOMPARE(v.accepted, accepted);
            QCOMPARE(v.notice.text, told ? "This character, (" + typed + ") is invalid for this field" : QString());
            QCOMPARE(v.notice.title, told ? QString("Invalid Key entry") : QString());
            QCOMPARE(v.beep, told && alarm);
        }
    }

    void paste_data()
    {
        dataColumns<int, QString>("filter", "text");
        QTest::addColumn<int>("selected"); // from the cursor at 1 (or 0 in an empty text)
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("result"); // the old text when refused
        const auto row = [](const char *name, int filter, const char *text, int selected, const char *pasted,
                            const char *result) {
            QTest::newRow(name) << filter << QString(text) << selected << QString(pasted) << QString(result);
        };
        row("amount", Amount, "", 0, "12.50", "12.50");
        row("amount with dollar", Amount, "", 0, "$12.50", "");
        row("amount replaces selection", Amount, "99.99", 4, "7.5", "97.5");
        row("inserted in the middle", Characters, "Sh", 0, "mit", "Smith");
        row("name with slash", Characters, "Smith", 0, " a/b", "Smith");
        row("quote", Quote, "A", 0, "b\"c", "A");
    }

    void paste()
    {
        auto [filter, text, selected, pasted, result] =
            fetched<int, QString, int, QString, QString>("filter", "text", "selected", "pasted", "result");
        const auto each = [filter](const QString &t, QChar c) { return filtered(filter, t, c, true); };
        const PasteResult r = filterPaste(each, text, text.isEmpty() ? 0 : 1, selected, pasted);
        const bool refused = result == text && !pasted.isEmpty();
        QCOMPARE(r.accepted, !refused);
        QCOMPARE(r.text, result);
        // A refused paste tells what the refused key would have told.
        QCOMPARE(r.refusal.notice.text.isEmpty(), !refused || filter == Amount);
    }

    void joinNameParts()
    {
        QCOMPARE(Validation::joinNameParts("  John ", "Q", "x", ""), QString("John Q "));
        QCOMPARE(Validation::joinNameParts("John", " ", "x", " Public "), QString("John Public"));
        QCOMPARE(Validation::joinNameParts("", "", "x", ""), QString());
    }

    void numbersAndNotices()
    {
        for (const QString yes : {" 123 ", "-1,200.5", "2E3"})
            QVERIFY2(isNumeric(yes), qPrintable(yes));
        for (const QString no : {"", ".", "12AB", "12-3", ",5", "2E", "2E+", "E3"})
            QVERIFY2(!isNumeric(no), qPrintable(no));
        QVERIFY(!telephoneStructureError("555-123-4567"));
        for (const QString bad : {"555-12AB", "", "555-1234 x"})
            QCOMPARE(telephoneStructureError(bad).value_or(Notice()).text,
                     QString("Your Telephone Number (structure) is invalid"));
        QCOMPARE(calendarInvalid().text, QString("Your Calendar Selection is Invalid"));
        QVERIFY(calendarInvalid().title.isEmpty()); // the program's own title
    }

    void slipNumber()
    {
        const QString range = "The Slip Number must be a whole number from 1 to 32767";
        const QList<std::tuple<QString, int, QString>> cases = {{" 1500 ", 1500, ""},
                                                                {"32767", 32767, ""},
                                                                {"1000.5", 1000, ""}, // a fraction rounds to even
                                                                {"ABC", 0, "The Slip Number MUST be Numeric"},
                                                                {"40000", 0, range},
                                                                {"0", 0, range}};
        for (const auto &[text, value, message] : cases) {
            const SlipNumberCheck check = checkSlipNumber(text);
            QCOMPARE(int(check.value), value);
            QCOMPARE(check.error.value_or(Notice()).text, message);
        }
    }
};

QTEST_GUILESS_MAIN(TestValidation)
#include "tst_validation.moc"
