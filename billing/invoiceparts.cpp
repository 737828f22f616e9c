#include "billing/invoiceparts.h"

#include "core/formats.h"

#include <algorithm>
#include <numeric>

namespace InvoiceParts {

Parts shown(Money preTax, const std::vector<Money> &taxes, Money total)
{
    constexpr qint64 cent = 100;
    Parts parts;
    parts.total = Formats::roundToCents(total);
    parts.preTax = Formats::roundToCents(preTax);
    parts.taxes.reserve(taxes.size());
    Money rounded;
    for (const Money &t : taxes) {
        parts.taxes.push_back(Formats::roundToCents(t));
        rounded += parts.taxes.back();
    }
    if (taxes.empty() || parts.preTax + rounded == parts.total) {
        parts.preTax = parts.total - rounded;
        return parts;
    }
    // Share the tax cents of the total: each tax its cents cut down, then a cent more to those cut most.
    std::vector<qint64> cut(taxes.size()), left(taxes.size());
    qint64 sum = 0;
    bool plain = true;
    for (std::size_t i = 0; i < taxes.size(); ++i) {
        plain = plain && taxes[i].raw() >= 0;
        cut[i] = taxes[i].raw() / cent * cent;
        left[i] = taxes[i].raw() - cut[i];
        sum += cut[i];
    }
    const qint64 extra = (parts.total - parts.preTax).raw() - sum;
    if (!plain || extra < 0 || extra > qint64(taxes.size()) * cent) {
        // Parts that the total does not hold: the taxes as rounded, the pre-tax amount what remains.
        parts.preTax = parts.total - rounded;
        return parts;
    }
    std::vector<std::size_t> order(taxes.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return left[a] > left[b]; });
    for (std::size_t k = 0; k < order.size(); ++k)
        parts.taxes[order[k]] = Money::fromRaw(cut[order[k]] + (qint64(k) * cent < extra ? cent : 0));
    return parts;
}

} // namespace InvoiceParts
