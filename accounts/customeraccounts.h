#pragma once

#include "accounts/customerfile.h"
#include "accounts/recordbrowser.h"
#include "core/datafolder.h"
#include "core/recordlayout.h"
#include "core/validation.h"
#include "core/verdict.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The texts of the customer screen's record boxes, as typed. The middle initial is never stored.
struct CustomerForm
{
    QString acctNo;
    QString name;
    QString address1;
    QString address2;
    QString city; // the city box (USA style)
    QString state;
    QString postal;   // as typed
    QString address3; // international style
    QString address4; // international style
    QString telephone;
    QString cell;
    QString email;
    QString title;
    QString firstName;
    QString lastName;

    // Nothing typed that the user could lose (the city box may show the business's city by itself).
    bool isBlank() const;
    bool operator==(const CustomerForm &) const = default;
};

// Where a refused save wants the focus.
enum class CustomerBox { None, AcctNo, Name, Telephone, FirstName };

// Done when the record was saved; either way the notices are shown in this order.
struct CustomerSaveResult : Verdict
{
    CustomerBox focus = CustomerBox::None;
    QString acctNo; // the account-number box after the save (the telephone number when it was blank)
    QString name;   // the name box after the save
};

using CustomerMove = RecordBrowser::Move;

// The customer screen's state without the screen: the count, the record on screen, a new account being
// added, the saved flag, the account type shown, the name list. Every read and write of the customer file
// the screen makes passes through here; the record saved or shown last is the shared current customer.
class CustomerAccounts
{
public:
    static inline const QString kEmptyFileTitle = QStringLiteral("Create Customers");
    static QString emptyFileMessage();

    // The most accounts the file holds: record numbers are 16-bit.
    static constexpr int kMostCustomers = 32767;
    static QString fileFullMessage();

    // What else carries an account number (balance file, history, data boxes, slips): one line per kind found,
    // none when the number names nothing else. Such an account keeps its number.
    using NumberInUse = std::function<QStringList(const QString &acctNo)>;

    // What else goes when an account is deleted (its maintenance agreements), given the number; called before
    // the customer record goes, and not when another record keeps the number.
    using RemoveWithAccount = std::function<void(const QString &acctNo)>;

    CustomerAccounts(const DataFolder &folder, Record &currentCustomer, NumberInUse numberInUse = {},
                     RemoveWithAccount removeWithAccount = {});

    // Each time the screen is shown: finishes an interrupted save, counts the records and builds the name and
    // city lists. False when the file has no records (the count is then 1, a blank record waiting for its save).
    bool activate();
    bool fileHasRecords() const;

    int count() const { return m_browser.count(); }
    int currentNumber() const { return m_browser.current(); }
    bool pendingNew() const { return m_browser.pendingNew(); }
    bool saved() const { return m_saved; }

    // The record as the last Show read it (or the blank record of a new account).
    const Record &shown() const { return m_shown; }
    // Reads record n (a number beyond the file gives a blank record) and makes it current.
    void show(int number);
    // The record's texts as the boxes show them.
    CustomerForm formOf(const Record &record) const;

    // "Business" or "Individual": the account type shown on screen.
    const QString &acctType() const { return m_acctType; }
    bool isBusiness() const;
    void applyType(const QString &type);
    void toggleType();
    // The display name: a business by its stored name, anyone else by the stored person name.
    QString displayName() const;

    // Saves the boxes as the current record. Refusals leave the saved flag false and write nothing.
    CustomerSaveResult save(const CustomerForm &form, bool usaStyle);

    // Starts a new account after the boxes were saved; false (with the notices to show) when no account
    // number was typed or the save was refused.
    struct AddResult
    {
        bool started = false;
        CustomerSaveResult save;
        bool noNumber = false; // nothing started because the account-number box was empty
        bool full = false;     // nothing started: the file holds the most accounts it can
    };
    AddResult addNew(const CustomerForm &form, bool usaStyle);
    // Drops the new account (nothing was written) and shows record 1.
    void cancelNew();
    // The record a move goes to from the current one; the current one when the move does not act.
    int target(CustomerMove move) const { return m_browser.target(move); }

    // Deletes the record on screen, and its balance file, data boxes and what RemoveWithAccount removes unless
    // another account has the same number.
    void deleteCurrent();
    // Another customer record has the number of the record on screen (in any letter case).
    bool numberShared() const;

    // True when another record has exactly this account number.
    bool isDuplicate(const QString &acctNo) const;
    // The account number typed differs from the one stored for the record on screen (a new account: any).
    bool numberChanged(const QString &acctNo) const;

    // The name list (sorted) and the city list.
    const std::vector<CustomerNameEntry> &names() const { return m_names; }
    const QStringList &cities() const { return m_cities; }
    // The first entry whose key begins with the typed text, case ignored; -1 when none does.
    int completion(const QString &typed) const;
    // The entry whose trimmed key equals the trimmed text, case ignored; -1 when none does.
    int findName(const QString &text) const;

    // The search panel: criterion 0 to 8, or the complete list.
    std::vector<CustomerMatch> search(CustomerCriterion criterion, const QString &text) const;

private:
    std::optional<Notice> refusal(const Record &record, const CustomerForm &form) const;
    void updateLists(int number, const Record &record);

    DataFolder m_folder;
    Record &m_currentCustomer;
    NumberInUse m_numberInUse;
    RemoveWithAccount m_removeWithAccount;
    Record m_shown;
    RecordBrowser m_browser;
    bool m_saved = false;
    QString m_acctType;
    std::vector<CustomerNameEntry> m_names;
    QStringList m_cities;
};
