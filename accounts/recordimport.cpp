#include "accounts/recordimport.h"

#include "accounts/assignmentfile.h"
#include "accounts/assignmentrecord.h"
#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "accounts/customerwrite.h"
#include "accounts/servicecatalogue.h"
#include "accounts/servicerecord.h"
#include "accounts/serviceseditor.h"
#include "core/cp1252.h"
#include "core/csvlist.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/validation.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

namespace RecordImport {

namespace {

// The customer targets, in the order of targets(ImportKind::Customers).
enum CustomerTarget {
    CAcctNo,
    CName,
    CTitle,
    CFirst,
    CLast,
    CAddress1,
    CAddress2,
    CCity,
    CState,
    CPostal,
    CAddress4,
    CTelephone,
    CCell,
    CEmail,
    CType,
    CCountry,
    CServiceCity,
    CMiddle
};
enum ServiceTarget { SDescription, SCharge, STime, STimeIndex };
constexpr int kRecordLimit = 32767; // record counts are 16-bit numbers

QStringList words(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A heading as compared: letters and digits only, in lower case.
QString folded(const QString &heading)
{
    QString out;
    for (const QChar c : heading) {
        if (c.isLetterOrNumber())
            out += c.toLower();
    }
    return out;
}

QString limitText(const Target &t, const QString &value)
{
    return QStringLiteral("%1 is %2 characters long; it holds at most %3")
        .arg(t.heading)
        .arg(value.size())
        .arg(t.limit);
}

} // namespace

QString oneLine(QString value)
{
    return CsvReader::oneLine(std::move(value));
}

std::optional<ImportKind> kindNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("customers") || n == QLatin1String("customer"))
        return ImportKind::Customers;
    if (n == QLatin1String("services") || n == QLatin1String("service"))
        return ImportKind::Services;
    if (n == QLatin1String("technicians") || n == QLatin1String("technician") || n == QLatin1String("assignments") ||
        n == QLatin1String("assignment"))
        return ImportKind::Technicians;
    return std::nullopt;
}

QString kindName(ImportKind kind)
{
    switch (kind) {
    case ImportKind::Customers:
        return QStringLiteral("customers");
    case ImportKind::Services:
        return QStringLiteral("services");
    case ImportKind::Technicians:
        break;
    }
    return QStringLiteral("technicians");
}

QString pathOf(ImportKind kind)
{
    switch (kind) {
    case ImportKind::Customers:
        return CustomerFile::kPath;
    case ImportKind::Services:
        return ServiceCatalogue::kPath;
    case ImportKind::Technicians:
        break;
    }
    return AssignmentFile::kPath;
}

int limitOf(ImportKind kind)
{
    return kind == ImportKind::Services ? ServiceCatalogue::kMaxServices : kRecordLimit;
}

static const RecordLayout &layoutOf(ImportKind kind)
{
    switch (kind) {
    case ImportKind::Customers:
        return customerLayout();
    case ImportKind::Services:
        return serviceLayout();
    case ImportKind::Technicians:
        break;
    }
    return assignmentLayout();
}

