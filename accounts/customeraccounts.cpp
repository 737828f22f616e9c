#include "accounts/customeraccounts.h"

#include "accounts/auxdata.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/customerwrite.h"
#include "core/diskerror.h"
#include "core/recordscan.h"

#include <algorithm>

namespace {

using namespace CustomerField;

Notice notice(const QString &text, const QString &title)
{
    return {text, title};
}

} // namespace

bool CustomerForm::isBlank() const
{
    for (const QString *box : {&acctNo, &name, &address1, &address2, &postal, &address3, &address4, &telephone, &cell,
                               &email, &firstName, &lastName}) {
        if (!box->trimmed().isEmpty())
            return false;
    }
    return true;
}

QString CustomerAccounts::emptyFileMessage()
{
    return QStringList{QStringLiteral("Your Customer File is Empty"), QStringLiteral("Create your First Customer Now"),
                       QStringLiteral("To create a Residential Account,"),
                       QStringLiteral("click the Toggle Acct Type Button")}
        .join(QStringLiteral("\r\n"));
}

QString CustomerAccounts::fileFullMessage()
{
    return QStringLiteral("The Customer File holds %L1 accounts, the most it can hold.\r\nNo account can be added; "
                          "delete an account that is no longer needed first.")
        .arg(kMostCustomers);
}

CustomerAccounts::CustomerAccounts(const DataFolder &folder, Record &currentCustomer, NumberInUse numberInUse,
                                   RemoveWithAccount removeWithAccount)
    : m_folder(folder)
    , m_currentCustomer(currentCustomer)
    , m_numberInUse(std::move(numberInUse))
    , m_removeWithAccount(std::move(removeWithAccount))
    , m_shown(newCustomerRecord())
    , m_acctType(CustomerFile::kBusiness)
{}

bool CustomerAccounts::fileHasRecords() const
{
    return customerCount(m_folder) > 0;
}

bool CustomerAccounts::activate()
{
    try {
        CustomerWrite::recoverCustomerWrite(m_folder);
    } catch (const DiskError &) {
        // The journal stays for the next attempt; the file holds the old record meanwhile.
    }
    const int stored = customerCount(m_folder);
    // An empty file shows one blank record, waiting for its save.
    m_browser.open(std::max(1, stored), false);
    if (stored == 0) {
        m_names.clear();
        m_cities.clear();
        m_shown = newCustomerRecord();
        return false;
    }
    CustomerNameList list = loadCustomerNames(m_folder);
    m_names = std::move(list.names);
    m_cities = std::move(list.cities);
    return true;
}

void CustomerAccounts::show(int number)
{
    m_browser.setCurrent(std::max(1, number));
    ReadCustomer(m_folder, m_browser.current(), m_shown);
    m_currentCustomer = m_shown;
    applyType(m_shown.text(AcctType));
}

CustomerForm CustomerAccounts::formOf(const Record &record) const
{
    CustomerForm f;
    f.acctNo = record.text(AcctNo);
    f.name = record.text(Name);
    if (f.name.isEmpty())
        f.name = personName(record).trimmed();
    f.address1 = record.text(Address1);
    f.address2 = record.text(Address2);
    f.city = record.text(City);
    f.state = record.text(State);
    f.postal = record.text(PostalCode);
    if (f.postal.isEmpty())
        f.postal = record.text(Address4);
    f.address3 = record.text(City);
    f.address4 = record.text(Address4);
    f.telephone = record.text(Telephone);
    f.cell = record.text(Cell);
    f.email = record.text(Email);
    f.title = record.text(Title);
    f.firstName = record.text(FirstName);
    f.lastName = record.text(LastName);
    return f;
}

bool CustomerAccounts::isBusiness() const
{
    return m_acctType == CustomerFile::kBusiness;
}

void CustomerAccounts::applyType(const QString &type)
{
    // Anything but "Individual" shows as a business, as a damaged or empty type field reads best.
    m_acctType = type.trimmed() == CustomerFile::kIndividual ? CustomerFile::kIndividual : CustomerFile::kBusiness;
}

void CustomerAccounts::toggleType()
{
    applyType(isBusiness() ? CustomerFile::kIndividual : CustomerFile::kBusiness);
}

QString CustomerAccounts::displayName() const
{
    return isBusiness() ? m_shown.text(Name) : personName(m_shown);
}

