#include "core/setuplogic.h"

#include "core/datafolder.h"
#include "core/itemrecord.h"
#include "core/settings.h"
#include "core/slipcounter.h"
#include "core/startup.h"
#include "core/validation.h"

#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {
constexpr int kSmallest = 360;
constexpr int kLargest = 1800;
constexpr int kStep = 50;
const QString kCurrentItems = QStringLiteral("/CurrentItems.txt");
} // namespace

namespace SetupLogic {

int logoSizeUp(int twips)
{
    return twips >= kLargest ? kSmallest : twips + kStep;
}

int logoSizeDown(int twips)
{
    return twips <= kSmallest ? kLargest : twips - kStep;
}

namespace {
bool anyAddressLine(const std::array<QString, 9> &b)
{
    return !(b[BusinessField::Address1] + b[BusinessField::Address2] + b[BusinessField::City] + b[BusinessField::State])
                .trimmed()
                .isEmpty();
}
} // namespace

bool internationalStyleAtLoad(const std::array<QString, 9> &business)
{
    // Without any address line both styles print the same; the USA style is the one a first run shows.
    return business[BusinessField::PostalCode].trimmed().isEmpty() && anyAddressLine(business);
}

std::optional<FieldProblem> checkFields(const EditedFields &fields)
{
    using Field = FieldProblem::Field;
    if (fields.usaStyle && internationalStyleAtLoad(fields.business))
        return FieldProblem{Field::PostalCode, kPostalCodeMandatory};

    bool ok = false;
    const qint64 invoice = fields.invoiceNumber.trimmed().toLongLong(&ok);
    const bool unchanged = fields.invoiceNumber.trimmed() == QString::number(fields.storedInvoiceNumber);
    if (!unchanged && (!ok || invoice < 1 || invoice > std::numeric_limits<qint32>::max()))
        return FieldProblem{Field::InvoiceNumber, kInvoiceNumberInvalid};

    if (!fields.modemPort.trimmed().isEmpty()) {
        const int port = fields.modemPort.trimmed().toInt(&ok);
        if (!ok || port < 1 || port > 16)
            return FieldProblem{Field::ModemPort, kModemPortInvalid};
    }

    const auto rateOk = [](const QString &text) {
        const auto rate = Settings::parseTaxRate(text.trimmed());
        return rate && *rate >= Money() && *rate <= Money::fromCents(100 * 100);
    };
    if (!rateOk(fields.taxRate1))
        return FieldProblem{Field::TaxRate1, kTaxRateInvalid};
    if (!rateOk(fields.taxRate2))
        return FieldProblem{Field::TaxRate2, kTaxRateInvalid};
    return std::nullopt;
}

QString resolveLogoPath(const DataFolder &folder, const QString &stored)
{
    if (stored.trimmed().isEmpty())
        return {};
    if (QFileInfo(stored).isFile())
        return stored;
    QString name = stored;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1);
    const QString inside = folder.path(QStringLiteral("/") + name);
    return !name.isEmpty() && QFileInfo(inside).isFile() ? inside : QString();
}

QStringList itemNames(const DataFolder &folder, const QString &file)
{
    QStringList names;
    for (const Record &r : folder.readRecords(file, itemLayout()))
        names.append(r.text(ItemField::ItemName));
    return names;
}

void writeCurrentItems(const DataFolder &folder, const QStringList &names)
{
    std::vector<Record> records;
    for (const QString &name : names) {
        Record r(itemLayout());
        r.setText(ItemField::ItemName, name);
        r.setMoney(ItemField::Price, Money());
        r.setInt16(ItemField::Count, 0);
        records.push_back(r);
    }
    folder.replaceRecords(kCurrentItems, records);
}

SaveOutcome save(const DataFolder &folder, Settings &settings, SlipCounter &counter, const Settings &edited,
                 const QString &slipText)
{
    if (Validation::telephoneStructureError(edited.business[BusinessField::Telephone]))
        return SaveOutcome::TelephoneInvalid;
    const qint32 invoiceNumber = settings.invoiceNumber;
    settings = edited;
    settings.invoiceNumber = invoiceNumber;
    settings.saveBusiness(folder, edited.business);
    settings.saveTaxSettings(folder);
    settings.saveProgramSettings(folder);
    settings.savePrompts(folder);
    settings.savePrintColors(folder);
    settings.saveLogoSettings(folder);
    const Validation::SlipNumberCheck slip = Validation::checkSlipNumber(slipText);
    if (slip.ok()) {
        counter.set(slip.value);
        counter.save(folder);
    }
    settings.savePhone(folder); // and /CallID.txt
    if (edited.invoiceNumber != invoiceNumber)
        settings.saveInvoiceCounter(folder, edited.invoiceNumber);
    if (!slip.ok())
        return SaveOutcome::SlipNotNumeric;
    if (!Startup::requiredFilesPresent(folder))
        return SaveOutcome::FilesMissing;
    return SaveOutcome::Saved;
}

} // namespace SetupLogic
