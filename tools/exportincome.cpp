#include "tools/exportincome.h"

#include "billing/history.h"
#include "billing/income.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"

#include <QFileInfo>
#include <QHash>

namespace {

std::optional<QDate> dateArgument(const QString &text)
{
    const QDate iso = QDate::fromString(text.trimmed(), Qt::ISODate);
    if (iso.isValid())
        return iso;
    return Formats::parseShortDate(text);
}

} // namespace

QString exportIncomeHelp()
{
    return QStringLiteral(
        "Usage: dispatch-data export-income --root DIR --from DATE --to DATE [--account A] [--bom] --out FILE.csv\n"
        "\n"
        "Writes the income of the data folder DIR dated from DATE to DATE (both included) as CSV: one row per\n"
        "invoice (date, invoice number, account, name, pre-tax, each tax by name, total, payment form, received),\n"
        "then each payment received later as its own row. UTF-8, a header row, dates as yyyy-MM-dd, amounts as\n"
        "plain numbers with two decimals; a text that a spreadsheet would turn into a number (an account number\n"
        "\"00123\") as =\"00123\".\n"
        "--account keeps one account's records; --bom starts the file with a UTF-8 byte-order mark.\n"
        "DATE is yyyy-MM-dd or M/d/yyyy.\n");
}

int exportIncome(const QStringList &args, QTextStream &out, QTextStream &err)
{
    auto fail = [&](const QString &message) {
        err << "dispatch-data export-income: " << message << '\n';
        return 2;
    };
    QHash<QString, QString> values;
    const QStringList known = {QStringLiteral("root"), QStringLiteral("from"), QStringLiteral("to"),
                               QStringLiteral("account"), QStringLiteral("out")};
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << exportIncomeHelp();
            return 0;
        }
        if (arg == QLatin1String("--bom")) {
            values.insert(QStringLiteral("bom"), QString());
            continue;
        }
        QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2) : QString();
        QString value;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        } else if (known.contains(name)) {
            if (i + 1 >= args.size())
                return fail(QStringLiteral("--%1 needs a value").arg(name));
            value = args[++i];
        }
        if (!known.contains(name))
            return fail(QStringLiteral("unexpected argument \"%1\"; see dispatch-data export-income --help").arg(arg));
        values.insert(name, value);
    }
    const QString root = values.value(QStringLiteral("root"));
    const QString target = values.value(QStringLiteral("out"));
    if (root.isEmpty() || target.isEmpty() || !values.contains(QStringLiteral("from")) ||
        !values.contains(QStringLiteral("to")))
        return fail(QStringLiteral("--root DIR, --from DATE, --to DATE and --out FILE.csv are required"));
    if (!QFileInfo(root).isDir())
        return fail(QStringLiteral("the data folder \"%1\" does not exist").arg(root));
    const auto from = dateArgument(values.value(QStringLiteral("from")));
    const auto to = dateArgument(values.value(QStringLiteral("to")));
    if (!from || !to)
        return fail(QStringLiteral("--from and --to must be dates as yyyy-MM-dd or M/d/yyyy"));
    if (*to < *from)
        return fail(QStringLiteral("--to is before --from"));
    std::optional<QString> account;
    if (values.contains(QStringLiteral("account")))
        account = values.value(QStringLiteral("account"));
    const DataFolder folder(root);
    const auto history = History::loadFinancial(folder, *from, *to, account);
    const auto rows = Income::details(folder, history);
    const auto payments = Income::payments(folder, rows, *from, *to, account);
    try {
        History::writeExport(target, Income::incomeCsv(rows, payments, {values.contains(QStringLiteral("bom"))}));
    } catch (const DiskError &e) {
        return fail(e.message());
    }
    Money total;
    for (const auto &r : history)
        total += r.amount;
    out << QStringLiteral("%1 records, total %2, written to %3").arg(rows.size()).arg(Formats::currency(total), target)
        << '\n';
    return 0;
}