const std::vector<Target> &targets(ImportKind kind)
{
    static const std::vector<Target> customers = {
        {QStringLiteral("AcctNo"), 20,
         words("account accountno accountnumber acct acctnumber customerno customernumber customerid id")},
        {QStringLiteral("Name"), 45,
         words("company companyname business businessname accountname customer customername")},
        {QStringLiteral("Title"), 10, words("salutation courtesytitle")},
        {QStringLiteral("FirstName"), 15, words("first givenname forename")},
        {QStringLiteral("LastName"), 25, words("last surname familyname")},
        {QStringLiteral("Address1"), 35, words("address street streetaddress addressline1")},
        {QStringLiteral("Address2"), 25, words("addressline2 apt pobox suite subdiv")},
        {QStringLiteral("City"), 25, words("town address3 addressline3")},
        {QStringLiteral("State"), 2, words("province st")},
        {QStringLiteral("PostalCode"), 10, words("zip zipcode postcode")},
        {QStringLiteral("Address4"), 25, words("addressline4")},
        {QStringLiteral("Telephone"), 13, words("phone tel telephonenumber phonenumber businessphone homephone")},
        {QStringLiteral("Cell"), 13, words("mobile cellphone mobilephone cellular")},
        {QStringLiteral("Email"), 30, words("emailaddress mail")},
        {QStringLiteral("AcctType"), 10, words("type accounttype")},
        // Not a field of its own: in the international address style it goes into address line 4.
        {QStringLiteral("Country"), 25, words("countryregion nation")},
        {QStringLiteral("ServiceCity"), 20, {}},
        {QStringLiteral("MiddleInitial"), 1, words("middle middlename")},
    };
    static const std::vector<Target> services = {
        {QStringLiteral("Description"), ServicesEditor::kDescriptionLimit, words("service servicedescription name")},
        {QStringLiteral("Charge"), 10, words("price amount rate cost")},
        {QStringLiteral("AllottedTime"), 4, words("time duration hours")},
        // The stored form of the allotted time, as a place in the list of times: the data tool's export.
        {QStringLiteral("TimeIndex"), 2, {}},
    };
    static const std::vector<Target> technicians = {
        {QStringLiteral("Reference"), 20, words("ref employee employeeno employeenumber id")},
        {QStringLiteral("Name"), 30, words("technician crew assignment fullname")},
        {QStringLiteral("Address1"), 35, words("address street streetaddress addressline1")},
        {QStringLiteral("Address2"), 25, words("addressline2 apt pobox suite subdiv")},
        {QStringLiteral("City"), 20, words("town address3 addressline3")},
        {QStringLiteral("State"), 20, words("province st")},
        {QStringLiteral("PostalCode"), 10, words("zip zipcode postcode address4")},
        {QStringLiteral("Telephone"), 15, words("phone tel telephonenumber phonenumber")},
        {QStringLiteral("Cell"), 15, words("mobile cellphone mobilephone cellular")},
        {QStringLiteral("TextMsgNo"), 15, words("text textmessage textmessageno sms pager")},
        {QStringLiteral("Email"), 30, words("emailaddress mail")},
    };
    switch (kind) {
    case ImportKind::Customers:
        return customers;
    case ImportKind::Services:
        return services;
    case ImportKind::Technicians:
        break;
    }
    return technicians;
}

int targetNamed(ImportKind kind, const QString &heading)
{
    const std::vector<Target> &all = targets(kind);
    const QString h = folded(heading);
    for (std::size_t t = 0; t < all.size() && !h.isEmpty(); ++t) {
        if (folded(all[t].heading) == h || all[t].aliases.contains(h))
            return int(t);
    }
    return -1;
}

QString headingNote(ImportKind kind, const QStringList &headings, const std::vector<int> &mapping, int column)
{
    if (column < 0 || column >= headings.size() || mapping[std::size_t(column)] >= 0)
        return {};
    const QString heading = headings[column];
    const QString quoted = QStringLiteral("column %1 \"%2\"").arg(column + 1).arg(heading);
    for (int c = 0; c < column; ++c) {
        if (folded(headings[c]) == folded(heading) && !folded(heading).isEmpty())
            return QStringLiteral("%1 repeats the heading of column %2; it is read only where column %2 is blank")
                .arg(quoted)
                .arg(c + 1);
    }
    const int t = targetNamed(kind, heading);
    if (t >= 0) {
        const auto filler = std::find(mapping.begin(), mapping.end(), t);
        if (filler != mapping.end())
            return QStringLiteral("%1 names %2 too, which column %3 \"%4\" fills; it is read only where that "
                                  "column is blank")
                .arg(quoted, targets(kind)[std::size_t(t)].heading)
                .arg(filler - mapping.begin() + 1)
                .arg(headings[filler - mapping.begin()]);
    }
    const RecordLayout &layout = layoutOf(kind);
    for (int f = 0; f < layout.fieldCount(); ++f) {
        if (folded(layout.fieldName(f)) == folded(heading))
            return QStringLiteral("%1 holds a field the program sets itself and is left out").arg(quoted);
    }
    return QStringLiteral("%1 is not a known heading and is left out").arg(quoted);
}

