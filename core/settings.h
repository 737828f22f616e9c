#pragma once

#include "core/money.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class Clock;
class DataFolder;

// The days the business works, by the code stored in the program's settings file.
enum class WorkWeek : quint8 {
    MondayToFriday = 5,
    MondayToSaturday = 61,
    SundayToFriday = 62,
    SundayToSaturday = 7,
};
// A stored code; anything that is not one of the four codes is Monday thru Friday.
WorkWeek workWeekFromCode(qint64 code);
// The date itself when the business works that day, else the first working day after it.
QDate nextWorkday(WorkWeek week, const QDate &date);
inline QDate nextWorkday(qint64 code, const QDate &date)
{
    return nextWorkday(workWeekFromCode(code), date);
}

// The nine business texts in the order of /MyBusinessData.txt.
namespace BusinessField {
enum Field : int { Name, Address1, Address2, City, State, PostalCode, Telephone, Aux1, Aux2 };
inline constexpr int kCount = 9;
} // namespace BusinessField

namespace SettingsFiles {
inline const QString kBusiness = QStringLiteral("/MyBusinessData.txt");
inline const QString kInvoiceNumber = QStringLiteral("/VIInvoiceNo.txt");
inline const QString kTax = QStringLiteral("/TaxSettings.txt");
inline const QString kPrintColors = QStringLiteral("/PrintColors.txt");
inline const QString kPrompts = QStringLiteral("/Prompts.txt");
inline const QString kCompanyLogo = QStringLiteral("/CompanyLogo.txt");
inline const QString kLogoSettings = QStringLiteral("/LogoSettings.txt");
inline const QString kPhone = QStringLiteral("/Phone.txt");
inline const QString kCallerId = QStringLiteral("/CallID.txt");
inline const QString kStatesList = QStringLiteral("/StatesList.txt");
// "/" + executable name + "Settings.txt"
QString programSettings(const DataFolder &folder);
} // namespace SettingsFiles

// Every value of the settings and counter files, loaded once at start and handed to whoever needs it. The
// members are plain values: a screen edits them and then calls the writer of their file.
//
// Loading never fails and never shows anything: a missing file (that /Backup cannot restore), an empty or
// cut-short file and an unreadable value all give the defaults below. Writers throw DiskError naming the file;
// whatever was stored before stays on disk. A double quote inside a text would end the value early when read
// back, so the writers store it as an apostrophe (and keep the setting the same way); line breaks become blanks.
class Settings
{
public:
    using Business = std::array<QString, BusinessField::kCount>;

    static constexpr float kDefaultLogoSize = 1440.0f; // twips
    static constexpr float kLargestLogoSize = 2880.0f;

    // /MyBusinessData.txt
    Business business;
    // /VIInvoiceNo.txt, shared with the companion invoicing program: year * 10000 + sequence. The setup
    // screen's next-invoice field edits this value; advanceInvoiceNumber() counts on from it.
    qint32 invoiceNumber = 0;
    // /TaxSettings.txt; the rates stay as typed ("5,0" uses a decimal comma), see taxRatePercent().
    QString taxHeading1 = QStringLiteral("Sales Tax");
    QString taxHeading2 = QStringLiteral("Tax");
    QString taxRate1 = QStringLiteral("4.0");
    QString taxRate2 = QStringLiteral("4.0");
    bool applyTax1 = false;
    bool applyTax2 = false;
    // /PrintColors.txt; colours are red + 256 * green + 65536 * blue.
    quint32 borderColour = 0;
    quint32 textColour = 0;
    QString fontName = QStringLiteral("Arial");
    bool printInColour = true;
    quint8 copies = 3;
    // The program's settings file.
    WorkWeek workWeek = WorkWeek::MondayToFriday;
    qint16 invoiceCopies = 1;
    bool invoicePerRequest = true;
    bool populateInvoices = true;
    bool plainPaper = true; // false: perforated paper with a remittance slip
    // How many weeks ahead the visits of the maintenance agreements are made: an eighth line of the program's
    // settings file (which only this program reads), written only when it is not the default 4.
    qint16 agreementWeeks = 4;
    static constexpr int kMostAgreementWeeks = 52;
    // /Prompts.txt
    bool showPrompts = true;
    bool soundAlarm = true;
    // /CompanyLogo.txt (empty: no logo) and /LogoSettings.txt
    QString logoPath;
    float logoWidth = kDefaultLogoSize;
    float logoHeight = kDefaultLogoSize;
    // /Phone.txt and /CallID.txt. The modem port is the one the modem search found; a stored /Phone.txt
    // replaces it when loaded.
    bool phoneDaisyChained = false;
    qint16 modemPort = 0;
    bool callerId = false;

