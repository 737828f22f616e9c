#include "billing/accounthistoryrecord.h"
#include "billing/history.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "testsupport.h"

#include <QFile>
#include <QTest>

namespace {

// A financial and a service record for the account on the day.
void post(const DataFolder &folder, const QString &acct, const QDate &day, const QString &amount,
          const QString &name = "Site")
{
    WriteHistory(folder, acct, name, amount, day, Posting::kInvoiceDescription + day.toString("MMdd"));
    WriteServiceHistory(folder, acct, name, "Crew A", day, "Work of " + day.toString(Qt::ISODate));
}

QStringList accountsOf(const std::vector<History::FinancialRow> &rows)
{
    QStringList out;
    for (const auto &r : rows)
        out << r.acctNo + "@" + r.date;
    return out;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    void rangeButtons_data()
    {
        // end: the end date shown before the button
        dataColumns<QDate, QDate, QString, QDate, QDate>("today", "end", "button", "from", "to");
        const QDate jan1(2026, 1, 1), mar31(2026, 3, 31);
        QTest::newRow("last month on 1 January") << jan1 << jan1 << "LM" << QDate(2025, 12, 1) << QDate(2025, 12, 31);
        QTest::newRow("month to date on 1 January") << jan1 << jan1 << "MTD" << jan1 << jan1;
        QTest::newRow("year to date on 1 January") << jan1 << jan1 << "YTD" << jan1 << jan1;
        QTest::newRow("last month on 31 March") << mar31 << mar31 << "LM" << QDate(2026, 2, 1) << QDate(2026, 2, 28);
        QTest::newRow("last month keeps an earlier end")
            << mar31 << QDate(2026, 2, 10) << "LM" << QDate(2026, 2, 1) << QDate(2026, 2, 10);
        QTest::newRow("month to date on 31 March") << mar31 << mar31 << "MTD" << QDate(2026, 3, 1) << mar31;
        QTest::newRow("year to date on 31 March") << mar31 << mar31 << "YTD" << jan1 << mar31;
        QTest::newRow("all time") << mar31 << mar31 << "ALL" << QDate(1990, 1, 1) << mar31;
    }

    void rangeButtons()
    {
        auto [today, end, button] = fetched<QDate, QDate, QString>("today", "end", "button");
        const History::Range r = button == "LM"    ? History::lastMonth(today, end)
                                 : button == "MTD" ? History::monthToDate(today)
                                 : button == "YTD" ? History::yearToDate(today)
                                                   : History::allTime(today);
        QTEST(r.start, "from");
        QTEST(r.end, "to");
    }

    // A date picked into the range: a day after today becomes today (with the alarm only when it is on), an end
    // before the start becomes the start; each says so.
    void pickedDates_data()
    {
        dataColumns<int, QDate, bool, QDate, QDate, int, bool>("index", "picked", "alarm", "from", "to", "told",
                                                               "beep");
        const QDate mar1(2026, 3, 1), mar10(2026, 3, 10), today(2026, 3, 20);
        dataRow("a start in the past", 0, QDate(2026, 2, 1), true, QDate(2026, 2, 1), mar10, 0, false);
        dataRow("an end up to today", 1, today, true, mar1, today, 0, false);
        dataRow("an end after today", 1, QDate(2026, 4, 1), true, mar1, today, 1, true);
        dataRow("an end after today, alarm off", 1, QDate(2026, 4, 1), false, mar1, today, 1, false);
        dataRow("an end before the start", 1, QDate(2026, 2, 27), true, mar1, mar1, 1, false);
        dataRow("a start after the end", 0, QDate(2026, 3, 15), true, QDate(2026, 3, 15), QDate(2026, 3, 15), 1, false);
        dataRow("a start after today", 0, QDate(2026, 5, 1), true, today, today, 2, true);
    }
    void pickedDates()
    {
        auto [index, picked, alarm, told] = fetched<int, QDate, bool, int>("index", "picked", "alarm", "told");
        const History::PickedRange r =
            History::pickDate({QDate(2026, 3, 1), QDate(2026, 3, 10)}, index, picked, QDate(2026, 3, 20), alarm);
        QTEST(r.range.start, "from");
        QTEST(r.range.end, "to");
        QTEST(r.beep, "beep");
        QCOMPARE(int(r.notices.size()), told);
        for (const Notice &n : r.notices)
            QCOMPARE(n.text, "Your Calendar Selection is Invalid");
        QVERIFY(r.isDone());
    }

    void rangeAndAccount()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        post(folder, "1001", QDate(2025, 12, 31), "$10.00");
        post(folder, "1001", QDate(2026, 1, 1), "$20.00");
        post(folder, "2002", QDate(2026, 1, 1), "$5.25");
        post(folder, "1001", QDate(2026, 1, 2), "$1.00");
        // A record with trailing blanks in its account number (written by another program) matches too.
        Record padded(accountHistoryLayout());
        padded.setText(AccountHistoryField::AcctNo, "1001");
        padded.setText(AccountHistoryField::Date, "1/1/2026");
        padded.setText(AccountHistoryField::Amount, "$0.50");
        folder.appendRecord(Posting::kHistory, padded);

        const QDate jan1(2026, 1, 1);
        auto all = History::loadHistory(folder, jan1, jan1);
        QCOMPARE(accountsOf(all.financial), QStringList({"1001@1/1/2026", "2002@1/1/2026", "1001@1/1/2026"}));
        QCOMPARE(all.service.size(), std::size_t(2));
        QCOMPARE(Formats::currency(all.total), "$25.75");
        auto one = History::loadHistory(folder, jan1, QDate(2026, 1, 2), QString("1001                "));
        QCOMPARE(accountsOf(one.financial), QStringList({"1001@1/1/2026", "1001@1/2/2026", "1001@1/1/2026"}));
        QCOMPARE(Formats::currency(one.total), "$21.50");
        QCOMPARE(one.service.size(), std::size_t(2));
        QCOMPARE(one.service[1].contents, "Work of 2026-01-02");
        // A last record torn short by a crash of another program reads as completed with blanks; its account
        // and date are the same texts as the whole records' before it.
        Record torn(accountHistoryLayout());
        torn.setText(AccountHistoryField::AcctNo, "2002");
        torn.setText(AccountHistoryField::Name, "Site");
        torn.setText(AccountHistoryField::Date, "1/2/2026");
        torn.setText(AccountHistoryField::Amount, "$7.00");
        QFile file(folder.path(Posting::kHistory));
        QVERIFY(file.open(QIODevice::Append));
        file.write(torn.bytes().left(accountHistoryLayout().length() - 5));
        file.close();
        const auto withTorn = History::loadHistory(folder, QDate(2026, 1, 2), QDate(2026, 1, 2));
        QCOMPARE(accountsOf(withTorn.financial), QStringList({"1001@1/2/2026", "2002@1/2/2026"}));
        QCOMPARE(withTorn.financial[1].amountText, "$7.00");
        QCOMPARE(Formats::currency(withTorn.total), "$8.00");
        QCOMPARE(withTorn.financial[1].name, withTorn.financial[0].name);
        // Nothing to show without the files.
        TestRoot empty;
        QVERIFY(History::loadHistory(empty.folder(), jan1, jan1).financial.empty());
        QVERIFY(!empty.exists(Posting::kHistory));
    }

