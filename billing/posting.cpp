#include "billing/posting.h"

#include "billing/accountfiles.h"
#include "billing/postingrecords.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"

#include <stdexcept>

namespace Posting {

QString plainAmount(Money amount)
{
    const qint64 raw = amount.raw();
    const quint64 magnitude = raw < 0 ? quint64(0) - quint64(raw) : quint64(raw);
    QString text = QString::number(magnitude / Money::kScale);
    QString decimals = QString::number(magnitude % Money::kScale).rightJustified(4, QLatin1Char('0'));
    while (decimals.endsWith(QLatin1Char('0')))
        decimals.chop(1);
    if (!decimals.isEmpty())
        text += QLatin1Char('.') + decimals;
    return raw < 0 ? QLatin1Char('-') + text : text;
}

} // namespace Posting

void WriteHistory(const DataFolder &folder, const QString &acctNo, const QString &name, const QString &amountText,
                  const QDate &date, const QString &description)
{
    const auto amount = Formats::parseCurrency(amountText);
    if (!amount) {
        throw DiskError(QStringLiteral("The history record of account %1 was not added to %2: \"%3\" is not an "
                                       "amount.")
                            .arg(acctNo.trimmed(), Posting::kHistory, amountText));
    }
    folder.appendRecord(Posting::kHistory, AccountFiles::historyRecord({acctNo, name, *amount, description, date}));
}

Record serviceHistoryRecord(const QString &acctNo, const QString &name, const QString &assignment, const QDate &date,
                            const QString &contents)
{
    using namespace ServiceHistoryField;
    Record r(serviceHistoryLayout());
    r.setText(Name, name.trimmed());
    r.setText(AcctNo, acctNo.trimmed());
    r.setText(Date, Formats::shortDate(date));
    r.setText(Contents, contents.trimmed());
    r.setText(Assignment, assignment.trimmed());
    return r;
}

Record taxRecord(const QString &heading, Money tax, const QDate &date, const QString &invoiceNo)
{
    using namespace TaxField;
    Record r(taxLayout());
    r.setText(Heading, heading);
    r.setText(Date, Formats::shortDate(date));
    r.setText(InvoiceNo, invoiceNo);
    r.setText(TaxAmount, Posting::plainAmount(tax));
    return r;
}

Record journalRecord(const QString &name, const QString &acctNo, const QString &invoiceNo, Money preTax, Money taxes,
                     Money total, const QDate &date)
{
    using namespace JournalField;
    Record r(journalLayout());
    r.setText(Name, name);
    r.setText(AcctNo, acctNo);
    r.setText(InvoiceNo, invoiceNo);
    r.setReal(Date, OleDate::fromDate(date));
    r.setMoney(PreTax, preTax);
    r.setMoney(Taxes, taxes);
    r.setMoney(Other, Money());
    r.setMoney(Total, total);
    return r;
}

void WriteServiceHistory(const DataFolder &folder, const QString &acctNo, const QString &name,
                         const QString &assignment, const QDate &date, const QString &contents)
{
    folder.appendRecord(Posting::kServiceHistory, serviceHistoryRecord(acctNo, name, assignment, date, contents));
}

void WriteTaxRecord(const DataFolder &folder, const QString &heading, Money firstTax, Money secondTax,
                    const QDate &date, int which, const QString &invoiceNo)
{
    folder.appendRecord(Posting::kTaxRecords, taxRecord(heading, which == 2 ? secondTax : firstTax, date, invoiceNo));
}

void WriteInvoiceJournal(const DataFolder &folder, const QString &name, const QString &acctNo, const QString &invoiceNo,
                         Money preTax, Money taxes, Money total, const QDate &date)
{
    folder.appendRecord(Posting::kJournal, journalRecord(name, acctNo, invoiceNo, preTax, taxes, total, date));
}

Record finalizedSlip(const Record &slip, const QString &invoiceNo, const QString &payForm, const QString &amount)
{
    using namespace SlipField;
    if (slip.layout().length() != serviceSlipLayout().length())
        throw std::invalid_argument("only a service slip can be finalized");
    Record r = slip;
    r.setText(Status, SlipValues::kFinalized);
    r.setText(InvoiceNo, invoiceNo);
    r.setText(PayForm, payForm);
    // An amount too long for the field is shortened so that it still reads as the same amount.
    QString stored = amount.trimmed();
    if (stored.size() > serviceSlipLayout().size(Amount)) {
        if (const auto money = Formats::parseCurrency(stored)) {
            if (const auto shorter = AccountFiles::amountText(*money))
                stored = *shorter;
        }
    }
    r.setText(Amount, stored);
    return r;
}

void appendFinalizedSlips(const DataFolder &folder, std::span<const Record> slips)
{
    SlipStore(folder).appendFinalized(slips);
}
