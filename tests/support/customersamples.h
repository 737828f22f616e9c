#pragma once

#include "accounts/customerrecord.h"

#include <QStringList>

// A customer record from "acct|type|name|title|first|last|city|telephone|cell" (fields left out stay blank). The
// service city is the city, as the customer screen stores it: an unchanged account saves the same bytes.
inline Record customer(const QString &fields)
{
    using namespace CustomerField;
    Record r(customerLayout());
    const int order[] = {AcctNo, AcctType, Name, Title, FirstName, LastName, City, Telephone, Cell};
    const QStringList f = fields.split('|');
    for (int i = 0; i < f.size() && i < int(std::size(order)); ++i)
        r.setText(order[i], f[i]);
    r.setText(ServiceCity, r.text(City));
    return r;
}
