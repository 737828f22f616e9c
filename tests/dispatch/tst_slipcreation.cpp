#include "accounts/customerfile.h"
#include "core/slipcounter.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipcreation.h"
#include "dispatch/slipfiles.h"
#include "platform/fakes/fakeplatform.h"
#include "slipsamples.h"
#include "testsupport.h"

#include <QTest>

using namespace SlipCreation;

namespace {

// A data folder with customer A100 and a counter at 1000, ready to write slips.
struct Desk
{
    Desk()
    {
        WriteCustomer(root.folder(), 1, SlipSamples::customer());
        counter.save(root.folder());
    }
    SlipDraft draft(const QString &assignment = {}, std::optional<QDate> date = {}, const QString &time = "None")
    {
        const std::array<QString, 8> site{"Smith Cabin",  "1 Lake Rd",   "", "Lakeside", "WI", "53001",
                                          "262-555-0100", "262-555-0111"};
        return {accountBlock(SlipSamples::customer()), site, "No heat", assignment, "Normal", date, time};
    }
    Stored decide(const SlipDraft &d, const Answers &answers, const Record &customer = SlipSamples::customer())
    {
        return StoreSlip(root.folder(), counter, clock, customer, d, answers);
    }
    // Stores with the review question answered Yes (and the given answers after it).
    std::optional<qint16> store(const SlipDraft &d, std::initializer_list<bool> more = {})
    {
        Answers answers{true};
        answers.insert(answers.end(), more);
        return decide(d, answers).slipNo;
    }
    QByteArray files() const { return root.read(SlipFiles::kActive) + "|" + root.read("/SlipNo.txt"); }

    TestRoot root;
    SlipCounter counter;
    FixedClock clock; // Thursday 1/15/2026
};

const QDate kMonday(2026, 1, 19);

} // namespace

