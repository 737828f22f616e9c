#include "accounts/auxdata.h"

#include "core/cp1252.h"
#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/textfile.h"

#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

QString boxPath(const QString &folderName, int box)
{
    return AuxData::kFolder + QLatin1Char('/') + folderName + QLatin1Char('/') + AuxData::boxFolderName(box) +
           QLatin1Char('/') + AuxData::kBoxFile;
}

} // namespace

namespace AuxData {

QString boxFolderName(int box)
{
    return QStringLiteral("AuxFile") + QString::number(box);
}

Texts loadHeadings(const DataFolder &folder)
{
    Texts headings;
    if (!folder.fileExists(kHeadings))
        return headings;
    TextReader reader(folder.readAll(kHeadings));
    for (QString &heading : headings) {
        if (reader.atEnd())
            break;
        heading = reader.readLine();
    }
    return headings;
}

void saveHeadings(const DataFolder &folder, const Texts &headings)
{
    TextWriter writer;
    for (const QString &heading : headings) {
        QString line = heading;
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        writer.printLine(line);
    }
    folder.deleteFile(DataFolder::backupPathOf(kHeadings));
    folder.writeFile(kHeadings, writer.bytes());
}

std::optional<QString> accountFolder(const QString &acctNo, QString *why)
{
    return accountFileName(acctNo, why);
}

Texts loadBoxes(const DataFolder &folder, const QString &acctNo)
{
    Texts boxes;
    const auto name = accountFolder(acctNo);
    if (!name)
        return boxes;
    for (int i = 0; i < kBoxes; ++i) {
        const QByteArray bytes = folder.readAll(boxPath(*name, i));
        if (bytes.isEmpty())
            continue;
        QString text = Cp1252::decode(bytes);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1); // the line end the box was written with
        boxes[std::size_t(i)] = text;
    }
    return boxes;
}

void saveBoxes(const DataFolder &folder, const QString &acctNo, const Texts &boxes)
{
    QString why;
    const auto name = accountFolder(acctNo, &why);
    if (!name)
        throw DiskError(why);
    const QString base = kFolder + QLatin1Char('/') + *name;
    folder.makeFolder(kFolder);
    folder.makeFolder(base);
    for (int i = 0; i < kBoxes; ++i) {
        folder.makeFolder(base + QLatin1Char('/') + boxFolderName(i));
        QString text = boxes[std::size_t(i)];
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        TextWriter writer;
        writer.printLine(text.split(QLatin1Char('\n')).join(QStringLiteral("\r\n")));
        folder.writeFile(boxPath(*name, i), writer.bytes());
    }
}

bool hasText(const DataFolder &folder, const QString &acctNo)
{
    const Texts boxes = loadBoxes(folder, acctNo);
    return std::any_of(boxes.cbegin(), boxes.cend(), [](const QString &box) { return !box.trimmed().isEmpty(); });
}

void removeBoxes(const DataFolder &folder, const QString &acctNo)
{
    const auto name = accountFolder(acctNo);
    if (!name)
        return;
    for (int i = 0; i < kBoxes; ++i)
        folder.deleteFile(boxPath(*name, i));
}

} // namespace AuxData
