#include "dispatch/agreementlist.h"

#include "accounts/recordimport.h"
#include "core/csvlist.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "dispatch/agreementrecord.h"
#include "dispatch/slipvalues.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>

namespace AgreementList {

namespace {

enum Column {
    CAcctNo,
    CServices,
    CInterval,
    CEvery,
    CMonths,
    CTechnician,
    CWeekday,
    CSlot,
    CStart,
    CEnd,
    CPrice,
    CNote
};

const QStringList kMonthNames = {QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                                 QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                                 QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                                 QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
const QStringList kIntervals = {QStringLiteral("Weeks"), QStringLiteral("Months"), QStringLiteral("Chosen months")};

// A heading or a word as compared: letters and digits only, in lower case.
QString folded(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            out += c.toLower();
    }
    return out;
}

// The spreadsheet's guards taken off again, as the other imports do: ="00123" and '=1.
QString cell(const CsvReader::Row &row, int column)
{
    return column < 0 || column >= row.values.size() ? QString() : RecordImport::oneLine(row.values[column]);
}

QStringList rowOf(const Agreement &a)
{
    QStringList months;
    for (int m = 0; m < 12; ++m) {
        if (a.interval == Agreement::Interval::ChosenMonths && (a.months >> m) & 1)
            months << kMonthNames[m];
    }
    return {a.acctNo,
            a.services.join(QStringLiteral("; ")),
            kIntervals[int(a.interval)],
            QString::number(a.every),
            months.join(QLatin1Char(' ')),
            a.technician,
            a.weekday >= 1 && a.weekday <= 7 ? QLocale(QLocale::English).dayName(a.weekday) : QString(),
            a.slot,
            Formats::shortDate(a.start),
            Formats::shortDate(a.end),
            Formats::currency(a.price),
            a.note};
}

// The agreement of one row; nothing, with the reason, when a value cannot be read.
std::optional<Agreement> agreementOf(const CsvReader::Row &row, const std::vector<int> &columnOf,
                                     const CsvReader::DecimalMark &decimals, QString &why)
{
    const auto value = [&](Column c) { return cell(row, columnOf[std::size_t(c)]); };
    Agreement a;
    a.acctNo = value(CAcctNo);
    for (const QString &service : value(CServices).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!service.trimmed().isEmpty())
            a.services << service.trimmed();
    }
    const QString interval = folded(value(CInterval));
    if (interval.startsWith(QLatin1Char('w'))) {
        a.interval = Agreement::Interval::Weeks;
    } else if (interval.isEmpty() || interval.startsWith(QLatin1Char('m'))) {
        a.interval = Agreement::Interval::Months;
    } else if (interval.startsWith(QLatin1Char('c'))) {
        a.interval = Agreement::Interval::ChosenMonths;
    } else {
        why = QStringLiteral("the Interval \"%1\" is not Weeks, Months or Chosen months").arg(value(CInterval));
        return std::nullopt;
    }
    bool ok = true;
    a.every = value(CEvery).isEmpty() ? 1 : value(CEvery).toInt(&ok);
    if (!ok) {
        why = QStringLiteral("Every \"%1\" is not a whole number").arg(value(CEvery));
        return std::nullopt;
    }
    for (const QString &m : value(CMonths).split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts)) {
        const auto month = std::find_if(kMonthNames.begin(), kMonthNames.end(),
                                        [&](const QString &name) { return folded(m).startsWith(folded(name)); });
        if (month == kMonthNames.end()) {
            why = QStringLiteral("the Months \"%1\" hold \"%2\", which is no month").arg(value(CMonths), m);
            return std::nullopt;
        }
        a.months |= quint16(1u << (month - kMonthNames.begin()));
    }
    a.technician = value(CTechnician);
    if (const QString weekday = folded(value(CWeekday)); !weekday.isEmpty()) {
        for (int d = 1; d <= 7; ++d) {
            if (folded(QLocale(QLocale::English).dayName(d)).startsWith(weekday) && weekday.size() >= 2)
                a.weekday = d;
        }
        if (a.weekday == 0) {
            why = QStringLiteral("the Weekday \"%1\" is no day of the week").arg(value(CWeekday));
            return std::nullopt;
        }
    }
    a.slot = value(CSlot).isEmpty() ? SlipValues::kNoTime : value(CSlot);
    const auto date = [&](Column c, QDate &into) {
        if (value(c).isEmpty())
            return true;
        const auto parsed = Formats::parseShortDate(value(c));
        if (parsed)
            into = *parsed;
        else
            why = QStringLiteral("%1 \"%2\" is not a date (M/d/yyyy)").arg(headings()[c], value(c));
        return bool(parsed);
    };
    if (!date(CStart, a.start) || !date(CEnd, a.end))
        return std::nullopt;
    if (!value(CPrice).isEmpty()) {
        // In whole cents, read with the decimal mark of the file's other prices.
        const auto plain = CsvReader::amountText(value(CPrice), decimals, QStringLiteral("Price"), why);
        if (!plain)
            return std::nullopt;
        const auto price = Formats::parseCurrency(*plain);
        if (!price) {
            why = QStringLiteral("the Price \"%1\" is not an amount").arg(value(CPrice));
            return std::nullopt;
        }
        if (plain->section(QLatin1Char('.'), 1).size() > 2) {
            why = QStringLiteral("the Price \"%1\" has more than two decimals; write it in dollars and cents")
                      .arg(value(CPrice));
            return std::nullopt;
        }
        a.price = *price;
    }
    a.note = value(CNote);
    return a;
}

} // namespace

