#pragma once

#include <optional>

#include "billing/income.h"

#include <QWidget>

class IncomeChart;
class QGridLayout;
class QLabel;

// Under the history window's grid: the figures of the rows shown (the pre-tax amount, each tax, the total, and
// the total of each payment form with its number of invoices) beside the income chart.
class IncomePanel final : public QWidget
{
    Q_OBJECT
public:
    explicit IncomePanel(QWidget *parent = nullptr);

    // With `owed`, one account's figures: what it owes now, as Who Still Owes says.
    void setIncome(const Income::Totals &totals, const Income::Chart &chart, const QString &chartTitle,
                   std::optional<Money> owed = std::nullopt);
    // While the figures are worked out: none shown, the note in their place and an empty chart.
    void setPending(const QString &note);
    IncomeChart *chart() const { return m_chart; }

private:
    QLabel *figure(const QString &name, int row, int column);
    void clearFigures();

    QGridLayout *m_figures = nullptr;
    QWidget *m_figuresBox = nullptr;
    IncomeChart *m_chart = nullptr;
};
