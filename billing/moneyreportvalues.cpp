#include "billing/moneyreportvalues.h"

static_assert(ReceivablesReportValues::kAges == Receivables::kBuckets, "the report prints one column per age");

IncomeReportValues incomeReportValues(const std::vector<Income::Row> &rows, const Income::Totals &totals)
{
    IncomeReportValues report;
    report.rows.reserve(rows.size());
    for (const Income::Row &r : rows) {
        report.rows.push_back({r.history.date, r.invoiceNo, r.history.acctNo, r.history.name, r.payForm, r.preTax,
                               r.taxTotal(), r.history.amountText});
    }
    report.count = totals.count;
    report.total = totals.total;
    report.preTax = totals.preTax;
    report.taxes = totals.taxes;
    for (const Income::TaxAmount &t : totals.byTax)
        report.byTax.push_back({t.heading, t.amount});
    for (int k = 0; k < Income::kPayKinds; ++k) {
        const auto kind = Income::PayKind(k);
        report.byPayForm.push_back(
            {Income::payKindName(kind), totals.countByPayKind[k], totals.byPayKind[k], kind == Income::PayKind::Other});
        if (kind != Income::PayKind::NotCollected) {
            report.receivedByPayForm.push_back({Income::payKindName(kind), totals.receivedCountByPayKind[k],
                                                totals.receivedByPayKind[k], kind == Income::PayKind::Other});
        }
    }
    report.received = totals.received;
    report.receivedLater = totals.receivedLater;
    return report;
}

ReceivablesReportValues receivablesReportValues(const Receivables::Report &report)
{
    ReceivablesReportValues values;
    values.accounts.reserve(report.accounts.size());
    for (const Receivables::Account &a : report.accounts)
        values.accounts.push_back({a.acctNo, a.name, a.balance, a.oldestUnpaid, a.ageDays, a.buckets});
    values.totals = report.totals;
    values.total = report.total;
    return values;
}
