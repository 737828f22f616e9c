#include "gui/billing/incomepanel.h"

#include "core/formats.h"
#include "gui/billing/incomechart.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

IncomePanel::IncomePanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraIncome"));
    auto *box = new QGroupBox(QStringLiteral("Income"), this);
    box->setObjectName(QStringLiteral("fraFigures"));
    m_figuresBox = box;
    m_figures = new QGridLayout(box);
    m_figures->setVerticalSpacing(1);
    m_figures->setHorizontalSpacing(10);
    m_chart = new IncomeChart(this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    layout->addWidget(m_chart, 1);
    setIncome({}, {}, {});
}

// The value label of a figure; its name beside it. Value labels are named lblAmount_<name without blanks>.
QLabel *IncomePanel::figure(const QString &name, int row, int column)
{
    auto *caption = new QLabel(name, m_figuresBox);
    auto *value = new QLabel(m_figuresBox);
    QString key = name;
    key.remove(QLatin1Char(' '));
    value->setObjectName(QStringLiteral("lblAmount_") + key.section(QLatin1Char('('), 0, 0));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_figures->addWidget(caption, row, column);
    m_figures->addWidget(value, row, column + 1);
    return value;
}

void IncomePanel::clearFigures()
{
    while (QLayoutItem *item = m_figures->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (int r = 0; r < m_figures->rowCount(); ++r)
        m_figures->setRowStretch(r, 0);
}

void IncomePanel::setPending(const QString &note)
{
    clearFigures();
    auto *label = new QLabel(note, m_figuresBox);
    label->setObjectName(QStringLiteral("lblIncomePending"));
    m_figures->addWidget(label, 0, 0);
    m_figures->setRowStretch(1, 1);
    m_chart->setChart({}, QString(), note); // not "no income": the figures are on their way
}

void IncomePanel::setIncome(const Income::Totals &totals, const Income::Chart &chart, const QString &chartTitle,
                            std::optional<Money> owed)
{
    clearFigures();
    // Left: what the income is made of; right: how it was paid.
    int row = 0;
    figure(QStringLiteral("Pre-Tax"), row++, 0)->setText(Formats::currency(totals.preTax));
    for (const Income::TaxAmount &t : totals.byTax) {
        QLabel *value = figure(t.heading, row++, 0);
        value->setObjectName(QStringLiteral("lblAmount_Tax_%1").arg(row - 2));
        value->setText(Formats::currency(t.amount));
    }
    QLabel *grand = figure(QStringLiteral("Total"), row++, 0);
    grand->setText(QStringLiteral("<b>%1</b>").arg(Formats::currency(totals.total)));
    int payRow = 0;
    for (int k = 0; k < Income::kPayKinds; ++k) {
        if (k == int(Income::PayKind::Other) && totals.countByPayKind[k] == 0)
            continue;
        const QString name = Income::payKindName(Income::PayKind(k));
        figure(QStringLiteral("%1 (%2)").arg(name).arg(totals.countByPayKind[k]), payRow++, 2)
            ->setText(Formats::currency(totals.byPayKind[k]));
    }
    // Beside what was invoiced, what came in during the range (earlier invoices' payments with it).
    figure(QStringLiteral("Received"), payRow++, 2)->setText(Formats::currency(totals.received));
    if (!totals.receivedLater.isZero())
        figure(QStringLiteral("Received for Earlier"), payRow++, 2)->setText(Formats::currency(totals.receivedLater));
    if (owed)
        figure(QStringLiteral("Owed Now"), payRow++, 2)->setText(Formats::currency(*owed));
    m_figures->setRowStretch(m_figures->rowCount(), 1);
    m_chart->setChart(chart, chartTitle);
}
