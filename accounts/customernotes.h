#pragma once

#include "accounts/auxdata.h"
#include "core/datafolder.h"

#include <QString>
#include <QStringList>

// The customer screen's files other than the customer file: the six data boxes of the account on screen, the
// six headings common to all accounts, and the states of the state drop-down. It remembers which account the
// boxes on screen belong to and what they held when loaded or stored, so that the screen can store them on
// every way out of the account when, and only when, they were changed. Disk failures come through as DiskError.
class CustomerNotes
{
public:
    explicit CustomerNotes(const DataFolder &folder);

    // The state drop-down's values: the first 50 of /StatesList.txt.
    QStringList statesList() const;
    AuxData::Texts headings() const;
    void saveHeadings(const AuxData::Texts &headings) const;

    // Reads the boxes of an account; they now belong to it.
    AuxData::Texts load(const QString &acctNo);
    // The boxes on screen stay as they are and now belong to this account, as they are (nothing to store).
    void carry(const QString &acctNo, const AuxData::Texts &onScreen);
    // Stores the boxes for the account they belong to; nothing when no account holds them.
    void save(const AuxData::Texts &onScreen);
    // Stores them only when they differ from what was loaded or stored last; true when they were stored.
    bool saveIfChanged(const AuxData::Texts &onScreen);
    bool changed(const AuxData::Texts &onScreen) const;
    // No account holds the boxes on screen (a new account not stored yet).
    void release();
    const QString &account() const { return m_account; }

    // True when something is stored in a box of this account.
    bool hasNotes(const QString &acctNo) const;
    // Empties the six boxes of an account on disk.
    void remove(const QString &acctNo) const;

private:
    DataFolder m_folder;
    QString m_account;
    bool m_held = false;
    AuxData::Texts m_stored;
};
