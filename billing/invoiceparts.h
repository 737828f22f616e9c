#pragma once

#include "core/money.h"

#include <vector>

// The parts of an invoice as every document shows them: the pre-tax amount and each tax in whole cents, adding up
// to the total that was charged.
//
// Invoices posted since taxes are charged in whole cents add up as stored. Older ones keep taxes to four decimals,
// whose cents rounded one by one can miss the total by a cent; the total is what the customer was charged, so the
// cents between the pre-tax amount and the total are shared among the taxes, the extra cent going to the tax that
// lost most in rounding.
namespace InvoiceParts {

struct Parts
{
    Money preTax;
    std::vector<Money> taxes;
    Money total;
};

Parts shown(Money preTax, const std::vector<Money> &taxes, Money total);

} // namespace InvoiceParts
