#include "accounts/customerfile.h"

#include "accounts/customerrecord.h"
#include "core/datafolder.h"
#include "core/recordblocks.h"
#include "core/recordscan.h"
#include "core/validation.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>
#include <unordered_set>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Upper case byte by byte in the code page of the files. A few characters have no one-byte upper case in it
// ("ß" becomes "SS"); they fold to 0, and a field holding one of them is compared through QString instead.
struct UpperCase
{
    std::array<char, 256> folded{};

    UpperCase()
    {
        for (int b = 1; b < 256; ++b) {
            const char c = char(b);
            const auto bytes = storedBytes(Cp1252::decode(&c, 1).toUpper());
            folded[std::size_t(b)] = bytes && bytes->size() == 1 ? bytes->at(0) : '\0';
        }
    }

    enum Found { No, Yes, Unsure };
    // Whether text in upper case contains needle (in upper case, without a 0 byte), in one pass.
    Found find(QByteArrayView text, QByteArrayView needle) const
    {
        if (needle.isEmpty())
            return Yes;
        const qsizetype last = text.size() - needle.size();
        bool unsure = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char f = folded[quint8(text[i])];
            if (f == '\0') {
                unsure = true;
            } else if (f == needle[0] && i <= last) {
                qsizetype j = 1;
                while (j < needle.size() && folded[quint8(text[i + j])] == needle[j])
                    ++j;
                if (j == needle.size())
                    return Yes; // a match among one-byte upper cases stands whatever else the text holds
            }
        }
        return unsure ? Unsure : No;
    }
};

const UpperCase &upperCase()
{
    static const UpperCase table;
    return table;
}

// The search's inner loop, eight bytes at a time, on the stored bytes where they lie: in a field of plain ASCII
// the needle's first letter is looked for in both cases a word at a time, and each place found is compared
// through the upper-case table; any other field goes through the table alone. The caller guarantees that 32
// bytes can be read past the end of every field.
class FieldMatcher
{
public:
    static constexpr int kMaxWidth = 64;

    explicit FieldMatcher(QByteArray needle)
        : m_needle(std::move(needle))
        , m_first(m_needle.isEmpty() ? 0 : kOnes * quint8(m_needle[0]))
        , m_firstOther(m_needle.isEmpty() ? 0 : kOnes * quint8(otherCase(m_needle[0])))
    {}

    UpperCase::Found find(const char *field, int width) const
    {
        const qsizetype n = m_needle.size();
        if (n == 0)
            return UpperCase::Yes;
        if (width > kMaxWidth)
            return upperCase().find(QByteArrayView(field, width), m_needle);
#if defined(__SSE2__)
        if (n >= 2)
            return findPairs(field, width);
#endif
        const int words = (width + 7) / 8;
        const int tail = width - 8 * (words - 1); // 1 to 8 bytes of the field in the last word
        const quint64 tailMask = tail == 8 ? ~quint64(0) : (quint64(1) << (8 * tail)) - 1;
        quint64 w[kMaxWidth / 8];
        quint64 high = 0;
        for (int k = 0; k < words; ++k) {
            w[k] = qFromLittleEndian<quint64>(field + 8 * k);
            if (k == words - 1)
                w[k] &= tailMask;
            high |= w[k];
        }
        if (high & kHigh)
            return upperCase().find(QByteArrayView(field, width), m_needle);
        const auto &folded = upperCase().folded;
        const qsizetype last = width - n;
        for (int k = 0; k < words; ++k) {
            const quint64 a = w[k] ^ m_first;
            const quint64 b = w[k] ^ m_firstOther;
            quint64 zero = ((a - kOnes) & ~a & kHigh) | ((b - kOnes) & ~b & kHigh);
            if (k == words - 1)
                zero &= tailMask;
            while (zero) {
                const qsizetype at = 8 * k + std::countr_zero(zero) / 8;
                if (at > last)
                    return UpperCase::No;
                qsizetype j = 0;
                while (j < n && folded[quint8(field[at + j])] == m_needle[j])
                    ++j;
                if (j == n)
                    return UpperCase::Yes;
                zero &= zero - 1;
            }
        }
        return UpperCase::No;
    }

private:
#if defined(__SSE2__)
    // Sixteen places at a time: a place is looked at only where both the needle's first and second letters
    // stand (in either case), which few places of a name do.
    UpperCase::Found findPairs(const char *field, int width) const
    {
        const auto valid = [](int left) { return left >= 16 ? 0xFFFFu : left > 0 ? (1u << left) - 1 : 0u; };
        const qsizetype n = m_needle.size();
        const int last = width - int(n);
        const auto &folded = upperCase().folded;
        for (int k = 0; k < width; k += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(field + k));
            // A byte beyond ASCII: the whole field goes through the table (a match found so far stands).
            if (unsigned(_mm_movemask_epi8(a)) & valid(width - k))
                return upperCase().find(QByteArrayView(field, width), m_needle);
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(field + k + 1));
            const __m128i pairs =
                _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(a, m_pairs[0]), _mm_cmpeq_epi8(a, m_pairs[1])),
                              _mm_or_si128(_mm_cmpeq_epi8(b, m_pairs[2]), _mm_cmpeq_epi8(b, m_pairs[3])));
            unsigned places = unsigned(_mm_movemask_epi8(pairs)) & valid(last - k + 1);
            while (places) {
                const int at = k + std::countr_zero(places);
                qsizetype j = 2;
                while (j < n && folded[quint8(field[at + j])] == m_needle[j])
                    ++j;
                if (j == n)
                    return UpperCase::Yes;
                places &= places - 1;
            }
        }
        return UpperCase::No;
    }
