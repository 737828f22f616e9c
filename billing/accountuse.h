#pragma once

#include "core/verdict.h"

#include <QString>
#include <QStringList>

class DataFolder;

// What else in the data folder carries an account number besides the customer record: the record files the
// record-file table marks (its balance file, its history, its slips not yet finalized, its maintenance
// agreements) and its data boxes. An account that has any of these cannot simply change its number (they would
// stay under the old one); deleting it should say what it leaves.
struct AccountUse
{
    bool balanceFile = false;
    bool history = false;
    bool notes = false;
    int slips = 0;      // on the board or completed, waiting to be finalized
    int agreements = 0; // maintenance agreements
    int mediaSlips = 0; // slips whose photos or signature are kept in its folder

    bool any() const { return balanceFile || history || notes || slips > 0 || agreements > 0 || mediaSlips > 0; }
    // One line per kind of record found, as the customer screen names them.
    QStringList lines() const;
};

AccountUse accountUse(const DataFolder &folder, const QString &acctNo);

// The question before a customer is deleted: the account by name and number and what goes or stays with it.
// `numberShared`: another customer record has the same number, so what carries it stays for that one. Asks
// first; done once answered Yes.
inline const QString kDeleteCustomerTitle = QStringLiteral("Delete Customer");
Verdict customerDeletion(const AccountUse &use, const QString &name, const QString &acctNo, bool numberShared,
                         const Answers &answers);
