#include "billing/history.h"

#include "accounts/customerfile.h"
#include "accounts/customerrecord.h"
#include "billing/accounthistoryrecord.h"
#include "billing/posting.h"
#include "billing/postingrecords.h"
#include "core/csv.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/recordblocks.h"
#include "core/validation.h"

#include <QDir>
#include <QSaveFile>
#include <future>
#include <string>
#include <string_view>
#include <unordered_map>

namespace History {

namespace {

// The date of a record's Date field, read straight from its bytes (M/d/yyyy, as posting writes it); the
// general reader takes what this quick one cannot.
std::optional<QDate> recordDate(const Record &record, int field)
{
    const QByteArray &bytes = record.bytes();
    const int offset = record.layout().offset(field);
    const int width = record.layout().size(field);
    int values[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    int i = offset;
    const int end = offset + width;
    while (i < end && bytes[i] == ' ')
        ++i;
    for (; i < end; ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9') {
            values[part] = values[part] * 10 + (c - '0');
            ++digits[part];
        } else if (c == '/' && part < 2) {
            ++part;
        } else {
            break;
        }
    }
    bool restBlank = true;
    for (; i < end; ++i)
        restBlank = restBlank && bytes[i] == ' ';
    if (restBlank && part == 2 && digits[0] >= 1 && digits[0] <= 2 && digits[1] >= 1 && digits[1] <= 2 &&
        digits[2] == 4) {
        const QDate date(values[2], values[0], values[1]);
        if (date.isValid())
            return date;
        return std::nullopt;
    }
    return Formats::parseShortDate(record.text(field));
}

// Texts that repeat over many records (account numbers, names, dates, technicians) are decoded once
// per load and shared by every row that shows them: a load of a hundred thousand rows then makes a few thousand
// strings, not half a million.
class SharedTexts
{
public:
    const QString &text(const Record &record, int field)
    {
        const std::string_view raw(record.bytes().constData() + record.layout().offset(field),
                                   std::size_t(record.layout().size(field)));
        auto found = m_texts.find(raw);
        if (found == m_texts.end()) // the key keeps a copy of its bytes, small and close at hand
            found = m_texts.emplace(std::string(raw), record.text(field)).first;
        return found->second;
    }

private:
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>()(bytes); }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> m_texts;
};

template <typename Row, typename Fill>
void scan(const DataFolder &folder, const QString &file, const RecordLayout &layout, int acctField, int dateField,
          const QDate &start, const QDate &end, const std::optional<QString> &account, std::vector<Row> &out, Fill fill)
{
    if (!QFileInfo::exists(folder.path(file)) && !folder.fileExists(file))
        return;
    // Each record is looked at where it lies in the block read, without a copy of its bytes: a hundred thousand
    // records are never held at once.
    const qsizetype length = layout.length();
    const QString wanted = account ? account->trimmed() : QString();
    SharedTexts shared;
    forEachRecordOf(folder, file, layout, [&](const char *bytes, int) {
        const Record r(layout, QByteArray::fromRawData(bytes, length));
        const auto date = recordDate(r, dateField);
        if (!date || *date < start || *date > end || (account && shared.text(r, acctField) != wanted))
            return;
        out.push_back(fill(r, *date, shared));
    });
}

} // namespace

Loaded loadHistory(const DataFolder &folder, const QDate &start, const QDate &end,
                   const std::optional<QString> &account)
{
    Loaded loaded;
    // The two files are read side by side: the financial history on a thread of its own (should the service
    // history throw, the future's destructor waits for that thread before the references it uses go).
    auto financial = std::async(std::launch::async | std::launch::deferred,
                                [&] { return loadFinancial(folder, start, end, account); });
    {
        using namespace ServiceHistoryField;
        scan(folder, Posting::kServiceHistory, serviceHistoryLayout(), AcctNo, Date, start, end, account,
             loaded.service, [](const Record &r, const QDate &date, SharedTexts &shared) {
                 return ServiceRow{shared.text(r, AcctNo), shared.text(r, Name),       shared.text(r, Date),
                                   r.text(Contents),       shared.text(r, Assignment), date};
             });
    }
    loaded.financial = financial.get();
    for (const FinancialRow &row : loaded.financial)
        loaded.total += row.amount;
    return loaded;
}

