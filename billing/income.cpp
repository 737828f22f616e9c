#include "billing/income.h"

#include "billing/accountfiles.h"
#include "billing/accounthistoryrecord.h"
#include "billing/invoiceparts.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "billing/receivables.h"
#include "core/cp1252.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/recordblocks.h"
#include "core/recordscan.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>

namespace Income {

namespace {

const QString kNotCollected = QStringLiteral("Not Collected");

// The invoice number of a history row: its description without "Invoice No. ".
QString invoiceOf(const QString &description)
{
    const QString d = description.trimmed();
    return d.startsWith(Posting::kInvoiceDescription) ? d.mid(Posting::kInvoiceDescription.size()).trimmed() : d;
}

// The bytes a text is stored as, trimmed of white space, into a buffer used again and again.
void storedTrimmed(const QString &text, QByteArray &out)
{
    const QStringView t = QStringView(text).trimmed();
    out.resize(t.size());
    char *p = out.data();
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= 0x80) { // the code page's other characters, rarely seen in these fields
            out = Cp1252::encode(t.toString());
            return;
        }
        p[i] = char(c);
    }
}

// QByteArray::trimmed() without a copy.
QByteArrayView trimmedView(QByteArrayView v)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    while (!v.isEmpty() && space(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && space(v.back()))
        v.chop(1);
    return v;
}