std::vector<int> matchHeadings(ImportKind kind, const QStringList &headings)
{
    const std::vector<Target> &all = targets(kind);
    std::vector<int> mapping(std::size_t(headings.size()), -1);
    std::vector<bool> taken(all.size(), false);
    for (qsizetype c = 0; c < headings.size(); ++c) {
        const QString h = folded(headings[c]);
        for (std::size_t t = 0; t < all.size() && !h.isEmpty(); ++t) {
            if (!taken[t] && (folded(all[t].heading) == h || all[t].aliases.contains(h))) {
                mapping[std::size_t(c)] = int(t);
                taken[t] = true;
                break;
            }
        }
    }
    return mapping;
}

std::optional<QString> mappingProblem(ImportKind kind, const std::vector<int> &mapping)
{
    const std::vector<Target> &all = targets(kind);
    std::vector<int> uses(all.size(), 0);
    for (int t : mapping) {
        if (t >= 0 && t < int(all.size()) && ++uses[std::size_t(t)] == 2)
            return QStringLiteral("Two columns are set to %1; set one of them to another field or to (skip).")
                .arg(all[std::size_t(t)].heading);
    }
    const bool named = kind == ImportKind::Customers
                           ? uses[CName] || uses[CFirst] || uses[CLast]
                           : uses[0] != 0 || (kind == ImportKind::Technicians && uses[1] != 0);
    if (!named) {
        return kind == ImportKind::Customers
                   ? QStringLiteral("No column is set to Name, FirstName or LastName.")
                   : QStringLiteral("No column is set to %1.")
                         .arg(kind == ImportKind::Services ? QStringLiteral("Description") : QStringLiteral("Name"));
    }
    return std::nullopt;
}

namespace {

// Turns the rows of one kind into records; what is shared by the three kinds lives here.
class Planner
{
public:
    Planner(ImportKind kind, const std::vector<int> &mapping, const QStringList &headings)
        : m_targets(targets(kind))
        , m_columnOf(m_targets.size(), -1)
        , m_otherColumns(m_targets.size())
    {
        for (std::size_t c = 0; c < mapping.size(); ++c) {
            if (mapping[c] >= 0 && mapping[c] < int(m_targets.size()) && m_columnOf[std::size_t(mapping[c])] < 0)
                m_columnOf[std::size_t(mapping[c])] = int(c);
        }
        // A column left out whose heading names a field another column fills (Home Phone beside Business
        // Phone, a heading twice) is read where that column is blank.
        for (std::size_t c = 0; c < mapping.size() && qsizetype(c) < headings.size(); ++c) {
            const int t = mapping[c] < 0 ? targetNamed(kind, headings[qsizetype(c)]) : -1;
            if (t >= 0 && m_columnOf[std::size_t(t)] >= 0)
                m_otherColumns[std::size_t(t)].push_back(int(c));
        }
    }

    // The row's values by target, each on one line; empty when some value cannot be stored (the reason in
    // m_reason).
    bool take(const CsvReader::Row &row)
    {
        m_values.assign(m_targets.size(), QString());
        for (std::size_t t = 0; t < m_targets.size(); ++t) {
            QString v = cell(row, m_columnOf[t]);
            for (int other : m_otherColumns[t]) {
                if (v.isEmpty())
                    v = cell(row, other);
            }
            if (const QString bad = Cp1252::firstUnencodable(v); !bad.isEmpty()) {
                m_reason = QStringLiteral("%1 holds the character \"%2\", which the data files cannot hold")
                               .arg(m_targets[t].heading, bad);
                return false;
            }
            if (v.contains(QLatin1Char('"'))) {
                m_reason = QStringLiteral("%1 holds a double quote (\"), which the data files cannot hold")
                               .arg(m_targets[t].heading);
                return false;
            }
            m_values[t] = v;
        }
        return true;
    }

    // The first value longer than its target holds, among these targets.
    bool fits(std::initializer_list<int> which)
    {
        for (int t : which) {
            const Target &target = m_targets[std::size_t(t)];
            if (m_values[std::size_t(t)].size() > target.limit) {
                m_reason = limitText(target, m_values[std::size_t(t)]);
                return false;
            }
        }
        return true;
    }
    bool fitsAll()
    {
        for (std::size_t t = 0; t < m_targets.size(); ++t) {
            if (!fits({int(t)}))
                return false;
        }
        return true;
    }