#endif

    static char at(const QByteArray &bytes, qsizetype i)
    {
        return i < bytes.size() ? bytes[i] : '\0';
    }
    static char otherCase(char c)
    {
        return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
    static constexpr quint64 kOnes = 0x0101010101010101ULL;
    static constexpr quint64 kHigh = 0x8080808080808080ULL;
    QByteArray m_needle;
    quint64 m_first;
    quint64 m_firstOther;
#if defined(__SSE2__)
    // The needle's first letter in both cases, then its second letter in both cases, in every byte.
    __m128i m_pairs[4] = {_mm_set1_epi8(at(m_needle, 0)), _mm_set1_epi8(otherCase(at(m_needle, 0))),
                          _mm_set1_epi8(at(m_needle, 1)), _mm_set1_epi8(otherCase(at(m_needle, 1)))};
#endif
};

QString decoded(QByteArrayView bytes)
{
    return Cp1252::decode(bytes.data(), bytes.size());
}

void appendDecoded(QString &out, QByteArrayView bytes)
{
    for (const char c : bytes) {
        const auto b = quint8(c);
        out.append(b >= 0x80 && b < 0xA0 ? Cp1252::decode(&c, 1).front() : QChar(b));
    }
}

bool isBusiness(QByteArrayView acctType)
{
    return acctType == QByteArrayView("Business");
}

// A text field of a record's bytes without its leading and trailing blanks.
QByteArrayView trimmedField(const char *record, int field)
{
    const char *p = record + customerLayout().offset(field);
    qsizetype begin = 0;
    qsizetype end = customerLayout().size(field);
    while (begin < end && p[begin] == ' ')
        ++begin;
    while (end > begin && p[end - 1] == ' ')
        --end;
    return QByteArrayView(p + begin, end - begin);
}

// The display name straight from the stored bytes, without a Record (the search lists every customer).
QString displayNameOf(const char *record)
{
    using namespace CustomerField;
    if (isBusiness(trimmedField(record, AcctType)))
        return decoded(trimmedField(record, Name));
    QString name;
    name.reserve(52);
    for (const int part : {Title, FirstName}) {
        const QByteArrayView value = trimmedField(record, part);
        if (!value.isEmpty()) {
            appendDecoded(name, value);
            name.append(QLatin1Char(' '));
        }
    }
    appendDecoded(name, trimmedField(record, LastName));
    return name;
}