const QStringList &headings()
{
    static const QStringList list = {
        QStringLiteral("AcctNo"), QStringLiteral("Services"),   QStringLiteral("Interval"), QStringLiteral("Every"),
        QStringLiteral("Months"), QStringLiteral("Technician"), QStringLiteral("Weekday"),  QStringLiteral("Slot"),
        QStringLiteral("Start"),  QStringLiteral("End"),        QStringLiteral("Price"),    QStringLiteral("Note")};
    return list;
}

QByteArray listCsv(const DataFolder &folder)
{
    std::vector<QStringList> rows;
    for (const Agreement &a : Agreements::load(folder))
        rows.push_back(rowOf(a));
    return CsvList::document(headings(), rows);
}

std::vector<int> matchHeadings(const QStringList &names)
{
    std::vector<int> mapping(std::size_t(names.size()), -1);
    for (qsizetype c = 0; c < names.size(); ++c) {
        for (int t = 0; t < headings().size(); ++t) {
            if (!folded(names[c]).isEmpty() && folded(headings()[t]) == folded(names[c])) {
                mapping[std::size_t(c)] = t;
                break;
            }
        }
    }
    return mapping;
}

std::optional<QString> mappingProblem(const std::vector<int> &mapping)
{
    std::vector<int> uses(std::size_t(headings().size()), 0);
    for (int t : mapping) {
        if (t >= 0 && ++uses[std::size_t(t)] == 2)
            return QStringLiteral("Two columns are set to %1; set one of them to another field or to (skip).")
                .arg(headings()[t]);
    }
    for (Column needed : {CAcctNo, CStart}) {
        if (!uses[needed])
            return QStringLiteral("No column is set to %1.").arg(headings()[needed]);
    }
    return std::nullopt;
}

Plan plan(const DataFolder &folder, const CsvReader::Table &table, const std::vector<int> &mapping)
{
    Plan out;
    out.fileSize = folder.fileSize(Agreements::kFile);
    std::vector<int> columnOf(std::size_t(headings().size()), -1);
    for (std::size_t c = 0; c < mapping.size(); ++c) {
        if (mapping[c] >= 0 && columnOf[std::size_t(mapping[c])] < 0)
            columnOf[std::size_t(mapping[c])] = int(c);
    }
    const Agreements::Rules rules(folder);
    const CsvReader::DecimalMark decimals = CsvReader::decimalMarkOf(table, columnOf[std::size_t(CPrice)]);
    for (const CsvReader::Row &row : table.rows) {
        QString why;
        auto agreement = agreementOf(row, columnOf, decimals, why);
        if (agreement) {
            if (const auto problem = rules.problem(*agreement)) {
                why = QString(*problem).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
                agreement.reset();
            }
        }
        if (agreement)
            out.agreements.push_back(*agreement);
        else
            out.problems.push_back({row.line, why});
    }
    for (const CsvReader::Refusal &refused : table.refused)
        out.problems.push_back({refused.line, refused.reason});
    std::stable_sort(out.problems.begin(), out.problems.end(),
                     [](const Problem &a, const Problem &b) { return a.line < b.line; });
    out.read = int(out.agreements.size() + out.problems.size());
    return out;
}

void write(const DataFolder &folder, const Plan &plan)
{
    if (folder.fileSize(Agreements::kFile) != plan.fileSize)
        throw DiskError(QStringLiteral("%1 changed after the rows were checked; nothing was imported. "
                                       "Check the file again and import it then.")
                            .arg(QDir::toNativeSeparators(folder.path(Agreements::kFile))));
    if (plan.agreements.empty())
        return;
    qint32 id = Agreements::nextId(folder);
    std::vector<Record> records;
    for (Agreement a : plan.agreements) {
        a.id = id++;
        records.push_back(Agreements::toRecord(a));
    }
    folder.appendRecords(Agreements::kFile, records);
}

} // namespace AgreementList
