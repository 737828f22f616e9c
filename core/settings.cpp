#include "core/settings.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/textfile.h"

#include <QFile>
#include <cmath>
#include <limits>

// Resources of a static library are registered only when something refers to them.
static void registerCoreResources()
{
    Q_INIT_RESOURCE(core);
}

namespace {

// Reads the values of a settings file one by one. A value that is missing (the file ended) or unreadable
// leaves its target as it is, so every target keeps its default.
class ValueReader
{
public:
    explicit ValueReader(QByteArray bytes)
        : m_reader(std::move(bytes))
    {}

    void text(QString &target)
    {
        if (!m_reader.atEnd())
            target = m_reader.readText();
    }

    void skip()
    {
        if (!m_reader.atEnd())
            m_reader.readText();
    }

    std::optional<double> number()
    {
        if (m_reader.atEnd())
            return std::nullopt;
        bool ok = false;
        const double value = m_reader.readText().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    // A whole number (a fraction rounds half to even) taken only inside [lowest, highest].
    template <typename T> void integer(T &target, qint64 lowest, qint64 highest)
    {
        const auto value = number();
        if (!value)
            return;
        const double rounded = std::nearbyint(*value);
        if (rounded >= double(lowest) && rounded <= double(highest))
            target = T(qint64(rounded));
    }

    // A 0-or-1 flag stored as a number: anything but 0 is set.
    void flag(bool &target)
    {
        if (const auto value = number())
            target = *value != 0.0;
    }

    void boolean(bool &target)
    {
        if (m_reader.atEnd())
            return;
        const QString raw = m_reader.readText().trimmed().toUpper();
        if (raw == QLatin1String("#TRUE#") || raw == QLatin1String("TRUE"))
            target = true;
        else if (raw == QLatin1String("#FALSE#") || raw == QLatin1String("FALSE"))
            target = false;
    }

private:
    TextReader m_reader;
};

// What a text value may hold so that it reads back as written.
QString storable(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('"'), QLatin1Char('\''));
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return result;
}

// The settings files are replaced whole; by default their /Backup copy goes with the old file.
void writeSettings(const DataFolder &folder, const QString &file, const TextWriter &writer, bool dropBackup = true)
{
    folder.writeFile(file, writer.bytes());
    if (dropBackup)
        folder.deleteFile(DataFolder::backupPathOf(file));
}

// A single-precision size as it is written: its shortest decimal form, so 1234.3 stays 1234.3 on disk.
double shortest(float value)
{
    return QString::number(value, 'g', 7).toDouble();
}

float logoSize(const std::optional<double> &value)
{
    if (!value || *value <= 0.0 || *value > Settings::kLargestLogoSize)
        return Settings::kDefaultLogoSize;
    return float(*value);
}

const Settings &defaults()
{
    static const Settings settings;
    return settings;
}

} // namespace

WorkWeek workWeekFromCode(qint64 code)
{
    switch (code) {
    case 61:
        return WorkWeek::MondayToSaturday;
    case 62:
        return WorkWeek::SundayToFriday;
    case 7:
        return WorkWeek::SundayToSaturday;
    default:
        return WorkWeek::MondayToFriday;
    }
}

QDate nextWorkday(WorkWeek week, const QDate &date)
{
    if (!date.isValid())
        return date;
    QDate day = date;
    const auto isSaturday = [&] { return day.dayOfWeek() == Qt::Saturday; };
    const auto isSunday = [&] { return day.dayOfWeek() == Qt::Sunday; };
    switch (week) {
    case WorkWeek::MondayToFriday:
        if (isSaturday())
            day = day.addDays(2);
        if (isSunday())
            day = day.addDays(1);
        break;
    case WorkWeek::MondayToSaturday:
        if (isSunday())
            day = day.addDays(1);
        break;
    case WorkWeek::SundayToFriday:
        if (isSaturday())
            day = day.addDays(1);
        break;
    case WorkWeek::SundayToSaturday:
        break;
    }
    return day;
}

QString SettingsFiles::programSettings(const DataFolder &folder)
{
    return QLatin1Char('/') + folder.executableName() + QStringLiteral("Settings.txt");
}

// -- Loading

