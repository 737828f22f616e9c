#pragma once

#include <QByteArray>
#include <QString>

class FlexGrid;
struct Platform;

// A list on screen saved as a CSV file: the customers', assignments' and services' lists and the board's slips.
namespace ListTransfer {
// Asks where to save the list (suggesting `fileName`) and writes it; a failure is told.
void exportCsv(Platform &platform, const QString &title, const QString &fileName, const QByteArray &csv);
// A grid's rows as CSV under its headings, without the selection column and columns with no heading.
QByteArray gridCsv(const FlexGrid &grid);
} // namespace ListTransfer