    // Reads every file above in the order the setup screen does. Two files are written while loading:
    // /VIInvoiceNo.txt by the invoice number rules and /LogoSettings.txt when it is missing. A write that fails
    // does not stop the loading; the messages of such failures are returned for the caller to show.
    QStringList loadAll(const DataFolder &folder, const Clock &clock);
    // The same without writing anything: for reading another data folder (the data tool).
    void readAll(const DataFolder &folder, const Clock &clock);

    void loadBusiness(const DataFolder &folder);
    // The number read from the file (0, unreadable, negative or beyond 32 bits: the current year followed by
    // "0000"; no file: the year followed by "0001"; a number of an earlier year: the year followed by "0001"),
    // then written back (unless `save` is false). Throws DiskError when it cannot be written; the number is set
    // all the same.
    void loadInvoiceCounter(const DataFolder &folder, const Clock &clock, bool save = true);
    void loadTaxSettings(const DataFolder &folder);
    void loadPrintColors(const DataFolder &folder);
    void loadProgramSettings(const DataFolder &folder);
    void loadPrompts(const DataFolder &folder);
    void loadCompanyLogo(const DataFolder &folder);
    // A size above 2880 twips (or none at all) becomes 1440. A missing file is written at once with the
    // defaults unless told otherwise (DiskError when that fails; the defaults are set all the same).
    void loadLogoSettings(const DataFolder &folder, bool writeWhenMissing = true);
    // A missing file clears the daisy-chain flag and keeps the modem port found by the search.
    void loadPhone(const DataFolder &folder);
    void loadCallerId(const DataFolder &folder);

    // Takes the nine texts as typed (not trimmed), writes them and copies the file to /Backup.
    void saveBusiness(const DataFolder &folder, const Business &fields);
    // Sets the invoice number and writes it. The number is set even when the write fails (DiskError): the
    // invoices printed under it must not be numbered again in this run.
    void saveInvoiceCounter(const DataFolder &folder, qint32 number);
    // The invoice number plus count, saved; returns the new number. Called after invoices were printed.
    // A result outside 0 to 2147483647 is refused (DiskError) and nothing changes.
    qint32 advanceInvoiceNumber(const DataFolder &folder, qint64 count);
    void saveTaxSettings(const DataFolder &folder);
    void savePrintColors(const DataFolder &folder);
    void saveProgramSettings(const DataFolder &folder);
    // Replaces the file only; its /Backup copy is kept.
    void savePrompts(const DataFolder &folder);
    // Stores the chosen logo file's path; an empty path writes nothing and returns false.
    bool saveCompanyLogo(const DataFolder &folder, const QString &path);
    // Forgets the logo: /CompanyLogo.txt and its /Backup copy are deleted.
    void clearCompanyLogo(const DataFolder &folder);
    void saveLogoSettings(const DataFolder &folder);
    // /Phone.txt, then /CallID.txt.
    void savePhone(const DataFolder &folder);
    void saveCallerId(const DataFolder &folder);

    // A tax rate as typed, "6.5", "5,0" or "7 %": the percentage, or nothing when it is not a number.
    static std::optional<Money> parseTaxRate(const QString &rate);
    // The two rates as percentages for computing; an unreadable rate counts as 0.
    Money taxRate1Percent() const { return parseTaxRate(taxRate1).value_or(Money()); }
    Money taxRate2Percent() const { return parseTaxRate(taxRate2).value_or(Money()); }

    // The choices the setup screen offers (the stored texts may be anything the user typed).
    static QStringList taxHeadingChoices();
    static QStringList taxRateChoices();

    // /StatesList.txt ships with the program: the 50 US state codes.
    static QStringList builtInStatesList();
    // Writes the shipped list into the data folder when the file is missing there (and in /Backup).
    static void installStatesList(const DataFolder &folder);
    // The first 50 values of the file, in file order (fewer when it holds fewer; blank values are passed
    // over). A missing or empty file gives the shipped list.
    static QStringList loadStatesList(const DataFolder &folder);
    static constexpr int kStatesListSize = 50;

    bool operator==(const Settings &) const = default;
};