QStringList Settings::loadAll(const DataFolder &folder, const Clock &clock)
{
    QStringList problems;
    const auto attempt = [&](auto &&load) {
        try {
            load();
        } catch (const DiskError &e) {
            problems << e.message();
        }
    };
    loadBusiness(folder);
    loadPhone(folder);
    loadCallerId(folder);
    loadTaxSettings(folder);
    attempt([&] { loadInvoiceCounter(folder, clock); });
    loadPrintColors(folder);
    loadProgramSettings(folder);
    loadPrompts(folder);
    attempt([&] { loadLogoSettings(folder); });
    loadCompanyLogo(folder);
    return problems;
}

void Settings::readAll(const DataFolder &folder, const Clock &clock)
{
    loadBusiness(folder);
    loadPhone(folder);
    loadCallerId(folder);
    loadTaxSettings(folder);
    loadInvoiceCounter(folder, clock, false);
    loadPrintColors(folder);
    loadProgramSettings(folder);
    loadPrompts(folder);
    loadLogoSettings(folder, false);
    loadCompanyLogo(folder);
}

void Settings::loadBusiness(const DataFolder &folder)
{
    business = defaults().business;
    if (!folder.fileExists(SettingsFiles::kBusiness))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kBusiness));
    for (QString &field : business)
        reader.text(field);
}

void Settings::loadInvoiceCounter(const DataFolder &folder, const Clock &clock, bool save)
{
    const int year = clock.today().year();
    const qint64 yearBase = qint64(year) * 10000;
    qint64 number = yearBase + 1;
    qint64 stored = -1; // none
    if (folder.fileExists(SettingsFiles::kInvoiceNumber)) {
        number = 0;
        ValueReader reader(folder.readAll(SettingsFiles::kInvoiceNumber));
        reader.integer(number, 0, std::numeric_limits<qint32>::max());
        stored = number;
        if (number == 0)
            number = yearBase;
    }
    // The series starts again each year: compared as text, as the companion program does.
    if (QString::number(number).left(4) < QString::number(year))
        number = yearBase + 1;
    // The file is shared with the companion program: it is written only when its value changes, so that a start
    // never puts back a number the companion advanced since it was read.
    if (save && number != stored)
        saveInvoiceCounter(folder, qint32(number));
    else
        invoiceNumber = qint32(number);
}

void Settings::loadTaxSettings(const DataFolder &folder)
{
    const Settings &d = defaults();
    taxHeading1 = d.taxHeading1;
    taxHeading2 = d.taxHeading2;
    taxRate1 = d.taxRate1;
    taxRate2 = d.taxRate2;
    applyTax1 = d.applyTax1;
    applyTax2 = d.applyTax2;
    if (!folder.fileExists(SettingsFiles::kTax))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kTax));
    reader.text(taxHeading1);
    reader.text(taxHeading2);
    reader.text(taxRate1);
    reader.text(taxRate2);
    reader.flag(applyTax1);
    reader.flag(applyTax2);
}

void Settings::loadPrintColors(const DataFolder &folder)
{
    const Settings &d = defaults();
    borderColour = d.borderColour;
    textColour = d.textColour;
    fontName = d.fontName;
    printInColour = d.printInColour;
    copies = d.copies;
    if (!folder.fileExists(SettingsFiles::kPrintColors))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kPrintColors));
    reader.integer(borderColour, 0, 0xFFFFFF);
    reader.integer(textColour, 0, 0xFFFFFF);
    reader.text(fontName);
    if (fontName.trimmed().isEmpty())
        fontName = d.fontName;
    reader.boolean(printInColour);
    reader.integer(copies, 1, 255);
}

void Settings::loadProgramSettings(const DataFolder &folder)
{
    const Settings &d = defaults();
    workWeek = d.workWeek;
    invoiceCopies = d.invoiceCopies;
    invoicePerRequest = d.invoicePerRequest;
    populateInvoices = d.populateInvoices;
    plainPaper = d.plainPaper;
    agreementWeeks = d.agreementWeeks;
    const QString file = SettingsFiles::programSettings(folder);
    if (!folder.fileExists(file))
        return;
    ValueReader reader(folder.readAll(file));
    qint64 code = qint64(d.workWeek);
    reader.integer(code, 0, 255);
    workWeek = workWeekFromCode(code);
    reader.skip();
    reader.skip();
    reader.integer(invoiceCopies, 1, std::numeric_limits<qint16>::max());
    reader.flag(invoicePerRequest);
    reader.flag(populateInvoices);
    reader.boolean(plainPaper);
    reader.integer(agreementWeeks, 1, kMostAgreementWeeks);
}