quint64 mix(quint64 x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

std::size_t tableSizeFor(std::size_t count)
{
    std::size_t size = 16;
    while (size < count * 2)
        size *= 2;
    return size;
}

// The texts of the shown rows, each numbered once, so that the records' fields are matched by number: a field
// whose text no shown row has cannot match and is passed over without building anything.
class Texts
{
public:
    explicit Texts(std::size_t expected)
        : m_slots(tableSizeFor(expected), -1)
    {
        m_entries.reserve(expected);
        m_bytes.reserve(qsizetype(expected) * 8);
    }

    int add(QByteArrayView text)
    {
        const quint64 h = hashOf(text);
        std::size_t slot = h & (m_slots.size() - 1);
        for (; m_slots[slot] >= 0; slot = (slot + 1) & (m_slots.size() - 1)) {
            if (equal(m_slots[slot], h, text))
                return m_slots[slot];
        }
        const int id = int(m_entries.size());
        m_entries.push_back({h, m_bytes.size(), text.size()});
        m_bytes.append(text);
        m_slots[slot] = id;
        if (m_entries.size() * 2 > m_slots.size())
            grow();
        return id;
    }

    // The number of a text, or -1 when no shown row has it.
    int find(QByteArrayView text) const
    {
        const quint64 h = hashOf(text);
        for (std::size_t slot = h & (m_slots.size() - 1); m_slots[slot] >= 0;
             slot = (slot + 1) & (m_slots.size() - 1)) {
            if (equal(m_slots[slot], h, text))
                return m_slots[slot];
        }
        return -1;
    }

    std::size_t size() const { return m_entries.size(); }

private:
    struct Entry
    {
        quint64 hash;
        qsizetype offset;
        qsizetype size;
    };

    static quint64 hashOf(QByteArrayView text)
    {
        quint64 h = 0xcbf29ce484222325ULL;
        for (char c : text)
            h = (h ^ quint8(c)) * 0x100000001b3ULL;
        return mix(h ^ quint64(text.size()));
    }

    bool equal(int id, quint64 h, QByteArrayView text) const
    {
        const Entry &e = m_entries[std::size_t(id)];
        return e.hash == h && e.size == text.size() &&
               std::memcmp(m_bytes.constData() + e.offset, text.data(), std::size_t(text.size())) == 0;
    }

    void grow()
    {
        std::vector<int> table(m_slots.size() * 2, -1);
        for (std::size_t id = 0; id < m_entries.size(); ++id) {
            std::size_t slot = m_entries[id].hash & (table.size() - 1);
            while (table[slot] >= 0)
                slot = (slot + 1) & (table.size() - 1);
            table[slot] = int(id);
        }
        m_slots.swap(table);
    }

    std::vector<Entry> m_entries;
    std::vector<int> m_slots;
    QByteArray m_bytes;
};

// A text of a key as one number: up to 15 bytes held whole with their count (so that no two texts are the same
// number), a longer one by its number among the shown rows' long texts.
using Packed = unsigned __int128;
constexpr Packed kUnknown = ~Packed(0); // a long text that no shown row has

Packed packShort(QByteArrayView text)
{
    Packed p = Packed(quint8(text.size())) << 120;
    for (qsizetype i = 0; i < text.size(); ++i)
        p |= Packed(quint8(text[i])) << (8 * i);
    return p;
}

Packed packLong(int id)
{
    return id < 0 ? kUnknown : (Packed(0xfe) << 120) | Packed(unsigned(id));
}

// A key of up to three texts and an amount.
struct Key
{
    Packed a = 0, b = 0, c = 0;
    qint64 d = 0;
    bool operator==(const Key &) const = default;
};

// The rows of each key, in row order, taken in turn; built without a container per key.
class Groups
{
public:
    explicit Groups(std::size_t expected)
        : m_slots(tableSizeFor(expected), -1)
    {
        m_keys.reserve(expected);
    }

    // The group of a key, made when new.
    int add(const Key &key)
    {
        std::size_t slot = slotOf(key);
        if (m_slots[slot] >= 0)
            return m_slots[slot];
        const int group = int(m_keys.size());
        m_keys.push_back(key);
        m_slots[slot] = group;
        if (m_keys.size() * 2 > m_slots.size())
            grow();
        return group;
    }

    int find(const Key &key) const { return m_slots[slotOf(key)]; }

    std::size_t size() const { return m_keys.size(); }

    // Lays out the members: member i of groupOf belongs to group groupOf[i] (-1: to none).
    void place(const std::vector<int> &groupOf)
    {
        m_start.assign(m_keys.size() + 1, 0);
        for (int g : groupOf)
            if (g >= 0)
                ++m_start[std::size_t(g) + 1];
        for (std::size_t g = 0; g < m_keys.size(); ++g)
            m_start[g + 1] += m_start[g];
        m_members.resize(std::size_t(m_start.back()));
        std::vector<int> fill(m_start.begin(), m_start.end() - 1);
        for (std::size_t i = 0; i < groupOf.size(); ++i)
            if (groupOf[i] >= 0)
                m_members[std::size_t(fill[std::size_t(groupOf[i])]++)] = int(i);
        m_next.assign(m_keys.size(), 0);
    }

    int count(int group) const { return m_start[std::size_t(group) + 1] - m_start[std::size_t(group)]; }
    int member(int group, int index) const { return m_members[std::size_t(m_start[std::size_t(group)] + index)]; }
    // The group's members in turn, -1 when all are taken.
    int take(int group)
    {
        int &next = m_next[std::size_t(group)];
        return next < count(group) ? member(group, next++) : -1;
    }

private:
    static quint64 hashOf(const Key &k)
    {
        const auto half = [](Packed p, int high) { return quint64(high ? p >> 64 : p); };
        quint64 h = mix(half(k.a, 0) ^ 0x9e3779b97f4a7c15ULL);
        h = mix(h ^ half(k.a, 1));
        h = mix(h ^ half(k.b, 0));
        h = mix(h ^ half(k.b, 1));
        h = mix(h ^ half(k.c, 0));
        h = mix(h ^ half(k.c, 1));
        return mix(h ^ quint64(k.d));
    }

    std::size_t slotOf(const Key &key) const
    {
        std::size_t slot = hashOf(key) & (m_slots.size() - 1);
        while (m_slots[slot] >= 0 && !(m_keys[std::size_t(m_slots[slot])] == key))
            slot = (slot + 1) & (m_slots.size() - 1);
        return slot;
    }

    void grow()
    {
        std::vector<int> table(m_slots.size() * 2, -1);
        for (std::size_t g = 0; g < m_keys.size(); ++g) {
            std::size_t slot = hashOf(m_keys[g]) & (table.size() - 1);
            while (table[slot] >= 0)
                slot = (slot + 1) & (table.size() - 1);
            table[slot] = int(g);
        }
        m_slots.swap(table);
    }

    std::vector<Key> m_keys;
    std::vector<int> m_slots;
    std::vector<int> m_start;
    std::vector<int> m_members;
    std::vector<int> m_next;
};

qint64 centsOf(Money amount)
{
    return Formats::roundToCents(amount).raw();
}

// Values read from texts that repeat (amounts, tax names, payment forms), each text read once.
template <typename T> class ReadOnce
{
public:
    explicit ReadOnce(std::size_t expected)
        : m_texts(expected)
    {}

    template <typename Read> const T &of(QByteArrayView text, Read read)
    {
        const int id = m_texts.add(text);
        if (std::size_t(id) == m_values.size())
            m_values.push_back(read(text));
        return m_values[std::size_t(id)];
    }

private:
    Texts m_texts;
    std::vector<T> m_values;
};

QString decoded(QByteArrayView bytes)
{
    return Cp1252::decode(bytes.data(), bytes.size());
}

// The payment form of an invoice whose records cannot be told from another's: "Cash or Not Collected?".
QString unknownForm(const QStringList &forms)
{
    return forms.join(QStringLiteral(" or ")) + QLatin1Char('?');
}

} // namespace