class TestSlipCreation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettingsStore(); }

    void accountBlockNames_data()
    {
        dataColumns<QString, QString, QString>("type", "title", "name");
        dataRow("individual", "Individual", "Mr.", "Mr. John Smith");
        dataRow("individual without title", "Individual", "", "John Smith");
        dataRow("business", "Business", "Mr.", "Smith Household");
    }
    void accountBlockNames()
    {
        auto [type, title] = fetched<QString, QString>("type", "title");
        Record customer = SlipSamples::customer();
        customer.setText(CustomerField::AcctType, type);
        customer.setText(CustomerField::Title, title);
        customer.setText(CustomerField::Address4, "Line four");
        const AccountBlock block = accountBlock(customer);
        QCOMPARE(block.acctNo, QString("A100"));
        QTEST(block.lines[0], "name");
        // Zip comes from the fourth address field.
        QCOMPARE(QStringList(block.lines.begin() + 1, block.lines.end()),
                 QStringList({"12 Oak St", "Apt 4", "Springfield", "IL", "Line four", "217-555-0101", "217-555-0199"}));
    }

    void serviceText_data()
    {
        dataColumns<QString, QString>("text", "problem"); // problem: a part of the message, or "" for none
        dataRow("empty", "  \n ", kEnterDetails);
        dataRow("200 characters", QString(200, 'x'), "");
        dataRow("a line break counts 2", QString(100, 'x') + "\n" + QString(99, 'x'), "there are 201");
        dataRow("outside the code page", QString("Fix ") + QChar(0x0141), QString(QChar(0x0141)));
    }
    void serviceText()
    {
        auto [text, problem] = fetched<QString, QString>("text", "problem");
        const auto why = serviceProblem(text);
        QCOMPARE(why.has_value(), !problem.isEmpty());
        if (why)
            QVERIFY2(why->contains(problem), qPrintable(*why));
    }

    void servicesAppendLines()
    {
        QCOMPARE(appendService("", "Furnace check"), QString("Furnace check"));
        QCOMPARE(appendService("Furnace check", "Filter"), QString("Furnace check\r\nFilter"));
        QCOMPARE(storedServiceText("  a\nb\r\nc  "), QString("a\r\nb\r\nc"));
    }

    void pickedDate()
    {
        QCOMPARE(checkPickedDate(WorkWeek::MondayToFriday, QDate(2026, 1, 16)).messages, QStringList());
        const PickedDate moved = checkPickedDate(WorkWeek::MondayToFriday, QDate(2026, 1, 17)); // a Saturday
        QCOMPARE(moved.date, kMonday);
        QCOMPARE(moved.messages,
                 (QStringList{"Your Calendar Selection is Invalid", "The date has been set to Monday, 1/19/2026"}));
        QCOMPARE(checkPickedDate(WorkWeek::MondayToSaturday, QDate(2026, 1, 17)).date, QDate(2026, 1, 17));
    }

    // The questions put before a slip is stored: a day more than a year ahead (once, not for the slip's own
    // date), and no date unless the date is left blank on purpose.
    void questionsBeforeStoring()
    {
        const FixedClock clock; // 1/15/2026
        const QDate yearAhead = clock.today().addYears(1), beyond = yearAhead.addDays(1);
        QVERIFY(farAheadQuestion(yearAhead, std::nullopt, clock, {}).isDone());
        QVERIFY(farAheadQuestion(beyond, beyond, clock, {}).isDone());
        const Verdict asked = farAheadQuestion(beyond, yearAhead, clock, {});
        QCOMPARE(int(asked.kind), int(Verdict::Kind::Ask));
        QCOMPARE(asked.question, "1/16/2027 is more than a year ahead. Is this date correct?");
        QCOMPARE(asked.title, "Date Far Ahead");
        QCOMPARE(int(farAheadQuestion(beyond, std::nullopt, clock, {false}).kind), int(Verdict::Kind::Refused));
        QVERIFY(farAheadQuestion(beyond, std::nullopt, clock, {true}).isDone());

        SlipDraft draft;
        QVERIFY(noDateQuestion(draft, true, {}).isDone());
        const Verdict noDate = noDateQuestion(draft, false, {});
        QCOMPARE(std::tie(noDate.question, noDate.title), std::tie(kNoDateQuestion, kNoDateTitle));
        QVERIFY(!noDateQuestion(draft, false, {false}).isDone() && noDateQuestion(draft, false, {true}).isDone());
        draft.date = kMonday;
        QVERIFY(noDateQuestion(draft, false, {}).isDone());
    }

    void overlaps_data()
    {
        dataColumns<QString, QString, bool, bool>("a", "b", "overlap", "clash");
        dataRow("hour inside a range", "09:00", "08:00-10:00", true, true);
        dataRow("range start", "08:00-10:00", "08:00", true, true);
        dataRow("range end is outside", "08:00-10:00", "10:00", false, false);
        dataRow("afternoon hour inside", "02:00", "01:00-03:00", true, true);
        dataRow("morning and afternoon", "01:00", "10:00-12:00", false, false);
        dataRow("ranges side by side", "08:00-10:00", "10:00-12:00", false, false);
        dataRow("two hours", "09:00", "10:00", false, false);
        dataRow("same slot is a booking, not an overlap", "09:00", "09:00", false, true);
        dataRow("None", "None", "08:00-10:00", false, false);
        dataRow("two None", "None", "None", false, false);
    }
    // The day list of slip creation marks the slips a slip at the chosen time would clash with.
    void overlaps()
    {
        auto [a, b] = fetched<QString, QString>("a", "b");
        QTEST(slotsOverlap(a, b), "overlap");
        QTEST(slotsOverlap(b, a), "overlap");
        QTEST(slotsClash(a, b), "clash");
    }

    // Every field of a slip whose job site differs from the account's; the service text trimmed, lines in CR LF.
    void storedSlipFields()
    {
        Desk desk;
        SlipDraft d = desk.draft("Bob", kMonday, "08:00-10:00");
        d.service = "  No heat\nPilot out  ";
        d.priority = "High";
        const Stored asked = desk.decide(d, {});
        QCOMPARE(asked.kind, Verdict::Kind::Ask);
        QCOMPARE(asked.question, kReviewQuestion);
        QVERIFY(!desk.root.exists(SlipFiles::kActive)); // nothing before the answer
        QCOMPARE(desk.store(d), std::optional<qint16>(1000));
        const Record r = LoadActiveSlips(desk.root.folder()).back();
        QCOMPARE(r.int16(SlipField::SlipNo), qint16(1000));
        QCOMPARE(r.real(SlipField::DateReceived), double(QDate(1899, 12, 30).daysTo(QDate(2026, 1, 15))));
        QStringList texts;
        for (int field = SlipField::Status; field <= SlipField::Amount; ++field)
            texts << r.text(field);
        QCOMPARE(texts, QString("Assigned|A100|Mr. John Smith|12 Oak St|Apt 4|Springfield|IL|62701|217-555-0101|"
                                "217-555-0199|Smith Cabin|1 Lake Rd||Lakeside|WI|53001|262-555-0100|262-555-0111|Bob|"
                                "1/19/2026|08:00-10:00|No heat\r\nPilot out||High||$0.00")
                            .split('|'));
        QCOMPARE(desk.root.read("/SlipNo.txt").trimmed(), QByteArray("1001"));
        QCOMPARE(desk.counter.next(), qint16(1001));
    }

    void openAndUndated_data()
    {
        dataColumns<QString, bool, QString>("assignment", "dated", "stored"); // stored: status|assignment|date|time
        dataRow("no assignment, even with a date", "", true, "Open||1/19/2026|08:00");
        dataRow("assigned, date left blank", "Bob", false, "Assigned|Bob|0|None");
    }
    void openAndUndated()
    {
        auto [assignment, dated] = fetched<QString, bool>("assignment", "dated");
        Desk desk;
        // Bob's 08:00 on Monday is taken, but neither slip claims it.
        desk.root.write(SlipFiles::kActive, SlipSamples::slip("900|Assigned|Bob|1/19/2026|08:00").bytes());
        const SlipDraft d = desk.draft(assignment, dated ? std::optional<QDate>(kMonday) : std::nullopt, "08:00");
        QCOMPARE(desk.store(d), std::optional<qint16>(1000));
        const Record r = LoadActiveSlips(desk.root.folder()).back();
        using namespace SlipField;
        QTEST(QStringList({r.text(Status), r.text(AssignedTo), r.text(SchedDate), r.text(SchedTime)}).join('|'),
              "stored");
    }

    void overlapAsked_data()
    {
        QTest::addColumn<bool>("yes");
        dataRow("Yes books it", true);
        dataRow("No stores nothing", false);
    }
    void overlapAsked()
    {
        QFETCH(bool, yes);
        Desk desk;
        desk.root.write(SlipFiles::kActive, SlipSamples::slips({"900|Assigned|Bob|1/19/2026|08:00-10:00",
                                                                "901|Assigned|Bob|1/20/2026|09:00"}));
        const QByteArray before = desk.files();
        const Stored asked = desk.decide(desk.draft("Bob", kMonday, "09:00"), {true});
        QCOMPARE(asked.kind, Verdict::Kind::Ask);
        QCOMPARE(asked.question, "Bob already has slip 900 at 08:00-10:00 on 1/19/2026. Book this slip anyway?");
        QCOMPARE(desk.files(), before);
        const auto stored = desk.store(desk.draft("Bob", kMonday, "09:00"), {yes});
        QCOMPARE(stored.has_value(), yes);
        QCOMPARE(desk.files() == before, !yes);
        QCOMPARE(LoadActiveSlips(desk.root.folder()).size(), std::size_t(yes ? 3 : 2));
    }

    void twoUnscheduledSlipsForOneAssignment()
    {
        Desk desk;
        QCOMPARE(desk.store(desk.draft("Bob")), std::optional<qint16>(1000));
        QCOMPARE(desk.store(desk.draft("Bob")), std::optional<qint16>(1001));
        // A day without a time is no slot either.
        QCOMPARE(desk.store(desk.draft("Bob", kMonday, "None")), std::optional<qint16>(1002));
        QCOMPARE(desk.store(desk.draft("Bob", kMonday, "None")), std::optional<qint16>(1003));
    }

    void nothingStored_data()
    {
        dataColumns<QString, QString>("why", "message"); // why: counter, deleted, blank, declined
        dataRow("counter at its end: the last number named", "counter",
                "the last number a Service Slip can have, 32766, has been given");
        dataRow("account deleted meanwhile", "deleted", "no longer in the Customer file");
        dataRow("no account", "blank", "No Customer Account");
        dataRow("review declined: nothing to say", "declined", "");
    }
    void nothingStored()
    {
        QFETCH(QString, why);
        Desk desk;
        Record customer = SlipSamples::customer();
        if (why == "counter") {
            desk.counter.set(SlipCounter::kLast);
            desk.counter.save(desk.root.folder());
        } else if (why == "deleted") {
            DeleteCustomer(desk.root.folder(), 1, "A100");
        } else if (why == "blank") {
            customer = newCustomerRecord();
        }
        const QByteArray before = desk.files();
        const Stored refused = desk.decide(desk.draft(), {why != "declined"}, customer);
        QCOMPARE(refused.kind, Verdict::Kind::Refused);
        QCOMPARE(refused.slipNo, std::nullopt);
        QFETCH(QString, message);
        QCOMPARE(refused.notices.size(), std::size_t(message.isEmpty() ? 0 : 1));
        if (!message.isEmpty())
            QVERIFY2(refused.notices[0].text.contains(message), qPrintable(refused.notices[0].text));
        QCOMPARE(desk.files(), before);
        QVERIFY(!desk.root.exists(SlipFiles::kActive));
    }

    void assignmentDayInTimeOrder()
    {
        TestRoot root;
        QVERIFY(assignmentDay(root.folder(), "Bob", kMonday).empty());
        root.write(SlipFiles::kActive,
                   SlipSamples::slips(
                       {"901|In Progress|Bob|1/19/2026|01:00-03:00|Lee", "902|Assigned|Bob|01/19/2026|09:00|Ray",
                        "903|Assigned|Bob|1/20/2026|08:00|Other day", "904|Assigned|bob|1/19/2026|08:00|Other case",
                        "905|Assigned|Bob|1/19/2026|08:00-10:00|Kay"}));
        QStringList day;
        for (const DaySlip &s : assignmentDay(root.folder(), "Bob", kMonday))
            day.append(QStringLiteral("%1 %2 %3 %4").arg(s.slipNo).arg(s.time, s.customer, s.status));
        QCOMPARE(day, QStringList({"905 08:00-10:00 Kay Assigned", "902 09:00 Ray Assigned",
                                   "901 01:00-03:00 Lee In Progress"}));
    }
};

QTEST_GUILESS_MAIN(TestSlipCreation)
#include "tst_slipcreation.moc"