void Settings::loadPrompts(const DataFolder &folder)
{
    showPrompts = defaults().showPrompts;
    soundAlarm = defaults().soundAlarm;
    if (!folder.fileExists(SettingsFiles::kPrompts))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kPrompts));
    reader.boolean(showPrompts);
    reader.boolean(soundAlarm);
}

void Settings::loadCompanyLogo(const DataFolder &folder)
{
    logoPath.clear();
    if (!folder.fileExists(SettingsFiles::kCompanyLogo))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kCompanyLogo));
    reader.text(logoPath);
}

void Settings::loadLogoSettings(const DataFolder &folder, bool writeWhenMissing)
{
    logoWidth = kDefaultLogoSize;
    logoHeight = kDefaultLogoSize;
    if (!folder.fileExists(SettingsFiles::kLogoSettings)) {
        if (writeWhenMissing)
            saveLogoSettings(folder);
        return;
    }
    ValueReader reader(folder.readAll(SettingsFiles::kLogoSettings));
    logoWidth = logoSize(reader.number());
    logoHeight = logoSize(reader.number());
}

void Settings::loadPhone(const DataFolder &folder)
{
    phoneDaisyChained = false;
    if (!folder.fileExists(SettingsFiles::kPhone))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kPhone));
    reader.boolean(phoneDaisyChained);
    reader.integer(modemPort, 0, std::numeric_limits<qint16>::max());
}

void Settings::loadCallerId(const DataFolder &folder)
{
    callerId = defaults().callerId;
    if (!folder.fileExists(SettingsFiles::kCallerId))
        return;
    ValueReader reader(folder.readAll(SettingsFiles::kCallerId));
    reader.boolean(callerId);
}

// -- Saving

void Settings::saveBusiness(const DataFolder &folder, const Business &fields)
{
    for (int i = 0; i < BusinessField::kCount; ++i)
        business[std::size_t(i)] = storable(fields[std::size_t(i)]);
    const Business &b = business;
    TextWriter writer;
    writer.writeValues({b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8]});
    writeSettings(folder, SettingsFiles::kBusiness, writer);
    folder.backupFile(SettingsFiles::kBusiness);
}

void Settings::saveInvoiceCounter(const DataFolder &folder, qint32 number)
{
    invoiceNumber = number;
    writeSettings(folder, SettingsFiles::kInvoiceNumber, TextWriter().writeValues({qint64(number)}));
}

qint32 Settings::advanceInvoiceNumber(const DataFolder &folder, qint64 count)
{
    const qint64 next = qint64(invoiceNumber) + count;
    if (count < std::numeric_limits<qint32>::min() || count > std::numeric_limits<qint32>::max() || next < 0 ||
        next > std::numeric_limits<qint32>::max()) {
        throw DiskError(QStringLiteral("The invoice number %1 cannot be advanced by %2: the numbers end at %3.\r\n"
                                       "The file %4 is unchanged.")
                            .arg(invoiceNumber)
                            .arg(count)
                            .arg(std::numeric_limits<qint32>::max())
                            .arg(SettingsFiles::kInvoiceNumber.mid(1)));
    }
    saveInvoiceCounter(folder, qint32(next));
    return invoiceNumber;
}

void Settings::saveTaxSettings(const DataFolder &folder)
{
    taxHeading1 = storable(taxHeading1);
    taxHeading2 = storable(taxHeading2);
    taxRate1 = storable(taxRate1);
    taxRate2 = storable(taxRate2);
    TextWriter writer;
    writer.writeValues({taxHeading1, taxHeading2, taxRate1, taxRate2, int(applyTax1), int(applyTax2)});
    writeSettings(folder, SettingsFiles::kTax, writer);
}

