#pragma once

#include <QString>
#include <QStringList>

class DataFolder;
class Settings;
class SlipCounter;

// What the setup screen does besides showing its controls.
namespace SetupLogic {

// The logo arrows: 50 twips a step between 360 and 1800, each end wrapping to the other.
int logoSizeUp(int twips);
int logoSizeDown(int twips);

// The address style the screen starts with, from the stored business name and postal code.
bool internationalStyleAtLoad(const QString &businessName, const QString &postalCode);

// The stored logo path when the picture is there; else, for a data folder that was moved, the picture of that
// name in the data folder; else nothing.
QString resolveLogoPath(const DataFolder &folder, const QString &stored);

// The item names of a 104-byte item file (/VIInventoriedItems.txt or /CurrentItems.txt), trimmed, in order.
QStringList itemNames(const DataFolder &folder, const QString &file);
// Replaces /CurrentItems.txt (and its Backup copy) with exactly these items; no items deletes it.
void writeCurrentItems(const DataFolder &folder, const QStringList &names);

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