    void purges()
    {
        TestRoot root;
        const DataFolder folder = root.folder();
        const QDate day(2026, 2, 3);
        post(folder, "A", day, "$1.00", "first");
        post(folder, "B", day, "$2.00", "b1");
        post(folder, "A", day, "$3.00", "second");
        post(folder, "C", day, "$4.00", "c1");
        post(folder, "B", day, "$5.00", "b2");
        folder.backupFile(Posting::kHistory);
        History::purgeAccount(folder, "B ");
        const auto left = History::loadHistory(folder, day, day);
        QStringList names;
        for (const auto &r : left.financial)
            names << r.name;
        QCOMPARE(names, QStringList({"first", "second", "c1"}));
        QStringList services;
        for (const auto &r : left.service)
            services << r.name;
        QCOMPARE(services, names);
        QVERIFY(!root.exists("/Backup/CAHistory.txt")); // a stale copy would bring the purged records back

        History::purgeAll(folder);
        QVERIFY(!root.exists(Posting::kHistory));
        QVERIFY(!root.exists(Posting::kServiceHistory));
        // Purging an account with no history creates no file.
        History::purgeAccount(folder, "A");
        QVERIFY(!root.exists(Posting::kHistory));
    }

    void csvBytes()
    {
        std::vector<History::FinancialRow> rows = {
            {"1001", "Smith, John", "3/7/2026", "Invoice No. 5001", "$107.50", QDate(2026, 3, 7),
             Money::fromRaw(1075000)},
            {"=2+3", "Say \"hi\"\nthere", "3/8/2026", "Refund", "($3.00)", QDate(2026, 3, 8), Money::fromRaw(-30000)},
            {"1003", "Caf\u00e9", "3/9/2026", "x", "$10.76", QDate(2026, 3, 9), Money::fromRaw(107608)},
        };
        QCOMPARE(History::financialCsv(rows),
                 QByteArray("Account,Name,Date,Invoice Number/Reference,Amount\r\n"
                            "\"=\"\"1001\"\"\",\"Smith, John\",2026-03-07,Invoice No. 5001,107.50\r\n"
                            "'=2+3,\"Say \"\"hi\"\"\nthere\",2026-03-08,Refund,-3.00\r\n"
                            "\"=\"\"1003\"\"\",Caf\xc3\xa9,2026-03-09,x,10.76\r\n"));
        std::vector<History::ServiceRow> service = {
            {"1001", "Site", "3/7/2026", "Fix, then test", "Crew A", QDate(2026, 3, 7)}};
        QCOMPARE(History::serviceCsv(service),
                 QByteArray("Account,Name,Date,Service Provided,Serviced By\r\n"
                            "\"=\"\"1001\"\"\",Site,2026-03-07,\"Fix, then test\",Crew A\r\n"));
        TestRoot root;
        History::writeExport(root.file("/out.csv"), History::serviceCsv(service));
        QCOMPARE(root.read("/out.csv"), History::serviceCsv(service));
        QVERIFY_THROWS_EXCEPTION(DiskError, History::writeExport(root.file("/no/such/folder/out.csv"), "x"));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