void Settings::savePrintColors(const DataFolder &folder)
{
    fontName = storable(fontName);
    TextWriter writer;
    writer.writeValues({qint64(borderColour)})
        .writeValues({qint64(textColour)})
        .writeValues({fontName})
        .writeValues({printInColour})
        .writeValues({int(copies)});
    writeSettings(folder, SettingsFiles::kPrintColors, writer);
}

void Settings::saveProgramSettings(const DataFolder &folder)
{
    TextWriter writer;
    writer.writeValues({int(workWeek)})
        .writeValues({""})
        .writeValues({""})
        .writeValues({int(invoiceCopies)})
        .writeValues({int(invoicePerRequest)})
        .writeValues({int(populateInvoices)})
        .writeValues({plainPaper});
    // The seven lines stay as they always were while the horizon is the default.
    if (agreementWeeks != defaults().agreementWeeks)
        writer.writeValues({int(agreementWeeks)});
    writeSettings(folder, SettingsFiles::programSettings(folder), writer);
}

void Settings::savePrompts(const DataFolder &folder)
{
    writeSettings(folder, SettingsFiles::kPrompts, TextWriter().writeValues({showPrompts, soundAlarm}), false);
}

bool Settings::saveCompanyLogo(const DataFolder &folder, const QString &path)
{
    if (path.trimmed().isEmpty())
        return false;
    logoPath = storable(path);
    writeSettings(folder, SettingsFiles::kCompanyLogo, TextWriter().writeValues({logoPath}));
    return true;
}

void Settings::clearCompanyLogo(const DataFolder &folder)
{
    folder.deleteWithBackup(SettingsFiles::kCompanyLogo);
    logoPath.clear();
}

void Settings::saveLogoSettings(const DataFolder &folder)
{
    writeSettings(folder, SettingsFiles::kLogoSettings,
                  TextWriter().writeValues({shortest(logoWidth), shortest(logoHeight)}));
}

void Settings::savePhone(const DataFolder &folder)
{
    TextWriter writer;
    writer.writeValues({phoneDaisyChained}).writeValues({int(modemPort)});
    writeSettings(folder, SettingsFiles::kPhone, writer);
    saveCallerId(folder);
}

void Settings::saveCallerId(const DataFolder &folder)
{
    writeSettings(folder, SettingsFiles::kCallerId, TextWriter().writeValues({callerId}));
}

// -- Helpers

std::optional<Money> Settings::parseTaxRate(const QString &rate)
{
    return Formats::parseDecimal(rate);
}

QStringList Settings::taxHeadingChoices()
{
    return {QStringLiteral("Sales Tax"), QStringLiteral("County Tax"), QStringLiteral("Tax"),
            QStringLiteral("Taxes"),     QStringLiteral("VAT Tax"),    QStringLiteral("Provincial Tax"),
            QStringLiteral("GST")};
}

QStringList Settings::taxRateChoices()
{
    return {QStringLiteral("4.0"), QStringLiteral("5.0"), QStringLiteral("6.0"), QStringLiteral("7.0"),
            QStringLiteral("5,0"), QStringLiteral("6,0"), QStringLiteral("7,0")};
}

namespace {

QByteArray shippedStatesList()
{
    registerCoreResources();
    QFile file(QStringLiteral(":/core/StatesList.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList readStates(const QByteArray &bytes)
{
    QStringList states;
    TextReader reader(bytes);
    while (!reader.atEnd() && states.size() < Settings::kStatesListSize) {
        const QString value = reader.readText().trimmed();
        if (!value.isEmpty())
            states << value;
    }
    return states;
}

} // namespace

QStringList Settings::builtInStatesList()
{
    return readStates(shippedStatesList());
}

void Settings::installStatesList(const DataFolder &folder)
{
    if (folder.fileExists(SettingsFiles::kStatesList))
        return;
    folder.writeFile(SettingsFiles::kStatesList, shippedStatesList());
}

QStringList Settings::loadStatesList(const DataFolder &folder)
{
    QStringList states;
    if (folder.fileExists(SettingsFiles::kStatesList))
        states = readStates(folder.readAll(SettingsFiles::kStatesList));
    return states.isEmpty() ? builtInStatesList() : states;
}