QString payKindName(PayKind kind)
{
    switch (kind) {
    case PayKind::Cash:
        return QStringLiteral("Cash");
    case PayKind::Check:
        return QStringLiteral("Check");
    case PayKind::CreditCard:
        return QStringLiteral("Credit Card");
    case PayKind::NotCollected:
        return kNotCollected;
    case PayKind::Other:
        break;
    }
    return QStringLiteral("Other");
}

PayKind payKindOf(const QString &payForm)
{
    const QString f = payForm.trimmed();
    if (f.startsWith(QStringLiteral("Ck #"), Qt::CaseInsensitive) ||
        f.startsWith(QStringLiteral("Check"), Qt::CaseInsensitive))
        return PayKind::Check;
    if (f.compare(QStringLiteral("Cash"), Qt::CaseInsensitive) == 0)
        return PayKind::Cash;
    if (f.compare(QStringLiteral("Credit Card"), Qt::CaseInsensitive) == 0)
        return PayKind::CreditCard;
    if (f.compare(kNotCollected, Qt::CaseInsensitive) == 0 || f.isEmpty())
        return PayKind::NotCollected;
    return PayKind::Other;
}

Money Row::taxTotal() const
{
    Money sum;
    for (const TaxAmount &t : taxes)
        sum += t.amount;
    return sum;
}

namespace {

// The shown rows' keys, packed: each text of a key as a number (the rare long ones numbered), the rows of each key
// in flat tables. The records of the other files are looked up here, so that only those of shown invoices are kept.
class RowIndex
{
public:
    explicit RowIndex(const std::vector<Row> &out)
        : taxGroups(out.size())
        , journalGroups(out.size())
        , paymentGroups(out.size())
        , m_longTexts(64)
        , m_taxGroupOf(out.size())
        , m_journalGroupOf(out.size())
        , paymentGroupOf(out.size())
    {
        const int invoiceWidthTax = taxLayout().size(TaxField::InvoiceNo);
        const int invoiceWidthJournal = journalLayout().size(JournalField::InvoiceNo);
        const int acctWidthJournal = journalLayout().size(JournalField::AcctNo);
        QByteArray acct, date, invoice;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const Row &r = out[i];
            storedTrimmed(r.history.acctNo, acct);
            storedTrimmed(r.history.date, date);
            storedTrimmed(r.invoiceNo, invoice);
            const Packed dateKey = add(date);
            const Packed acctKey = add(acct);
            const Packed invoiceKey = add(invoice);
            const auto cut = [&](const QByteArray &text, Packed whole, int width) {
                return text.size() <= width && trimmedView(text).size() == text.size()
                           ? whole
                           : add(trimmedView(left(text, width)));
            };
            m_taxGroupOf[i] = taxGroups.add({cut(invoice, invoiceKey, invoiceWidthTax), dateKey});
            m_journalGroupOf[i] = journalGroups.add(
                {cut(acct, acctKey, acctWidthJournal), cut(invoice, invoiceKey, invoiceWidthJournal), dateKey});
            paymentGroupOf[i] = paymentGroups.add({acctKey, dateKey, 0, centsOf(r.history.amount)});
        }
        journalGroups.place(m_journalGroupOf);
        taxGroups.place(m_taxGroupOf);
    }

    // The number of a text that a shown row has (kUnknown for a long text that none has).
    Packed find(QByteArrayView text) const
    {
        return text.size() < 16 ? packShort(text) : packLong(m_longTexts.find(text));
    }

