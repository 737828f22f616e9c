#include "tools/ledgercheck.h"

#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/postingrun.h"
#include "billing/printedinvoices.h"
#include "billing/receivables.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/formats.h"
#include "core/oledate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

const QString kJournalFile = Posting::kJournal.mid(1);
const QString kHistoryFile = Posting::kHistory.mid(1);
const QString kTaxFile = Posting::kTaxRecords.mid(1);
const QString kPaymentFile = AccountFiles::kPaymentFile.mid(1);
const QString kPaid = QStringLiteral("Payment Received");

// The whole records of a file as they are on disk (nothing restored from /Backup; a torn end is the data
// check's own finding).
std::vector<Record> wholeRecords(const QString &path, const RecordLayout &layout)
{
    QFile file(path);
    std::vector<Record> out;
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return out;
    const QByteArray bytes = file.readAll();
    for (qsizetype at = 0; at + layout.length() <= bytes.size(); at += layout.length())
        out.emplace_back(layout, bytes.mid(at, layout.length()));
    return out;
}

struct Invoice
{
    int record = 0;
    QString acctNo;
    QDate date;
    Money total;
    Money taxes;
};

class Ledger
{
public:
    Ledger(const DataFolder &folder, const Clock &clock, std::vector<CheckFinding> &findings)
        : m_folder(folder)
        , m_clock(clock)
        , m_findings(findings)
    {}

    void run()
    {
        readJournal();
        readTaxes();
        readHistory();
        readBalanceFiles();
        readPrinted();
    }

private:
    void report(const QString &file, int record, const QString &message)
    {
        m_findings.push_back({file, record, message});
    }

    void negative(const QString &file, int record, const QString &what, Money amount)
    {
        if (amount < Money())
            report(file, record, QStringLiteral("%1 %2 is below zero").arg(what, Formats::currency(amount)));
    }

    void readJournal()
    {
        const auto records = wholeRecords(m_folder.path(Posting::kJournal), journalLayout());
        for (std::size_t i = 0; i < records.size(); ++i) {
            using namespace JournalField;
            const Record &r = records[i];
            const int n = int(i) + 1;
            const QString number = r.text(InvoiceNo);
            const Money preTax = r.money(PreTax), taxes = r.money(Taxes), other = r.money(Other),
                        total = r.money(Total);
            negative(kJournalFile, n, QStringLiteral("the pre-tax amount"), preTax);
            negative(kJournalFile, n, QStringLiteral("the taxes"), taxes);
            negative(kJournalFile, n, QStringLiteral("the total"), total);
            if (preTax + taxes + other != total) {
                report(kJournalFile, n,
                       QStringLiteral("invoice %1: pre-tax %2 + taxes %3 + other %4 do not add to its total %5")
                           .arg(number, exact(preTax), exact(taxes), exact(other), exact(total)));
            }
            if (const auto first = m_invoices.constFind(number); first != m_invoices.constEnd()) {
                report(
                    kJournalFile, n,
                    QStringLiteral("invoice number %1 is used twice: also record %2").arg(number).arg(first->record));
                continue;
            }
            m_invoices.insert(number, {n, r.text(AcctNo), OleDate::toDate(r.real(Date)), total, taxes});
        }
    }

    // Four decimals where a part has them, so that a difference below a cent shows.
    static QString exact(Money amount)
    {
        return amount.raw() % 100 == 0 ? Formats::currency(amount) : QStringLiteral("$") + Posting::plainAmount(amount);
    }

