#pragma once

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "testsupport.h"

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

// Three accounts: a business, a man with a title, telephone and cell, a woman with neither.
inline QByteArray threeCustomers()
{
    return customer("A1|Business|Acme Heating||||Springfield|555-123-4567").bytes() +
           customer("B2|Individual||Mr.|John|Smith|Shelbyville|800-555-0000|800-555-9999").bytes() +
           customer("C3|Individual|||Ann|Lee|Springfield").bytes();
}

// Records of that layout (count of them) carrying an account number in the field given, as another file holds
// them.
inline QByteArray carrying(const RecordLayout &layout, int field, const QString &acctNo, int count = 1)
{
    Record r(layout);
    r.setText(field, acctNo);
    return r.bytes().repeated(count);
}

// Record n (from 1) of the customer file as it is on disk.
inline Record storedCustomer(const TestRoot &root, int n)
{
    return Record(customerLayout(), root.read(CustomerFile::kPath).mid((n - 1) * 328, 328));
}