    static QByteArrayView left(QByteArrayView v, int width) { return v.first(std::min<qsizetype>(v.size(), width)); }

    Groups taxGroups;     // invoice, date
    Groups journalGroups; // account, invoice, date
    Groups paymentGroups; // account, date, amount; placed once the rows still without a payment form are known

private:
    Packed add(QByteArrayView text) { return text.size() < 16 ? packShort(text) : packLong(m_longTexts.add(text)); }

    Texts m_longTexts;
    std::vector<int> m_taxGroupOf, m_journalGroupOf;

public:
    std::vector<int> paymentGroupOf;
};

// The rows as the history shows them, before anything else is known: no parts, not collected.
std::vector<Row> historyRows(const std::vector<History::FinancialRow> &rows)
{
    std::vector<Row> out(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out[i].history = rows[i];
        out[i].invoiceNo = invoiceOf(rows[i].description);
        out[i].payForm = kNotCollected;
    }
    return out;
}

// The invoice journal's lines of the shown invoices' numbers and days, of every account, in file order by key:
// how much tax each invoice had, so that the tax records of one number and day go to the right account.
struct JournalLines
{
    struct Entry
    {
        int row = -1; // the shown row of the journal line, if any
        Money taxes;
        Money taken;
    };
    std::vector<Entry> entries;
    std::vector<int> start; // by tax key: where its lines begin in `lines`
    std::vector<int> lines;
    std::vector<bool> journaled; // by row: a journal line gave its pre-tax amount

    int count(int group) const { return start[std::size_t(group) + 1] - start[std::size_t(group)]; }
    Entry &line(int group, int index)
    {
        return entries[std::size_t(lines[std::size_t(start[std::size_t(group)] + index)])];
    }
};

// Pre-tax amounts: a shown row takes the pre-tax amount of the journal line of its account, invoice number and
// day (rows of one key take the key's lines in turn).
JournalLines preTaxFromJournal(const DataFolder &folder, RowIndex &index, std::vector<Row> &out)
{
    using namespace JournalField;
    JournalLines journal;
    journal.journaled.assign(out.size(), false);
    std::vector<int> entryGroupOf;
    const int invoiceWidthTax = taxLayout().size(TaxField::InvoiceNo);
    {
        const auto trimmed = [](const char *record, int field) {
            return RecordScan::trimmedField(record, journalLayout(), field);
        };
        double lastDay = std::numeric_limits<double>::quiet_NaN();
        Packed dateKey = kUnknown;
        forEachRecordOf(folder, Posting::kJournal, journalLayout(), [&](const char *bytes, int) {
            const Record record(journalLayout(), QByteArray::fromRawData(bytes, journalLayout().length()));
            const double day = record.real(Date);
            if (!(day == lastDay)) { // the journal runs in date order: a day's text is made once
                dateKey = index.find(Cp1252::encode(Formats::shortDate(OleDate::toDate(day))));
                lastDay = day;
            }
            const QByteArrayView invoiceNo = trimmed(bytes, InvoiceNo);
            const int group = index.taxGroups.find({index.find(RowIndex::left(invoiceNo, invoiceWidthTax)), dateKey});
            if (group < 0)
                return;
            JournalLines::Entry entry;
            entry.taxes = record.money(Taxes);
            const int found =
                index.journalGroups.find({index.find(trimmed(bytes, AcctNo)), index.find(invoiceNo), dateKey});
            if (found >= 0 && (entry.row = index.journalGroups.take(found)) >= 0) {
                out[std::size_t(entry.row)].preTax = record.money(PreTax);
                journal.journaled[std::size_t(entry.row)] = true;
            }
            journal.entries.push_back(entry);
            entryGroupOf.push_back(group);
        });
    }
    // The journal lines of each key in file order.
    journal.start.assign(index.taxGroups.size() + 1, 0);
    for (int g : entryGroupOf)
        ++journal.start[std::size_t(g) + 1];
    for (std::size_t g = 0; g < index.taxGroups.size(); ++g)
        journal.start[g + 1] += journal.start[g];
    journal.lines.resize(journal.entries.size());
    std::vector<int> fill(journal.start.begin(), journal.start.end() - 1);
    for (std::size_t e = 0; e < journal.entries.size(); ++e)
        journal.lines[std::size_t(fill[std::size_t(entryGroupOf[e])]++)] = int(e);
    return journal;
}