    const QString &value(int target) const { return m_values[std::size_t(target)]; }
    void setValue(int target, const QString &value) { m_values[std::size_t(target)] = value; }
    const Target &target(int t) const { return m_targets[std::size_t(t)]; }
    QString m_reason;

private:
    static QString cell(const CsvReader::Row &row, int column)
    {
        return column < 0 || column >= row.values.size() ? QString() : oneLine(row.values[column]);
    }

    const std::vector<Target> &m_targets;
    std::vector<int> m_columnOf;
    std::vector<std::vector<int>> m_otherColumns;
    std::vector<QString> m_values;
};

// A telephone number in the program's form "AAA-EEE-NNNN" (or "EEE-NNNN"), however an address book writes
// it: "(937) 555-0701", "+1 937 555 0703", "937.555.0701". A number with other digits is kept as written when
// it fits; otherwise refused with the reason.
bool telephoneForm(Planner &p, int t, QString &why)
{
    const QString value = p.value(t);
    QString digits;
    bool punctuationOnly = true;
    for (const QChar c : value) {
        if (c.isDigit())
            digits += c;
        else if (!QStringLiteral(" ()-.+/").contains(c))
            punctuationOnly = false;
    }
    if (value.isEmpty() || !punctuationOnly)
        return true; // an extension or a note: kept as written when it fits
    if (digits.size() == 11 && digits.startsWith(QLatin1Char('1')))
        digits.remove(0, 1);
    if (digits.size() == 10)
        p.setValue(t, digits.left(3) + QLatin1Char('-') + digits.mid(3, 3) + QLatin1Char('-') + digits.mid(6));
    else if (digits.size() == 7)
        p.setValue(t, digits.left(3) + QLatin1Char('-') + digits.mid(3));
    else if (value.size() > p.target(t).limit) {
        why = QStringLiteral("%1 %2 has %3 digits, which do not fit the form nnn-nnn-nnnn, and is %4 characters "
                             "long as written; it holds at most %5")
                  .arg(p.target(t).heading, value)
                  .arg(digits.size())
                  .arg(value.size())
                  .arg(p.target(t).limit);
        return false;
    }
    return true;
}

// The address columns as the address style stores them. USA style: the fourth line repeats the postal code
// (the search by ZIP code reads it), and a country other than the USA has no place. International style: no
// state is stored, so state, postal code and country make the fourth line when the file gives none.
bool addressForm(Planner &p, bool usaStyle, QString &why)
{
    const QString country = p.value(CCountry);
    if (usaStyle) {
        static const QStringList usa = words("us usa u.s. u.s.a. america unitedstates unitedstatesofamerica");
        if (!country.isEmpty() && !usa.contains(country.toLower().remove(QLatin1Char(' ')))) {
            why = QStringLiteral("Country is %1; the USA address style has no place for another country").arg(country);
            return false;
        }
        const QString line4 = p.value(CAddress4);
        if (p.value(CPostal).isEmpty())
            p.setValue(CPostal, line4);
        else if (!line4.isEmpty() && line4 != p.value(CPostal)) {
            why = QStringLiteral("Address4 is %1; in the USA address style the fourth address line holds the postal "
                                 "code %2")
                      .arg(line4, p.value(CPostal));
            return false;
        }
        p.setValue(CAddress4, p.value(CPostal));
        return true;
    }
    QStringList parts;
    for (int t : {CState, CPostal, CCountry}) {
        if (!p.value(t).isEmpty())
            parts << p.value(t);
    }
    if (!p.value(CAddress4).isEmpty()) {
        if (!p.value(CState).isEmpty() || !country.isEmpty()) {
            why = QStringLiteral("%1 has no place: the international address style stores no state or country, "
                                 "and Address4 already fills the fourth address line")
                      .arg(p.value(CState).isEmpty() ? QStringLiteral("Country ") + country
                                                     : QStringLiteral("State ") + p.value(CState));
            return false;
        }
    } else {
        p.setValue(CAddress4, parts.join(QLatin1Char(' ')));
    }
    p.setValue(CState, QString());
    return true;
}

// The key that makes two account numbers the same account: their stored bytes in upper case, since they
// name files and folders.
QByteArray accountKey(const QString &acctNo)
{
    return Cp1252::encode(acctNo.trimmed()).toUpper();
}

std::optional<Record> customerRecord(Planner &p, bool usaStyle, QSet<QByteArray> &accounts, QString &why)
{
    using namespace CustomerField;
    QString type = p.value(CType);
    if (!type.isEmpty()) {
        if (type.startsWith(QLatin1Char('b'), Qt::CaseInsensitive))
            type = CustomerFile::kBusiness;
        else if (type.startsWith(QLatin1Char('i'), Qt::CaseInsensitive) ||
                 type.startsWith(QLatin1Char('p'), Qt::CaseInsensitive))
            type = CustomerFile::kIndividual;
        else {
            why = QStringLiteral("AcctType is \"%1\"; it must be Business or Individual").arg(type);
            return std::nullopt;
        }
    } else {
        // A name that is the first and last name ("Smith, John", "John Smith", as accounting programs list a
        // person) is a person's account, not a business's.
        const QString name = folded(p.value(CName));
        const QString first = folded(p.value(CFirst)), last = folded(p.value(CLast));
        const bool person =
            !first.isEmpty() && !last.isEmpty() &&
            (name == last + first || name == first + last || name == folded(p.value(CTitle)) + first + last ||
             name == first + folded(p.value(CMiddle)) + last);
        type = p.value(CName).isEmpty() || person ? CustomerFile::kIndividual : CustomerFile::kBusiness;
    }
    const QString person =
        Validation::joinNameParts(p.value(CTitle), p.value(CFirst), p.value(CMiddle), p.value(CLast)).trimmed();
    QString name = p.value(CName);
    if (type == CustomerFile::kIndividual) {
        if (p.value(CFirst).isEmpty() || p.value(CLast).isEmpty()) {
            why = QStringLiteral("no name: an Individual account needs a FirstName and a LastName");
            return std::nullopt;
        }
        name = person;
    } else if (name.isEmpty()) {
        name = person;
    }
    if (name.isEmpty()) {
        why = QStringLiteral("no name: Name, FirstName and LastName are all blank");
        return std::nullopt;
    }
    if (name.size() > 45) {
        why =
            QStringLiteral("the account name %1 is %2 characters long; it holds at most 45").arg(name).arg(name.size());
        return std::nullopt;
    }
    if (!telephoneForm(p, CTelephone, why) || !telephoneForm(p, CCell, why) || !addressForm(p, usaStyle, why))
        return std::nullopt;
    if (!p.fitsAll()) {
        why = p.m_reason;
        return std::nullopt;
    }
    QString acctNo = p.value(CAcctNo);
    if (acctNo.isEmpty())
        acctNo = p.value(CTelephone);
    if (acctNo.isEmpty()) {
        why = QStringLiteral("no account number and no telephone number to take it from");
        return std::nullopt;
    }
    if (!accountFileName(acctNo, &why))
        return std::nullopt;
    if (acctNo.size() > 20) {
        why = QStringLiteral("the account number %1 is %2 characters long; it holds at most 20")
                  .arg(acctNo)
                  .arg(acctNo.size());
        return std::nullopt;
    }
    if (accounts.contains(accountKey(acctNo))) {
        why = QStringLiteral("account number %1 is already in use").arg(acctNo);
        return std::nullopt;
    }
    accounts.insert(accountKey(acctNo));

    Record r = newCustomerRecord();
    r.setText(AcctNo, acctNo);
    r.setText(Name, name);
    r.setText(Address1, p.value(CAddress1));
    r.setText(Address2, p.value(CAddress2));
    r.setText(City, p.value(CCity));
    r.setText(ServiceCity, p.value(CServiceCity).isEmpty() ? p.value(CCity) : p.value(CServiceCity));
    r.setText(State, p.value(CState));
    r.setText(PostalCode, p.value(CPostal));
    r.setText(Address4, p.value(CAddress4));
    r.setText(Telephone, p.value(CTelephone));
    r.setText(Cell, p.value(CCell));
    r.setText(Email, p.value(CEmail));
    r.setText(Title, p.value(CTitle));
    r.setText(FirstName, p.value(CFirst));
    r.setText(MiddleInitial, p.value(CMiddle));
    r.setText(LastName, p.value(CLast));
    r.setText(AcctType, type);
    return r;
}

std::optional<Record> serviceRecord(Planner &p, const CsvReader::DecimalMark &decimals, QString &why)
{
    using namespace ServiceField;
    if (p.value(SDescription).isEmpty()) {
        why = QStringLiteral("no name: the Description is blank");
        return std::nullopt;
    }
    if (!p.fits({SDescription})) {
        why = p.m_reason;
        return std::nullopt;
    }
    const auto typed = p.value(SCharge).isEmpty()
                           ? QStringLiteral("0")
                           : CsvReader::amountText(p.value(SCharge), decimals, QStringLiteral("Charge"), why);
    if (!typed)
        return std::nullopt;
    const auto charge = ServicesEditor::checkedCharge(*typed);
    if (!charge) {
        why = QStringLiteral("the Charge %1 is not an amount from $0.00 to $99,999.99").arg(p.value(SCharge));
        return std::nullopt;
    }
    int time = 1;
    if (p.value(STime).isEmpty() && !p.value(STimeIndex).isEmpty()) {
        bool number = false;
        time = p.value(STimeIndex).toInt(&number);
        if (!number || time < 0 || time >= ServiceCatalogue::timeList().size()) {
            why = QStringLiteral("the TimeIndex %1 is not a number from 0 to %2")
                      .arg(p.value(STimeIndex))
                      .arg(ServiceCatalogue::timeList().size() - 1);
            return std::nullopt;
        }
    } else if (!p.value(STime).isEmpty()) {
        time = ServiceCatalogue::timeList().indexOf(p.value(STime));
        if (time < 1) {
            why = QStringLiteral("the AllottedTime %1 is not a quarter hour from 0:15 to 8:00").arg(p.value(STime));
            return std::nullopt;
        }
    }
    Record r(serviceLayout());
    r.setText(Description, p.value(SDescription));
    r.setText(Charge, *charge);
    r.setInt16(TimeIndex, qint16(time));
    return r;
}

std::optional<Record> technicianRecord(Planner &p, QString &why)
{
    using namespace AssignmentField;
    if (p.value(Name).isEmpty()) {
        why = QStringLiteral("no name: the Name is blank");
        return std::nullopt;
    }
    if (!telephoneForm(p, Telephone, why) || !telephoneForm(p, Cell, why) || !telephoneForm(p, TextMsgNo, why))
        return std::nullopt;
    if (!p.fitsAll()) {
        why = p.m_reason;
        return std::nullopt;
    }
    Record r(assignmentLayout());
    for (int f = Reference; f <= Email; ++f)
        r.setText(f, p.value(f));
    // As the assignments screen saves it: a blank reference takes the telephone number.
    if (p.value(Reference).isEmpty())
        r.setText(Reference, p.value(Telephone));
    return r;
}

} // namespace