std::optional<Notice> CustomerAccounts::refusal(const Record &record, const CustomerForm &form) const
{
    for (const QString *box : {&form.acctNo, &form.name, &form.address1, &form.address2, &form.city, &form.state,
                               &form.postal, &form.address3, &form.address4, &form.telephone, &form.cell, &form.email,
                               &form.title, &form.firstName, &form.lastName}) {
        if (auto refused = Validation::unstorableText(*box))
            return refused;
    }
    const QString acctNo = record.text(AcctNo);
    QString why;
    if (!accountFileName(acctNo, &why))
        return notice(why, QStringLiteral("Account No"));
    const RecordScan scan(m_folder, CustomerFile::kPath, customerLayout());
    const QByteArray wanted = Cp1252::encode(acctNo);
    for (int i = 0; i < scan.count(); ++i) {
        if (i + 1 == m_browser.current())
            continue;
        const QByteArrayView stored = scan.trimmed(i, AcctNo);
        if (stored.size() != wanted.size())
            continue;
        // Numbers that are equal, or differ only in letter case, would share one balance file and one folder.
        const QString other = Cp1252::decode(stored.data(), stored.size());
        if (other.compare(acctNo, Qt::CaseInsensitive) == 0)
            return notice(QStringLiteral("Account No %1 is already used by customer record %2 (Account No %3).\r\n"
                                         "Enter a different Number.")
                              .arg(acctNo)
                              .arg(i + 1)
                              .arg(other),
                          QStringLiteral("Duplicate Account Number"));
    }
    // The balance file, history, data boxes and slips of an account stay under its number.
    const QString before = m_shown.text(AcctNo);
    if (!m_browser.pendingNew() && m_browser.current() <= scan.count() && !before.isEmpty() && before != acctNo &&
        m_numberInUse) {
        const QStringList uses = m_numberInUse(before);
        if (!uses.isEmpty())
            return notice(
                QStringLiteral("Account No %1 cannot be changed to %2:").arg(before, acctNo) + QStringLiteral("\r\n") +
                    uses.join(QStringLiteral("\r\n")) +
                    QStringLiteral("\r\nThey would stay under %1. To open a new account, click Add New.").arg(before),
                QStringLiteral("Account Number in Use"));
    }
    return std::nullopt;
}

CustomerSaveResult CustomerAccounts::save(const CustomerForm &form, bool usaStyle)
{
    CustomerSaveResult result;
    result.kind = Verdict::Kind::Refused;
    m_saved = false;
    result.acctNo = form.acctNo;
    result.name = form.name;
    if (form.acctNo.trimmed().isEmpty()) {
        if (form.telephone.trimmed().isEmpty()) {
            result.notices.push_back(
                notice(QStringLiteral("The Telephone Number cannot be blank"), QStringLiteral("No number")));
            result.focus = CustomerBox::Telephone;
            return result;
        }
        result.acctNo = form.telephone.trimmed();
        result.notices.push_back(
            notice(QStringLiteral("Telephone Number will be used as Acct No."), QStringLiteral("Account not Entered")));
    }
    if (isBusiness()) {
        if (result.name.trimmed().isEmpty())
            result.name = personName(m_shown).trimmed();
    } else {
        // The name box is hidden for a person: the account's name is the person's name as typed.
        if (form.firstName.trimmed().isEmpty() || form.lastName.trimmed().isEmpty()) {
            result.notices.push_back(notice(QStringLiteral("Enter Account 1st and Last Name"), QString()));
            result.focus = CustomerBox::FirstName;
            return result;
        }
        result.name = Validation::joinNameParts(form.title, form.firstName, QString(), form.lastName).trimmed();
    }
    if (result.name.trimmed().isEmpty()) {
        result.notices.push_back(notice(QStringLiteral("The Account Name Cannot be Blank"), QString()));
        result.focus = CustomerBox::Name;
        return result;
    }

    Record record = m_browser.pendingNew() ? newCustomerRecord() : m_shown;
    record.setText(AcctNo, result.acctNo.trimmed());
    record.setText(Name, result.name.trimmed());
    record.setText(Address1, form.address1.trimmed());
    record.setText(Address2, form.address2.trimmed());
    record.setText(City, (usaStyle ? form.city : form.address3).trimmed());
    record.setText(ServiceCity, form.city.trimmed());
    record.setText(State, usaStyle ? form.state.trimmed() : QString());
    record.setText(PostalCode, form.postal);
    record.setText(Address4, (usaStyle ? form.postal : form.address4).trimmed());
    record.setText(Telephone, form.telephone.trimmed());
    record.setText(Cell, form.cell.trimmed());
    record.setText(Email, form.email.trimmed());
    record.setText(Title, form.title.trimmed());
    record.setText(FirstName, form.firstName.trimmed());
    record.setText(MiddleInitial, QString());
    record.setText(LastName, form.lastName.trimmed());
    record.setText(AcctType, m_acctType);

    if (auto refused = refusal(record, form)) {
        result.notices.push_back(*refused);
        result.focus = CustomerBox::AcctNo;
        return result;
    }
    const int stored = customerCount(m_folder);
    // A stored record saved unchanged is not written again.
    if (m_browser.pendingNew() || m_browser.current() > stored || !(record == m_shown)) {
        const int number = std::min(m_browser.current(), stored + 1);
        try {
            WriteCustomer(m_folder, number, record);
        } catch (const DiskError &e) {
            result.notices.push_back(notice(e.message(), QStringLiteral("Account not Saved")));
            return result;
        }
        m_browser.setCurrent(number);
        updateLists(number, record);
    }
    m_browser.newStored();
    m_shown = record;
    m_currentCustomer = record;
    m_saved = true;
    result.kind = Verdict::Kind::Done;
    return result;
}