// Taxes: the records of an invoice number and day go to its journal lines in order, each line taking them up to its
// taxes. Without journal lines, each shown row of the key takes one record per tax name, in file order. Records
// left over go to the key's last line or row.
void taxesToInvoices(const DataFolder &folder, const RowIndex &index, JournalLines &journal, std::vector<Row> &out)
{
    using namespace TaxField;
    const auto trimmed = [](const char *record, int field) {
        return RecordScan::trimmedField(record, taxLayout(), field);
    };
    std::vector<int> next(index.taxGroups.size(), 0); // the key's line or row now taking records
    ReadOnce<QString> headings(16);
    ReadOnce<Money> amounts(1024);
    forEachRecordOf(folder, Posting::kTaxRecords, taxLayout(), [&](const char *tax, int) {
        const int group = index.taxGroups.find({index.find(trimmed(tax, InvoiceNo)), index.find(trimmed(tax, Date))});
        if (group < 0)
            return;
        const QString &heading = headings.of(trimmed(tax, Heading), decoded);
        const Money amount = amounts.of(trimmed(tax, TaxField::TaxAmount), [](QByteArrayView text) {
            return Formats::parseDecimal(decoded(text)).value_or(Money());
        });
        int &at = next[std::size_t(group)];
        const int lineCount = journal.count(group);
        if (lineCount > 0) {
            while (at + 1 < lineCount && journal.line(group, at).taken >= journal.line(group, at).taxes)
                ++at;
            JournalLines::Entry &entry = journal.line(group, at);
            entry.taken += amount;
            if (entry.row >= 0)
                out[std::size_t(entry.row)].taxes.push_back({heading, amount});
            return;
        }
        const int candidates = index.taxGroups.count(group);
        auto hasHeading = [&](int row) {
            return std::any_of(out[std::size_t(row)].taxes.begin(), out[std::size_t(row)].taxes.end(),
                               [&](const TaxAmount &a) { return a.heading == heading; });
        };
        while (at + 1 < candidates && hasHeading(index.taxGroups.member(group, at)))
            ++at;
        out[std::size_t(index.taxGroups.member(group, at))].taxes.push_back({heading, amount});
    });
}

// The payment forms found so far, by row.
struct PayForms
{
    explicit PayForms(std::vector<Row> &rows)
        : out(rows)
        , kinds(rows.size(), payKindOf(kNotCollected))
        , resolved(rows.size(), false)
    {}

    // One form tells the row's payment; several say it cannot be told ("Cash or Not Collected?").
    void set(std::size_t row, const QStringList &forms)
    {
        out[row].payForm = forms.size() == 1 ? forms.front() : unknownForm(forms);
        kinds[row] = forms.size() == 1 ? payKindOf(forms.front()) : PayKind::Other;
        out[row].payKnown = forms.size() == 1;
        resolved[row] = true;
    }

    std::vector<Row> &out;
    std::vector<PayKind> kinds;
    std::vector<bool> resolved;
};