Plan plan(const DataFolder &folder, ImportKind kind, const CsvReader::Table &table, const std::vector<int> &mapping,
          bool usaStyle, const Progress &progress)
{
    Plan out;
    out.kind = kind;
    out.usaStyle = usaStyle;
    const QString path = pathOf(kind);
    if (kind == ImportKind::Customers)
        CustomerWrite::recoverCustomerWrite(folder);
    out.existing = folder.recordCount(path, layoutOf(kind).length());
    out.fileSize = folder.fileSize(path);

    QSet<QByteArray> accounts;
    if (kind == ImportKind::Customers) {
        for (const Record &r : folder.readRecords(path, customerLayout()))
            accounts.insert(accountKey(r.text(CustomerField::AcctNo)));
    }
    const int room = limitOf(kind) - out.existing;
    Planner planner(kind, mapping, table.headings);
    const auto chargeColumn = std::find(mapping.begin(), mapping.end(), int(SCharge));
    const CsvReader::DecimalMark decimals = kind == ImportKind::Services && chargeColumn != mapping.end()
                                                ? CsvReader::decimalMarkOf(table, int(chargeColumn - mapping.begin()))
                                                : CsvReader::DecimalMark{};
    const int total = int(table.rows.size());
    for (int i = 0; i < total; ++i) {
        if (progress && i % 1024 == 0)
            progress(i, total);
        const CsvReader::Row &row = table.rows[std::size_t(i)];
        QString why;
        std::optional<Record> record;
        if (!planner.take(row)) {
            why = planner.m_reason;
        } else if (kind == ImportKind::Customers) {
            record = customerRecord(planner, usaStyle, accounts, why);
        } else if (kind == ImportKind::Services) {
            record = serviceRecord(planner, decimals, why);
        } else {
            record = technicianRecord(planner, why);
        }
        if (record && int(out.records.size()) >= room) {
            why = QStringLiteral("the file would hold more than %1 %2 (it holds %3 now)")
                      .arg(QLocale(QLocale::English).toString(limitOf(kind)), kindName(kind))
                      .arg(out.existing);
            record.reset();
        }
        if (record) {
            out.records.push_back(std::move(*record));
            out.lines.push_back(row.line);
        } else {
            out.problems.push_back({row.line, why});
        }
    }
    for (const CsvReader::Refusal &refused : table.refused)
        out.problems.push_back({refused.line, refused.reason});
    std::stable_sort(out.problems.begin(), out.problems.end(),
                     [](const Problem &a, const Problem &b) { return a.line < b.line; });
    out.read = int(out.records.size() + out.problems.size());
    if (progress)
        progress(total, total);
    return out;
}

