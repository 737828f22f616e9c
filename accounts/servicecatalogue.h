#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class DataFolder;

// The services catalogue /Services.txt: the services the business offers, each with its usual charge and
// allotted time, stored as 72-byte records in the order of the services grid. The file is always rewritten
// whole from the grid's rows; an empty catalogue has no file.
namespace ServiceCatalogue {
inline const QString kPath = QStringLiteral("/Services.txt");
inline constexpr int kMaxServices = 255;

// The allotted times: 33 entries, a quarter hour apart from 0:15 to 8:00. Entry 0 reads "0.15" and is never
// kept: choosing it, or reading a stored 0, means entry 1.
const QStringList &timeList();
int usableTimeIndex(int index); // 0, or a number outside the list, gives 1
} // namespace ServiceCatalogue

// One row of the services grid: the trimmed description, the charge as shown, the allotted time's text.
struct CatalogueRow
{
    QString description;
    QString charge;
    QString time;

    bool operator==(const CatalogueRow &) const = default;
};

// The rows of /Services.txt in file order (restored from /Backup when missing); none without the file.
std::vector<CatalogueRow> LoadCatalogue(const DataFolder &folder);

// Rewrites /Services.txt from the rows: the description, the charge text (cut to its 10 characters) and the
// position of the first time-list entry equal to the time text, or 0 when there is none. No rows, or a blank
// first description, leaves an empty catalogue: the file and its Backup copy are deleted. More rows than the
// catalogue holds are refused with the message for the user and nothing is written.
std::optional<QString> SaveCatalogue(const DataFolder &folder, const std::vector<CatalogueRow> &rows);

// Why no service can be added to a catalogue of `count` services, or nothing when one can.
std::optional<QString> addServiceRefusal(int count);

// The charge as the grid shows it: a number (with or without "$" and grouping) as currency ("45" gives
// "$45.00"); nothing when the text is blank or not a number.
std::optional<QString> chargeText(const QString &typed);

// Slip creation's services list: the descriptions in catalogue order.
QStringList servicesPickList(const std::vector<CatalogueRow> &rows);