void CustomerAccounts::updateLists(int number, const Record &record)
{
    const auto old = std::find_if(m_names.begin(), m_names.end(),
                                  [number](const CustomerNameEntry &e) { return e.recordNumber == number; });
    if (old != m_names.end())
        m_names.erase(old);
    CustomerNameEntry entry;
    entry.key = CustomerListKey(record);
    entry.recordNumber = number;
    entry.folded = foldedNameKey(entry.key);
    insertSorted(m_names, std::move(entry));
    const QString city = record.text(City);
    if (!city.isEmpty() && !m_cities.contains(city)) {
        const auto at =
            std::upper_bound(m_cities.begin(), m_cities.end(), city,
                             [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        m_cities.insert(at, city);
    }
}

CustomerAccounts::AddResult CustomerAccounts::addNew(const CustomerForm &form, bool usaStyle)
{
    AddResult result;
    if (form.acctNo.isEmpty()) {
        result.noNumber = true;
        return result;
    }
    result.save = save(form, usaStyle);
    if (!m_saved)
        return result;
    if (customerCount(m_folder) >= kMostCustomers) {
        result.full = true;
        return result;
    }
    m_browser.open(customerCount(m_folder), false);
    m_browser.startNew();
    m_shown = newCustomerRecord();
    m_shown.setText(AcctType, CustomerFile::kBusiness);
    result.started = true;
    return result;
}

void CustomerAccounts::cancelNew()
{
    if (!m_browser.cancelNew())
        return;
    m_browser.open(std::max(1, customerCount(m_folder)), false);
    show(1);
}

bool CustomerAccounts::numberShared() const
{
    const QString acctNo = m_shown.text(AcctNo);
    const RecordScan scan(m_folder, CustomerFile::kPath, customerLayout());
    for (int i = 0; i < scan.count(); ++i) {
        if (i + 1 == m_browser.current())
            continue;
        const QByteArrayView stored = scan.trimmed(i, AcctNo);
        if (Cp1252::decode(stored.data(), stored.size()).compare(acctNo, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void CustomerAccounts::deleteCurrent()
{
    // The balance file goes with the record, unless another account has the same number (any letter case):
    // the file is theirs too.
    const QString acctNo = m_shown.text(AcctNo);
    const bool shared = numberShared();
    // What else goes with the account goes first: should that fail, the customer is still there to delete again.
    if (!shared && m_removeWithAccount)
        m_removeWithAccount(acctNo);
    const CustomerDeletion after = DeleteCustomer(m_folder, m_browser.current(), shared ? QString() : acctNo);
    // The data boxes go with the account too (gate and alarm codes must not greet a new account of that number).
    if (!shared)
        AuxData::removeBoxes(m_folder, acctNo);
    m_browser.removed(after.count, after.current);
    CustomerNameList list = loadCustomerNames(m_folder);
    m_names = std::move(list.names);
    m_cities = std::move(list.cities);
}

bool CustomerAccounts::numberChanged(const QString &acctNo) const
{
    return m_browser.pendingNew() || acctNo.trimmed() != m_shown.text(AcctNo);
}

bool CustomerAccounts::isDuplicate(const QString &acctNo) const
{
    return FindDuplicateAcctNo(m_folder, acctNo, m_browser.current());
}

int CustomerAccounts::completion(const QString &typed) const
{
    if (typed.isEmpty())
        return -1;
    const QByteArray prefix = foldedNameKey(typed);
    const auto at = std::lower_bound(m_names.begin(), m_names.end(), prefix,
                                     [](const CustomerNameEntry &e, const QByteArray &p) { return e.folded < p; });
    if (at == m_names.end() || !at->folded.startsWith(prefix))
        return -1;
    return int(at - m_names.begin());
}

int CustomerAccounts::findName(const QString &text) const
{
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return -1;
    const QByteArray key = foldedNameKey(wanted);
    auto at = std::lower_bound(m_names.begin(), m_names.end(), key,
                               [](const CustomerNameEntry &e, const QByteArray &p) { return e.folded < p; });
    for (; at != m_names.end() && at->folded.startsWith(key); ++at) {
        if (at->key.trimmed().toUpper() == wanted.toUpper())
            return int(at - m_names.begin());
    }
    return -1;
}

std::vector<CustomerMatch> CustomerAccounts::search(CustomerCriterion criterion, const QString &text) const
{
    return SearchCustomers(m_folder, criterion, text.trimmed().toUpper());
}