// Payment forms from each invoice's own slip in \FinalizedServiceSlips.txt, found by account and invoice number (and
// amount, when one number was used for more than one amount).
void formsFromFinalizedSlips(const DataFolder &folder, PayForms &forms)
{
    using namespace SlipField;
    const std::vector<Row> &rows = forms.out;
    const int acctWidth = serviceSlipLayout().size(AcctNo);
    const int invoiceWidth = serviceSlipLayout().size(InvoiceNo);
    QHash<QByteArray, std::vector<std::size_t>> byInvoice;
    QByteArray key, acct, invoice;
    const auto keyOf = [&](QByteArrayView acctNo, QByteArrayView invoiceNo) {
        key = trimmedView(RowIndex::left(acctNo, acctWidth)).toByteArray();
        key += '\x1f';
        key += trimmedView(RowIndex::left(invoiceNo, invoiceWidth));
        return key;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        storedTrimmed(rows[i].history.acctNo, acct);
        storedTrimmed(rows[i].invoiceNo, invoice);
        byInvoice[keyOf(acct, invoice)].push_back(i);
    }
    struct Kept
    {
        qint64 cents;
        QString form;
    };
    QHash<QByteArray, std::vector<Kept>> slips;
    forEachRecordOf(folder, SlipFiles::kFinalized, serviceSlipLayout(), [&](const char *slip, int) {
        const auto trimmed = [&](int field) { return RecordScan::trimmedField(slip, serviceSlipLayout(), field); };
        const auto found = byInvoice.constFind(keyOf(trimmed(AcctNo), trimmed(InvoiceNo)));
        if (found == byInvoice.constEnd())
            return;
        slips[found.key()].push_back(
            {centsOf(Formats::currencyOrZero(decoded(trimmed(SlipField::Amount)))), decoded(trimmed(PayForm))});
    });
    for (auto it = slips.cbegin(); it != slips.cend(); ++it) {
        for (std::size_t row : byInvoice.value(it.key())) {
            const qint64 cents = centsOf(rows[row].history.amount);
            const bool anyOfAmount =
                std::any_of(it->begin(), it->end(), [&](const Kept &k) { return k.cents == cents; });
            QStringList found;
            for (const Kept &k : *it) {
                if ((!anyOfAmount || k.cents == cents) && !found.contains(k.form))
                    found << k.form;
            }
            forms.set(row, found);
        }
    }
}

// Invoices older than the slips kept: the payment records of the account, day and amount, used only where they tell
// the invoices apart (all of them paid alike, or none paid). One invoice takes the first payment of its day (the one
// written with it); several take theirs only when every one was paid, and alike.
void formsFromPaymentRecords(const DataFolder &folder, RowIndex &index, PayForms &forms)
{
    for (std::size_t i = 0; i < forms.out.size(); ++i) {
        if (forms.resolved[i])
            index.paymentGroupOf[i] = -1;
    }
    Groups &groups = index.paymentGroups;
    groups.place(index.paymentGroupOf);
    using namespace AccountHistoryField;
    ReadOnce<qint64> amounts(1024);
    ReadOnce<QString> texts(64);
    std::vector<QStringList> paid(groups.size());
    std::vector<int> paidCount(groups.size(), 0);
    forEachRecordOf(folder, AccountFiles::kPaymentFile, accountHistoryLayout(), [&](const char *payment, int) {
        const auto trimmed = [&](int field) {
            return RecordScan::trimmedField(payment, accountHistoryLayout(), field);
        };
        const Packed acctKey = index.find(trimmed(AcctNo));
        const Packed dateKey = index.find(trimmed(Date));
        const qint64 cents = amounts.of(
            trimmed(Amount), [](QByteArrayView text) { return centsOf(Formats::currencyOrZero(decoded(text))); });
        const int group = groups.find({acctKey, dateKey, 0, cents});
        if (group < 0 || groups.count(group) == 0)
            return;
        const QString &form = texts.of(trimmed(Description), decoded);
        ++paidCount[std::size_t(group)];
        if (!paid[std::size_t(group)].contains(form))
            paid[std::size_t(group)] << form;
    });
    for (std::size_t g = 0; g < paid.size(); ++g) {
        const int members = groups.count(int(g));
        if (paidCount[g] == 0)
            continue;
        QStringList candidates = paid[g];
        if (members == 1 || (candidates.size() == 1 && paidCount[g] >= members))
            candidates = candidates.mid(0, 1);
        else if (paidCount[g] < members)
            candidates << kNotCollected;
        for (int m = 0; m < members; ++m)
            forms.set(std::size_t(groups.member(int(g), m)), candidates);
    }
}

// Invoices the payment records cannot tell apart (two of one account, day and amount, paid by different checks):
// the order of the balance file's lines does, as Who Still Owes reads them. A charge followed by its payment was
// paid with that payment's form; one without was not collected.
void formsFromBalanceFiles(const DataFolder &folder, PayForms &forms)
{
    QHash<QString, Receivables::AccountLedger> ledgers;
    for (const Row &r : forms.out) {
        if (!r.payKnown && !ledgers.contains(r.history.acctNo))
            ledgers.insert(r.history.acctNo, Receivables::ledgerOf(folder, r.history.acctNo, QDate()));
    }
    if (ledgers.isEmpty())
        return;
    Receivables::namePayments(folder, ledgers);
    for (std::size_t i = 0; i < forms.out.size(); ++i) {
        const Row &r = forms.out[i];
        if (r.payKnown)
            continue;
        const Receivables::Invoice *charge =
            Receivables::takeCharge(ledgers[r.history.acctNo], r.invoiceNo, r.history.dateValue, r.history.amount);
        if (!charge)
            continue;
        if (!charge->paidWithIt)
            forms.set(i, {kNotCollected});
        else if (const QString &form = charge->payments.front().form; !form.isEmpty())
            forms.set(i, {form});
    }
}

