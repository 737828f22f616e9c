#pragma once

#include <QString>
#include <QStringList>

class DataFolder;

// What else in the data folder carries an account number besides the customer record: its balance file,
// its history (the account history, the payments, the service history and the invoice journal), its data
// boxes and its service slips not yet finalized. An account that has any of these cannot simply change its
// number (they would stay under the old one); deleting it should say what it leaves.
struct AccountUse
{
    bool balanceFile = false;
    bool history = false;
    bool notes = false;
    int slips = 0; // on the board or completed, waiting to be finalized

    bool any() const { return balanceFile || history || notes || slips > 0; }
    // One line per kind of record found, as the customer screen names them.
    QStringList lines() const;
};

AccountUse accountUse(const DataFolder &folder, const QString &acctNo);