int searchedField(CustomerCriterion criterion)
{
    using namespace CustomerField;
    switch (criterion) {
    case CustomerCriterion::Name:
        return Name;
    case CustomerCriterion::Address1:
        return Address1;
    case CustomerCriterion::Address2:
        return Address2;
    case CustomerCriterion::City:
        return City;
    case CustomerCriterion::State:
        return State;
    case CustomerCriterion::Address4:
        return Address4;
    case CustomerCriterion::Telephone:
        return Telephone;
    case CustomerCriterion::LastName:
        return LastName;
    case CustomerCriterion::AcctNo:
        return AcctNo;
    case CustomerCriterion::All:
        break;
    }
    return -1;
}

} // namespace

const RecordFile &CustomerFile::records()
{
    static const RecordFile file(CustomerFile::kPath, CustomerFile::kTemporary, customerLayout());
    return file;
}

int customerCount(const DataFolder &folder)
{
    return CustomerFile::records().count(folder);
}

void ReadCustomer(const DataFolder &folder, int number, Record &current)
{
    CustomerFile::records().read(folder, number, current);
}

Record newCustomerRecord()
{
    return Record(customerLayout());
}

QString personName(const Record &customer)
{
    using namespace CustomerField;
    return Validation::joinNameParts(customer.text(Title), customer.text(FirstName), customer.text(MiddleInitial),
                                     customer.text(LastName));
}

QString displayName(const Record &customer)
{
    if (customer.text(CustomerField::AcctType) == CustomerFile::kBusiness)
        return customer.text(CustomerField::Name);
    return personName(customer);
}

QString CustomerListKey(const Record &customer)
{
    using namespace CustomerField;
    if (customer.text(AcctType) == CustomerFile::kBusiness)
        return customer.text(Name);
    return customer.text(LastName) + QStringLiteral(", ") + customer.text(FirstName);
}

namespace {

// Upper case for sorting: a byte without a one-byte upper case stays as it is.
void appendFolded(QByteArray &out, QByteArrayView bytes)
{
    const auto &table = upperCase().folded;
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    char *to = out.data() + start;
    for (const char c : bytes) {
        const char f = table[quint8(c)];
        *to++ = f == '\0' ? c : f;
    }
}

// The first eight bytes of a folded key as one number that sorts as the bytes do: most names differ there.
quint64 foldedPrefix(const QByteArray &folded)
{
    quint64 prefix = 0;
    for (qsizetype i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < folded.size() ? quint8(folded[i]) : 0u);
    return prefix;
}

bool foldedLess(const CustomerNameEntry &a, const CustomerNameEntry &b)
{
    return a.folded < b.folded;
}

} // namespace

QByteArray foldedNameKey(const QString &text)
{
    QByteArray out;
    appendFolded(out, Cp1252::encode(text));
    return out;
}

void insertSorted(std::vector<CustomerNameEntry> &names, CustomerNameEntry entry)
{
    const auto at = std::upper_bound(names.begin(), names.end(), entry, foldedLess);
    names.insert(at, std::move(entry));
}

QStringList CustomerFile::accountNumbers(const DataFolder &folder)
{
    QStringList numbers;
    forEachRecordOf(folder, CustomerFile::kPath, customerLayout(), [&numbers](const char *record, int) {
        numbers.append(decoded(trimmedField(record, CustomerField::AcctNo)));
    });
    return numbers;
}

