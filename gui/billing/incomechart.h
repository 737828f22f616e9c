#pragma once

#include "billing/income.h"

#include <QWidget>

// The income chart of the history window: a bar per month (or per day), the pre-tax amount with the taxes
// stacked on it, an amount scale on the left, the bars' names below and a legend. Pointing at a bar shows its
// figures. Drawn with plain painting: a few hundred rectangles and texts.
class IncomeChart final : public QWidget
{
    Q_OBJECT
public:
    explicit IncomeChart(QWidget *parent = nullptr);

    // `empty` stands in the plot when there are no bars.
    void setChart(const Income::Chart &chart, const QString &title,
                  const QString &empty = QStringLiteral("No income in this range"));
    const Income::Chart &chart() const { return m_chart; }
    QString title() const { return m_title; }
    QString emptyText() const { return m_empty; }

    // The bar under a point of the widget, -1 for none.
    int barAt(const QPoint &point) const;
    // "Mar 2026: pre-tax $1,000.00, taxes $60.00, total $1,060.00".
    QString barText(int bar) const;

    QSize sizeHint() const override { return {520, 200}; }
    QSize minimumSizeHint() const override { return {240, 140}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRect plotArea() const;

    Income::Chart m_chart;
    QString m_title;
    QString m_empty;
};