    void readTaxes()
    {
        const auto records = wholeRecords(m_folder.path(Posting::kTaxRecords), taxLayout());
        QHash<QString, Money> byInvoice;
        QHash<QString, int> firstRecord;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const int n = int(i) + 1;
            const QString number = records[i].text(TaxField::InvoiceNo);
            const auto amount = Formats::parseDecimal(records[i].text(TaxField::TaxAmount));
            if (!amount)
                continue; // the data check names it
            negative(kTaxFile, n, QStringLiteral("the tax"), *amount);
            if (!m_invoices.contains(number)) {
                report(kTaxFile, n,
                       QStringLiteral("the tax of invoice %1, which the invoice journal does not hold").arg(number));
                continue;
            }
            byInvoice[number] += *amount;
            firstRecord.insert(number, firstRecord.value(number, n));
        }
        for (auto it = m_invoices.cbegin(); it != m_invoices.cend(); ++it) {
            const Money recorded = byInvoice.value(it.key());
            if (recorded != it->taxes) {
                report(kJournalFile, it->record,
                       QStringLiteral("invoice %1 charged taxes of %2; the tax file holds %3 for it")
                           .arg(it.key(), exact(it->taxes), exact(recorded)));
            }
        }
    }

    void readHistory()
    {
        const auto records = wholeRecords(m_folder.path(Posting::kHistory), accountHistoryLayout());
        QHash<QString, int> seen;
        for (std::size_t i = 0; i < records.size(); ++i) {
            using namespace AccountHistoryField;
            const Record &r = records[i];
            const int n = int(i) + 1;
            const QString description = r.text(Description);
            if (!description.startsWith(Posting::kInvoiceDescription))
                continue;
            const QString number = description.mid(Posting::kInvoiceDescription.size()).trimmed();
            if (const auto first = seen.constFind(number); first != seen.constEnd()) {
                report(kHistoryFile, n,
                       QStringLiteral("invoice number %1 is used twice: also record %2").arg(number).arg(*first));
                continue;
            }
            seen.insert(number, n);
            const auto amount = Formats::parseCurrency(r.text(Amount));
            if (!amount)
                continue; // the data check names it
            negative(kHistoryFile, n, QStringLiteral("the amount"), *amount);
            const auto invoice = m_invoices.constFind(number);
            if (invoice == m_invoices.constEnd()) {
                report(kHistoryFile, n, QStringLiteral("invoice %1 is not in the invoice journal").arg(number));
                continue;
            }
            if (r.text(AcctNo) != invoice->acctNo || Formats::currency(*amount) != Formats::currency(invoice->total) ||
                Formats::parseShortDate(r.text(Date)) != invoice->date) {
                report(kHistoryFile, n,
                       QStringLiteral("invoice %1 of account %2 on %3 for %4; the invoice journal (record %5) has "
                                      "account %6 on %7 for %8")
                           .arg(number, r.text(AcctNo), r.text(Date), r.text(Amount), QString::number(invoice->record),
                                invoice->acctNo, Formats::shortDate(invoice->date), Formats::currency(invoice->total)));
            }
        }
        for (auto it = m_invoices.cbegin(); it != m_invoices.cend(); ++it) {
            if (!seen.contains(it.key()))
                report(kJournalFile, it->record, QStringLiteral("invoice %1 has no line in the history").arg(it.key()));
        }
    }

    // Each balance file: every invoice of the account charged once at its amount; a file of this program's
    // entries alone shows the invoices less the payments of the payment file, as Who Still Owes reads it.
    void readBalanceFiles()
    {
        QHash<QString, Money> paid; // by account, lower case: file names ignore case
        for (const Record &r : wholeRecords(m_folder.path(AccountFiles::kPaymentFile), accountHistoryLayout()))
            paid[r.text(AccountHistoryField::AcctNo).toLower()] +=
                Formats::currencyOrZero(r.text(AccountHistoryField::Amount));
        QHash<QString, QStringList> invoicesOf; // by account, lower case
        for (auto it = m_invoices.cbegin(); it != m_invoices.cend(); ++it)
            invoicesOf[it->acctNo.toLower()] << it.key();

        QHash<QString, Money> owed; // what Who Still Owes shows, by account file name in lower case
        for (const Receivables::Account &a : Receivables::load(m_folder, m_clock.today()).accounts)
            owed.insert(a.acctNo.toLower(), a.balance);

        const QString folder = m_folder.path(QStringLiteral("/VIActiveAccounts"));
        for (const QString &name : QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
            const QString file = QStringLiteral("VIActiveAccounts/") + name;
            const QString account = name.chopped(4).toLower();
            QHash<QString, int> charged;
            Money balance;
            bool ours = true;
            const auto lines = wholeRecords(folder + QLatin1Char('/') + name, accountHistoryLayout());
            for (std::size_t i = 0; i < lines.size(); ++i) {
                using namespace AccountHistoryField;
                const QString description = lines[i].text(Description);
                const Money amount = Formats::currencyOrZero(lines[i].text(Amount));
                const auto invoice = m_invoices.constFind(description);
                if (i == 0 && description == AccountFiles::kOpeningDescription) {
                    balance += amount;
                } else if (description == kPaid) {
                    continue; // the payment file counts the payments
                } else if (invoice != m_invoices.constEnd() && invoice->acctNo.toLower() == account) {
                    if (charged.contains(description)) {
                        report(file, int(i) + 1,
                               QStringLiteral("invoice %1 is charged twice: also record %2")
                                   .arg(description)
                                   .arg(charged.value(description)));
                    } else if (Formats::currency(amount) != Formats::currency(invoice->total)) {
                        report(file, int(i) + 1,
                               QStringLiteral("invoice %1 is charged %2; the invoice journal has %3")
                                   .arg(description, Formats::currency(amount), Formats::currency(invoice->total)));
                    }
                    charged.insert(description, int(i) + 1);
                    balance += amount;
                } else {
                    ours = false; // the invoicing program's entry: its books are its own
                }
            }
            for (const QString &number : invoicesOf.value(account)) {
                if (!charged.contains(number))
                    report(file, 0, QStringLiteral("invoice %1 of this account is not charged here").arg(number));
            }
            if (!ours)
                continue;
            const Money expected = balance - paid.value(account);
            const Money shown = owed.value(account);
            if ((expected > Money() || shown > Money()) && expected != shown) {
                report(file, 0,
                       QStringLiteral("Who Still Owes shows %1, but the invoices less the payments of %2 come to %3")
                           .arg(Formats::currency(shown), kPaymentFile, Formats::currency(expected)));
            }
        }
    }

    // The record of printed invoices: one slip for each number printed (the board's counter never gives a number
    // twice; a second slip means the counter was put back).
    void readPrinted()
    {
        const QString file = PrintedInvoices::kPath.mid(1);
        const auto records = wholeRecords(m_folder.path(PrintedInvoices::kPath), printedInvoiceLayout());
        QHash<QString, std::pair<QString, int>> first; // number -> its slip and record
        for (std::size_t i = 0; i < records.size(); ++i) {
            using namespace PrintedInvoiceField;
            const int n = int(i) + 1;
            const QString number = records[i].text(InvoiceNo), slip = records[i].text(SlipNo);
            if (number.isEmpty()) {
                report(file, n, QStringLiteral("a printed invoice without a number (slip %1)").arg(slip));
                continue;
            }
            const auto seen = first.constFind(number);
            if (seen == first.constEnd())
                first.insert(number, {slip, n});
            else if (seen->first != slip)
                report(file, n,
                       QStringLiteral("invoice number %1 was printed for slip %2 and for slip %3 (record %4)")
                           .arg(number, slip, seen->first)
                           .arg(seen->second));
        }
    }

    const DataFolder &m_folder;
    const Clock &m_clock;
    std::vector<CheckFinding> &m_findings;
    QHash<QString, Invoice> m_invoices; // the journal's, by number
};

} // namespace

void checkLedger(const DataFolder &folder, const Clock &clock, std::vector<CheckFinding> &findings)
{
    // Half-written books are finished at the program's next start (the data check says so); they are judged then.
    if (PostingRun::pending(folder) || !folder.interruptedAppends().isEmpty())
        return;
    Ledger(folder, clock, findings).run();
}