CustomerNameList loadCustomerNames(const DataFolder &folder)
{
    using namespace CustomerField;
    const RecordScan scan(folder, CustomerFile::kPath, customerLayout());
    CustomerNameList list;
    list.names.reserve(std::size_t(scan.count()));
    std::unordered_set<std::string_view> seenCities; // views into the scan's bytes
    for (int i = 0; i < scan.count(); ++i) {
        CustomerNameEntry entry;
        entry.recordNumber = i + 1;
        if (isBusiness(scan.trimmed(i, AcctType))) {
            const QByteArrayView name = scan.trimmed(i, Name);
            entry.key = decoded(name);
            appendFolded(entry.folded, name);
        } else {
            const QByteArrayView last = scan.trimmed(i, LastName);
            const QByteArrayView first = scan.trimmed(i, FirstName);
            entry.key.reserve(last.size() + first.size() + 2);
            appendDecoded(entry.key, last);
            entry.key.append(QStringLiteral(", "));
            appendDecoded(entry.key, first);
            entry.folded.reserve(last.size() + first.size() + 2);
            appendFolded(entry.folded, last);
            entry.folded.append(", ");
            appendFolded(entry.folded, first);
        }
        list.names.push_back(std::move(entry));
        const QByteArrayView city = scan.trimmed(i, City);
        if (!city.isEmpty() && seenCities.insert(std::string_view(city.data(), std::size_t(city.size()))).second)
            list.cities.append(decoded(city));
    }
    // Stored bytes in upper case, compared as bytes: no per-pair case folding of QStrings. The entries are
    // ordered through a small key each (the first eight bytes and the place), then moved once.
    struct SortKey
    {
        quint64 prefix;
        std::size_t index;
    };
    std::vector<SortKey> keys;
    keys.reserve(list.names.size());
    for (std::size_t i = 0; i < list.names.size(); ++i)
        keys.push_back({foldedPrefix(list.names[i].folded), i});
    std::stable_sort(keys.begin(), keys.end(), [&list](const SortKey &a, const SortKey &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return list.names[a.index].folded < list.names[b.index].folded;
    });
    std::vector<CustomerNameEntry> sorted;
    sorted.reserve(list.names.size());
    for (const SortKey &key : keys)
        sorted.push_back(std::move(list.names[key.index]));
    list.names = std::move(sorted);
    std::stable_sort(list.cities.begin(), list.cities.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return list;
}

bool FindDuplicateAcctNo(const DataFolder &folder, const QString &acctNo, int currentRecord)
{
    const auto wanted = storedBytes(acctNo);
    if (!wanted)
        return false;
    const RecordScan scan(folder, CustomerFile::kPath, customerLayout());
    for (int i = 0; i < scan.count(); ++i) {
        if (i + 1 != currentRecord && scan.trimmed(i, CustomerField::AcctNo) == *wanted)
            return true;
    }
    return false;
}

CustomerDeletion DeleteCustomer(const DataFolder &folder, int currentRecord, const QString &acctNo)
{
    // The customer goes first: should that fail, the account keeps its balance file.
    const CustomerDeletion result =
        CustomerFile::records().remove(folder, currentRecord, DataFolder::BackupCopy::Delete);
    if (const auto name = accountFileName(acctNo))
        folder.deleteWithBackup(CustomerFile::kBalanceFolder + *name + QStringLiteral(".txt"));
    return result;
}

std::vector<CustomerMatch> SearchCustomers(const DataFolder &folder, CustomerCriterion criterion, const QString &text)
{
    std::vector<CustomerMatch> matches;
    const int field = searchedField(criterion);
    if (field < 0 && criterion != CustomerCriterion::All)
        return matches;
    const QString needle = text.toUpper();
    const auto needleBytes = storedBytes(needle);
    // A needle without blanks at its ends is found in the field as stored, padding and all, exactly where it is
    // found in the trimmed field.
    const bool untrimmed = needleBytes && !needleBytes->contains('\0') && !needle.startsWith(QLatin1Char(' ')) &&
                           !needle.endsWith(QLatin1Char(' '));
    const FieldMatcher matcher(untrimmed ? *needleBytes : QByteArray());
    const int offset = field >= 0 ? customerLayout().offset(field) : 0;
    const int width = field >= 0 ? customerLayout().size(field) : 0;
    if (field < 0)
        matches.reserve(std::size_t(customerCount(folder)));
    forEachRecordOf(folder, CustomerFile::kPath, customerLayout(), [&](const char *record, int i) {
        if (field >= 0) {
            const UpperCase::Found found = untrimmed ? matcher.find(record + offset, width) : UpperCase::Unsure;
            if (found == UpperCase::No ||
                (found == UpperCase::Unsure && !decoded(trimmedField(record, field)).toUpper().contains(needle)))
                return;
        }
        matches.push_back(
            {displayNameOf(record), decoded(trimmedField(record, CustomerField::Telephone)), QString::number(i + 1)});
    });
    return matches;
}
