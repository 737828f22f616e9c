#pragma once

#include <QString>
#include <array>
#include <optional>

class DataFolder;

// The six free-form data boxes of every customer account and their six headings, common to all accounts.
// Headings: /AuxHeadings.txt, one line each. Box i of an account: /AuxFiles/<account number>/AuxFile<i>/Data.txt.
namespace AuxData {
inline constexpr int kBoxes = 6;
inline const QString kHeadings = QStringLiteral("/AuxHeadings.txt");
inline const QString kFolder = QStringLiteral("/AuxFiles");
inline const QString kBoxFile = QStringLiteral("Data.txt");
using Texts = std::array<QString, kBoxes>;

// The six headings; blanks when the file is missing, a missing line reads as blank.
Texts loadHeadings(const DataFolder &folder);
// The file and its Backup copy replaced by the six headings. Throws DiskError.
void saveHeadings(const DataFolder &folder, const Texts &headings);

// The folder of box i (0 to 5) inside an account's folder: "AuxFile" + i.
QString boxFolderName(int box);

// The folder of an account's boxes, or nothing (with the reason) when the number cannot be a folder name.
std::optional<QString> accountFolder(const QString &acctNo, QString *why = nullptr);
// The six boxes of an account, each as it was saved (its lines joined by "\n"); blanks where nothing is stored.
Texts loadBoxes(const DataFolder &folder, const QString &acctNo);
// Stores the six boxes, making the account's folders when they are missing. A box is stored with its lines as
// they are: a comma or a quote inside comes back unchanged. Throws DiskError (also for an account number that
// cannot be a folder name); a box already replaced stays replaced.
void saveBoxes(const DataFolder &folder, const QString &acctNo, const Texts &boxes);
// True when a box of the account holds more than blanks.
bool hasText(const DataFolder &folder, const QString &acctNo);
// Removes the six boxes of an account (its folders stay, as start-up makes them for every account).
void removeBoxes(const DataFolder &folder, const QString &acctNo);
} // namespace AuxData