// The parts in whole cents, adding up to the amount charged: the journal's pre-tax amount (without one, the total
// less the taxes) and the taxes.
void shownParts(Row &r, bool journaled)
{
    std::vector<Money> taxes;
    for (const TaxAmount &t : r.taxes)
        taxes.push_back(t.amount);
    const InvoiceParts::Parts parts =
        InvoiceParts::shown(journaled ? r.preTax : r.history.amount - r.taxTotal(), taxes, r.history.amount);
    r.preTax = parts.preTax;
    for (std::size_t k = 0; k < taxes.size(); ++k)
        r.taxes[k].amount = parts.taxes[k];
}

} // namespace

std::vector<Row> details(const DataFolder &folder, const std::vector<History::FinancialRow> &rows)
{
    std::vector<Row> out = historyRows(rows);
    if (out.empty())
        return out; // nothing to look up: the posting files are not read
    RowIndex index(out);
    JournalLines journal = preTaxFromJournal(folder, index, out);
    taxesToInvoices(folder, index, journal, out);
    PayForms forms(out);
    formsFromFinalizedSlips(folder, forms);
    formsFromPaymentRecords(folder, index, forms);
    formsFromBalanceFiles(folder, forms);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i].payKind = forms.kinds[i];
        shownParts(out[i], journal.journaled[i]);
    }
    return out;
}

std::vector<Payment> payments(const DataFolder &folder, const std::vector<Row> &rows, const QDate &start,
                              const QDate &end, const std::optional<QString> &account)
{
    // The invoices paid at finalizing, by account, day, amount and form: each takes one payment.
    const auto keyOf = [](const QString &acct, const QDate &date, Money amount, const QString &form) {
        return acct.trimmed() + QChar(0x1f) + date.toString(Qt::ISODate) + QChar(0x1f) +
               QString::number(centsOf(amount)) + QChar(0x1f) + form.trimmed();
    };
    QHash<QString, int> paidWithInvoice;
    for (const Row &r : rows) {
        if (r.payKnown && r.payKind != PayKind::NotCollected)
            ++paidWithInvoice[keyOf(r.history.acctNo, r.history.dateValue, r.history.amount, r.payForm)];
    }
    std::vector<Payment> out;
    using namespace AccountHistoryField;
    const QString wanted = account.value_or(QString()).trimmed();
    forEachRecordOf(folder, AccountFiles::kPaymentFile, accountHistoryLayout(), [&](const char *record, int) {
        const auto field = [&](int f) { return decoded(RecordScan::trimmedField(record, accountHistoryLayout(), f)); };
        const QString acct = field(AcctNo);
        if (account && acct != wanted)
            return;
        const auto date = Formats::parseShortDate(field(Date));
        if (!date || *date < start || *date > end)
            return;
        Payment payment{acct, field(Name), *date, field(Description)};
        payment.kind = payKindOf(payment.form);
        payment.amount = Formats::roundToCents(Formats::currencyOrZero(field(Amount)));
        const auto found = paidWithInvoice.find(keyOf(acct, *date, payment.amount, payment.form));
        if (found != paidWithInvoice.end() && *found > 0) {
            --*found;
            payment.withInvoice = true;
        }
        out.push_back(std::move(payment));
    });
    return out;
}

