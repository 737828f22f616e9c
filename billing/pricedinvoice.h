#pragma once

#include "billing/finalize.h"
#include "billing/income.h"
#include "core/money.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class DataFolder;
class Settings;

// The invoice that shows what was charged: the customer's billing address and the service location, the slip,
// the service, the pre-tax amount, each tax by its name and rate, the total, the payment form and whether it
// was paid. Made from a finalized row of the completed slips or, to reprint, from a row of the history.
struct PricedInvoice
{
    struct Address
    {
        QString name;
        QString address1;
        QString address2;
        QString city; // or address line 3
        QString state;
        QString postalCode; // or address line 4
    };
    struct Tax
    {
        QString heading;
        QString rate; // "7.5" (percent) when the amount is the setup's rate of the pre-tax amount; else empty
        Money amount;
    };

    QString invoiceNo; // as entered at finalizing
    QString date;      // short date
    QString slipNo;    // empty when the slip is no longer kept
    QString acctNo;
    Address billTo;
    Address serviceAt;
    QString service; // the slip's work description
    Money preTax;
    std::vector<Tax> taxes;
    Money total;
    QString payForm; // "Ck # 1234", "Cash", "Credit Card", "Not Collected"
    bool paid = false;
};

namespace PricedInvoices {

// The rate text of a tax when the setup's rate of that name gives exactly this amount.
QString rateOf(const Settings &settings, const QString &heading, Money preTax, Money amount);

// A finalized row of the completed slips, as it will be posted on `today`.
PricedInvoice FromFinalized(const Finalize::Row &row, const Settings &settings, const QDate &today);

// What finalizing prints: the chosen row (an index into rows) when it is finalized, else every finalized row.
std::vector<PricedInvoice> FromFinalizedRows(const std::vector<Finalize::Row> &rows, int chosen,
                                             const Settings &settings, const QDate &today);

// History rows, with their slips looked up in \FinalizedServiceSlips.txt by account, invoice number and
// amount (the latest such slip); without a slip the invoice shows what the history keeps.
std::vector<PricedInvoice> FromHistory(const DataFolder &folder, const std::vector<Income::Row> &rows,
                                       const Settings &settings);

} // namespace PricedInvoices
