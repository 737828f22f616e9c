#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class DataFolder;
class Settings;
class SlipCounter;

// What the setup screen does besides showing its controls.
namespace SetupLogic {

// The logo arrows: 50 twips a step between 360 and 1800, each end wrapping to the other.
int logoSizeUp(int twips);
int logoSizeDown(int twips);

// The address style the screen starts with, from the stored business data: a postal code selects the USA
// style (which makes it mandatory); an address stored without one was saved in the international style (the
// only one that saves without it); no address at all (the first run) starts in the USA style.
bool internationalStyleAtLoad(const std::array<QString, 9> &business);

// The stored logo path when the picture is there; else, for a data folder that was moved, the picture of that
// name in the data folder; else nothing.
QString resolveLogoPath(const DataFolder &folder, const QString &stored);

// The item names of a 104-byte item file (/VIInventoriedItems.txt or /CurrentItems.txt), trimmed, in order.
QStringList itemNames(const DataFolder &folder, const QString &file);
// Replaces /CurrentItems.txt (and its Backup copy) with exactly these items; no items deletes it.
void writeCurrentItems(const DataFolder &folder, const QStringList &names);

// The boxes checked before anything is saved; each refusal names its box, so that the screen can show it.
struct FieldProblem
{
    enum class Field { PostalCode, InvoiceNumber, ModemPort, TaxRate1, TaxRate2 };
    Field field;
    QString text;
};
inline const QString kPostalCodeMandatory = QStringLiteral("Postal Code is Mandatory");
inline const QString kInvoiceNumberInvalid =
    QStringLiteral("The Invoice Number must be a whole number from 1 to 2147483647");
inline const QString kModemPortInvalid = QStringLiteral("The Modem Port must be a number from 1 to 16, or empty");
inline const QString kTaxRateInvalid = QStringLiteral("The Tax Rate must be a number from 0 to 100");

struct EditedFields
{
    std::array<QString, 9> business;
    bool usaStyle = true;
    QString invoiceNumber;
    qint64 storedInvoiceNumber = 0; // the field as loaded is never refused
    QString modemPort;
    QString taxRate1;
    QString taxRate2;
};
// The first problem, in the order of the tabs; nothing when all can be saved. The USA style makes the postal
// code mandatory once any address line is filled, so that the style the data selects at the next start is the
// style it was saved in.
std::optional<FieldProblem> checkFields(const EditedFields &fields);

enum class SaveOutcome {
    Saved,            // every file written; the start menu follows
    TelephoneInvalid, // nothing written
    SlipNotNumeric,   // the other files are written; the screen stays on the slip field
    FilesMissing,     // everything written, but the program is still not set up
};

// The save step in its order: business data, taxes, the program's settings file, prompts, print colours,
// logo size, the slip number, the telephone and caller ID. The settings hold the screen's values already;
// `slipText` is the next-slip field. Throws DiskError when a file cannot be written: the files written before
// it stay written.
SaveOutcome save(const DataFolder &folder, Settings &settings, SlipCounter &counter, const Settings &edited,
                 const QString &slipText);

} // namespace SetupLogic
