#include "gui/widgets/listexport.h"

#include "core/csvlist.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "gui/widgets/flexgrid.h"

#include <QDir>

namespace ListTransfer {

void exportCsv(Platform &platform, const QString &title, const QString &fileName, const QByteArray &csv)
{
    const auto path = platform.choosers.saveFile(title, QDir(QDir::homePath()).filePath(fileName),
                                                 QStringLiteral("CSV files (*.csv)"));
    if (!path)
        return;
    try {
        CsvList::save(*path, csv);
    } catch (const DiskError &e) {
        platform.messages.inform(e.message(), title);
    }
}

QByteArray gridCsv(const FlexGrid &grid)
{
    std::vector<int> columns;
    QStringList headings;
    for (int c = 0; c < grid.cols(); ++c) {
        const QString heading = grid.text(0, c).trimmed();
        if (heading.isEmpty() || heading == QLatin1String("SEL"))
            continue;
        columns.push_back(c);
        headings << heading;
    }
    std::vector<QStringList> rows;
    for (int r = 1; r < grid.rows(); ++r) {
        QStringList row;
        for (int c : columns)
            row << grid.text(r, c).trimmed();
        rows.push_back(row);
    }
    return CsvList::document(headings, rows);
}

} // namespace ListTransfer