std::vector<FinancialRow> loadFinancial(const DataFolder &folder, const QDate &start, const QDate &end,
                                        const std::optional<QString> &account)
{
    using namespace AccountHistoryField;
    std::vector<FinancialRow> rows;
    scan(folder, Posting::kHistory, accountHistoryLayout(), AcctNo, Date, start, end, account, rows,
         [](const Record &r, const QDate &date, SharedTexts &shared) {
             const Money amount = Formats::currencyOrZero(r.text(Amount));
             return FinancialRow{shared.text(r, AcctNo),
                                 shared.text(r, Name),
                                 shared.text(r, Date),
                                 r.text(Description),
                                 Formats::currency(amount),
                                 date,
                                 amount};
         });
    return rows;
}

Range lastMonth(const QDate &today, const QDate &currentEnd)
{
    const QDate firstOfThisMonth(today.year(), today.month(), 1);
    Range range{firstOfThisMonth.addMonths(-1), currentEnd.isValid() ? currentEnd : today};
    if (range.end >= firstOfThisMonth)
        range.end = firstOfThisMonth.addDays(-1);
    return range;
}

Range monthToDate(const QDate &today)
{
    return {QDate(today.year(), today.month(), 1), today};
}

Range yearToDate(const QDate &today)
{
    return {QDate(today.year(), 1, 1), today};
}

Range allTime(const QDate &today)
{
    return {QDate(1990, 1, 1), today};
}

PickedRange pickDate(const Range &accepted, int index, const QDate &picked, const QDate &today, bool soundAlarm)
{
    PickedRange answer;
    answer.range = accepted;
    QDate &date = index == 0 ? answer.range.start : answer.range.end;
    date = picked;
    if (picked > today) {
        answer.beep = soundAlarm;
        answer.tell(Validation::kCalendarInvalid, QString());
        date = today;
    }
    if (answer.range.end < answer.range.start) {
        answer.tell(Validation::kCalendarInvalid, QString());
        answer.range.end = answer.range.start;
    }
    return answer;
}

void purgeAll(const DataFolder &folder)
{
    folder.deleteWithBackup(Posting::kServiceHistory);
    folder.deleteWithBackup(Posting::kHistory);
}

void purgeAccount(const DataFolder &folder, const QString &account)
{
    const QString wanted = account.trimmed();
    auto purge = [&](const QString &file, const RecordLayout &layout, int acctField) {
        if (!folder.fileExists(file))
            return;
        folder.rewriteWithout(file, layout, [&](const Record &r, int) { return r.text(acctField) == wanted; });
    };
    purge(Posting::kServiceHistory, serviceHistoryLayout(), ServiceHistoryField::AcctNo);
    purge(Posting::kHistory, accountHistoryLayout(), AccountHistoryField::AcctNo);
}

QByteArray financialCsv(const std::vector<FinancialRow> &rows, Csv::Options options)
{
    Csv::Writer csv(options);
    csv.addLine({QStringLiteral("Account"), QStringLiteral("Name"), QStringLiteral("Date"),
                 QStringLiteral("Invoice Number/Reference"), QStringLiteral("Amount")});
    for (const FinancialRow &r : rows)
        csv.addLine({Csv::text(r.acctNo), Csv::text(r.name), Csv::date(r.dateValue), Csv::text(r.description),
                     Csv::amount(r.amount)});
    return csv.bytes();
}

QByteArray serviceCsv(const std::vector<ServiceRow> &rows, Csv::Options options)
{
    Csv::Writer csv(options);
    csv.addLine({QStringLiteral("Account"), QStringLiteral("Name"), QStringLiteral("Date"),
                 QStringLiteral("Service Provided"), QStringLiteral("Serviced By")});
    for (const ServiceRow &r : rows)
        csv.addLine({Csv::text(r.acctNo), Csv::text(r.name), Csv::date(r.dateValue), Csv::text(r.contents),
                     Csv::text(r.assignment)});
    return csv.bytes();
}

void writeExport(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw DiskError(QStringLiteral("The file %1 could not be written: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
}

} // namespace History