QStringList shownValues(ImportKind kind, const Record &record)
{
    QStringList out;
    if (kind == ImportKind::Services) {
        out << record.text(ServiceField::Description) << record.text(ServiceField::Charge)
            << ServiceCatalogue::timeList().at(ServiceCatalogue::usableTimeIndex(record.int16(ServiceField::TimeIndex)))
            << QString::number(record.int16(ServiceField::TimeIndex));
        return out;
    }
    if (kind == ImportKind::Technicians) {
        for (int f = 0; f < record.layout().fieldCount(); ++f)
            out << record.text(f);
        return out;
    }
    for (const Target &t : targets(kind)) {
        const int field = record.layout().indexOf(t.heading);
        out << (field < 0 ? QString() : record.text(field));
    }
    return out;
}

void write(const DataFolder &folder, const Plan &plan)
{
    const QString path = pathOf(plan.kind);
    const RecordLayout &layout = layoutOf(plan.kind);
    if (plan.kind == ImportKind::Customers)
        CustomerWrite::recoverCustomerWrite(folder);
    folder.fileExists(path); // a file lost since the check comes back from /Backup, as it did for the check
    if (folder.fileSize(path) != plan.fileSize) {
        throw DiskError(QStringLiteral("%1 changed after the rows were checked; nothing was imported. "
                                       "Check the file again and import it then.")
                            .arg(QDir::toNativeSeparators(folder.path(path))));
    }
    if (plan.records.empty())
        return;
    QByteArray bytes;
    bytes.reserve(qsizetype(plan.existing + int(plan.records.size())) * layout.length());
    for (const Record &r : folder.readRecords(path, layout))
        bytes += r.bytes();
    for (const Record &r : plan.records)
        bytes += r.bytes();
    folder.writeFile(path, bytes);
}

QByteArray listCsv(const DataFolder &folder, ImportKind kind)
{
    // The country is no field of its own (it is in address line 4 when stored at all); the time's place in the
    // list says again what the allotted time says.
    const std::vector<Target> &all = targets(kind);
    std::vector<bool> listed;
    QStringList headings;
    for (const Target &t : all) {
        listed.push_back(t.heading != QLatin1String("Country") && t.heading != QLatin1String("TimeIndex"));
        if (listed.back())
            headings << t.heading;
    }
    std::vector<QStringList> rows;
    for (const Record &r : folder.readRecords(pathOf(kind), layoutOf(kind))) {
        const QStringList values = shownValues(kind, r);
        rows.emplace_back();
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (listed[std::size_t(i)])
                rows.back() << values[i];
        }
    }
    return CsvList::document(headings, rows);
}

} // namespace RecordImport
