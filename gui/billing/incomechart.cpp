#include "gui/billing/incomechart.h"

#include "core/formats.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

namespace {

const QColor kPreTaxColour(52, 101, 164);
const QColor kTaxColour(245, 121, 0);

// A round step for the amount scale: 1, 2 or 5 times a power of ten, about a quarter of the highest bar.
double scaleStep(double highest)
{
    if (highest <= 0)
        return 1;
    const double rough = highest / 4;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double f : {1.0, 2.0, 5.0, 10.0}) {
        if (rough <= f * power)
            return f * power;
    }
    return 10 * power;
}

// "$1,500" for the scale: whole dollars.
QString scaleText(double dollars)
{
    const QString cents = Formats::currency(Money::fromCents(qint64(std::llround(dollars * 100))));
    return cents.endsWith(QLatin1String(".00")) ? cents.chopped(3) : cents;
}

double dollars(Money m)
{
    return double(m.raw()) / double(Money::kScale);
}

} // namespace

IncomeChart::IncomeChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("chtIncome"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void IncomeChart::setChart(const Income::Chart &chart, const QString &title, const QString &empty)
{
    m_chart = chart;
    m_title = title;
    m_empty = empty;
    update();
}

QRect IncomeChart::plotArea() const
{
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(scaleText(std::max(1.0, dollars(m_chart.highest)) * 1.25)) + 12;
    return QRect(left, fm.height() + 10, std::max(10, width() - left - 10),
                 std::max(10, height() - 3 * fm.height() - 18));
}

int IncomeChart::barAt(const QPoint &point) const
{
    const QRect plot = plotArea();
    const int count = int(m_chart.bars.size());
    if (count == 0 || point.x() < plot.left() || point.x() > plot.right() || point.y() < plot.top() ||
        point.y() > plot.bottom())
        return -1;
    return std::clamp(int(double(point.x() - plot.left()) * count / plot.width()), 0, count - 1);
}

QString IncomeChart::barText(int bar) const
{
    if (bar < 0 || bar >= int(m_chart.bars.size()))
        return {};
    const Income::Bar &b = m_chart.bars[std::size_t(bar)];
    return QStringLiteral("%1: pre-tax %2, taxes %3, total %4")
        .arg(b.label, Formats::currency(b.preTax), Formats::currency(b.taxes), Formats::currency(b.preTax + b.taxes));
}

bool IncomeChart::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = barText(barAt(help->pos()));
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void IncomeChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm(font());
    const QRect plot = plotArea();
    const QColor ink = palette().text().color();

    // Title and legend on the top line.
    p.setPen(ink);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRect(4, 2, width() / 2, fm.height() + 4), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    p.setFont(font());
    int x = width() - 8;
    for (const auto &[name, colour] :
         {std::pair{QStringLiteral("Taxes"), kTaxColour}, std::pair{QStringLiteral("Pre-tax"), kPreTaxColour}}) {
        x -= fm.horizontalAdvance(name);
        p.drawText(x, 2 + fm.ascent() + 2, name);
        x -= fm.height() + 4;
        p.fillRect(x, 4, fm.height() - 2, fm.height() - 2, colour);
        x -= 12;
    }

    // The amount scale and its lines.
    const double step = scaleStep(dollars(m_chart.highest));
    const double top = std::max(step, std::ceil(dollars(m_chart.highest) / step) * step);
    const auto yOf = [&](double value) { return plot.bottom() - int(std::lround(value / top * plot.height())); };
    for (double v = 0; v <= top + step / 2; v += step) {
        const int y = yOf(v);
        p.setPen(QColor(220, 220, 220));
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(ink);
        const QString text = scaleText(v);
        p.drawText(plot.left() - 6 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1, text);
    }

    // The bars, and the names of as many as there is room for.
    const int count = int(m_chart.bars.size());
    if (count == 0) {
        p.drawText(plot, Qt::AlignCenter, m_empty);
        return;
    }
    const double slot = double(plot.width()) / count;
    const int gap = slot >= 6 ? std::max(1, int(slot / 5)) : 0;
    int labelEvery = 1;
    int widest = 0;
    for (const Income::Bar &b : m_chart.bars)
        widest = std::max(widest, fm.horizontalAdvance(b.label));
    while (labelEvery * slot < widest + 8)
        ++labelEvery;
    for (int i = 0; i < count; ++i) {
        const Income::Bar &b = m_chart.bars[std::size_t(i)];
        const int left = plot.left() + int(i * slot) + gap / 2;
        const int barWidth = std::max(1, int((i + 1) * slot) - int(i * slot) - gap);
        const int preTaxTop = yOf(std::max(0.0, dollars(b.preTax)));
        const int totalTop = yOf(std::max(0.0, dollars(b.preTax + b.taxes)));
        p.fillRect(left, preTaxTop, barWidth, plot.bottom() - preTaxTop, kPreTaxColour);
        p.fillRect(left, totalTop, barWidth, preTaxTop - totalTop, kTaxColour);
        if (i % labelEvery == 0) {
            p.setPen(ink);
            const int centre = plot.left() + int((i + 0.5) * slot);
            const int w = fm.horizontalAdvance(b.label);
            p.drawText(std::clamp(centre - w / 2, 0, width() - w), plot.bottom() + 4 + fm.ascent(), b.label);
        }
    }
    p.setPen(ink);
    p.drawLine(plot.left(), plot.bottom(), plot.right(), plot.bottom());
}