Totals summarize(const std::vector<Row> &rows, const std::vector<Payment> &payments)
{
    Totals t;
    for (const Payment &p : payments) {
        t.received += p.amount;
        t.receivedByPayKind[int(p.kind)] += p.amount;
        ++t.receivedCountByPayKind[int(p.kind)];
        if (!p.withInvoice)
            t.receivedLater += p.amount;
    }
    for (const Row &r : rows) {
        ++t.count;
        t.total += r.history.amount;
        t.preTax += r.preTax;
        const int kind = int(r.payKind);
        t.byPayKind[kind] += r.history.amount;
        ++t.countByPayKind[kind];
        for (const TaxAmount &tax : r.taxes) {
            t.taxes += tax.amount;
            auto found = std::find_if(t.byTax.begin(), t.byTax.end(),
                                      [&](const TaxAmount &a) { return a.heading == tax.heading; });
            if (found == t.byTax.end())
                t.byTax.push_back(tax);
            else
                found->amount += tax.amount;
        }
    }
    return t;
}

QByteArray incomeCsv(const std::vector<Row> &rows, const std::vector<Payment> &payments, Csv::Options options)
{
    QStringList headings; // the taxes' names in the order they first appear
    for (const Row &r : rows) {
        for (const TaxAmount &t : r.taxes) {
            if (!headings.contains(t.heading))
                headings << t.heading;
        }
    }
    Csv::Writer csv(options);
    QStringList header = {QStringLiteral("Date"), QStringLiteral("Invoice No."), QStringLiteral("Account"),
                          QStringLiteral("Name"), QStringLiteral("Pre-Tax")};
    for (const QString &h : headings)
        header << Csv::text(h);
    header << QStringLiteral("Total") << QStringLiteral("Payment Form") << QStringLiteral("Received");
    csv.addLine(header);
    for (const Row &r : rows) {
        QStringList line = {Csv::date(r.history.dateValue), Csv::text(r.invoiceNo), Csv::text(r.history.acctNo),
                            Csv::text(r.history.name), Csv::amount(r.preTax)};
        for (const QString &h : headings) {
            Money tax;
            for (const TaxAmount &t : r.taxes) {
                if (t.heading == h)
                    tax += t.amount;
            }
            line << Csv::amount(tax);
        }
        const bool received = r.payKnown && r.payKind != PayKind::NotCollected;
        line << Csv::amount(r.history.amount) << Csv::text(r.payForm)
             << (received ? Csv::amount(r.history.amount) : QString());
        csv.addLine(line);
    }
    for (const Payment &p : payments) {
        if (p.withInvoice)
            continue;
        QStringList line = {Csv::date(p.date), QString(), Csv::text(p.acctNo), Csv::text(p.name), QString()};
        for (qsizetype h = 0; h < headings.size(); ++h)
            line << QString();
        line << QString() << Csv::text(p.form) << Csv::amount(p.amount);
        csv.addLine(line);
    }
    return csv.bytes();
}

Chart chartOf(const std::vector<Row> &rows, const QDate &start, const QDate &end)
{
    Chart chart;
    if (!start.isValid() || !end.isValid() || end < start)
        return chart;
    chart.byDay = start.daysTo(end) < 31;
    // The bar of a date, counted from the range's first bar.
    const auto barOf = [&](const QDate &d) -> qint64 {
        if (chart.byDay)
            return start.daysTo(d);
        return qint64(d.year() - start.year()) * 12 + (d.month() - start.month());
    };
    const qint64 count = barOf(end) + 1;
    std::vector<Money> preTax(static_cast<std::size_t>(count)), taxes(static_cast<std::size_t>(count));
    qint64 first = count;
    for (const Row &r : rows) {
        const QDate &d = r.history.dateValue;
        if (!d.isValid() || d < start || d > end)
            continue;
        const qint64 bar = barOf(d);
        const Money tax = r.taxTotal();
        taxes[std::size_t(bar)] += tax;
        preTax[std::size_t(bar)] += r.history.amount - tax;
        first = std::min(first, bar);
    }
    if (chart.byDay || first == count)
        first = 0;
    for (qint64 b = first; b < count; ++b) {
        Bar bar;
        bar.first = chart.byDay ? start.addDays(b) : QDate(start.year(), start.month(), 1).addMonths(int(b));
        bar.label =
            chart.byDay ? bar.first.toString(QStringLiteral("M/d")) : bar.first.toString(QStringLiteral("MMM yyyy"));
        bar.preTax = preTax[std::size_t(b)];
        bar.taxes = taxes[std::size_t(b)];
        chart.highest = std::max(chart.highest, bar.preTax + bar.taxes);
        chart.bars.push_back(bar);
    }
    return chart;
}

} // namespace Income
