#include "tools/auxcheck.h"

#include "accounts/auxdata.h"
#include "core/clock.h"
#include "core/datafolder.h"
#include "core/folderhandle.h"
#include "core/formats.h"
#include "core/startup.h"
#include "core/textfile.h"
#include "dispatch/slipmedia.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <array>

namespace {

using Entry = FolderHandle::Entry;

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class AuxChecker
{
public:
    AuxChecker(const DataFolder &folder, const Clock &clock, std::vector<CheckFinding> &findings)
        : m_folder(folder)
        , m_clock(clock)
        , m_findings(findings)
        , m_top(AuxData::kFolder.mid(1))
    {}

    void run(const QStringList &accountNumbers)
    {
        checkMarker();
        const QString full = m_folder.path(AuxData::kFolder);
        const QFileInfo info(full);
        if (!info.exists())
            return; // made at the next start
        if (!info.isDir()) {
            report(m_top, QStringLiteral("is a file where the program keeps the folders of the customers' data boxes: "
                                         "every start fails to make them and no data box can be saved. Move the "
                                         "file out of the data folder."));
            return;
        }
        for (const QString &number : accountNumbers) {
            if (const auto name = accountFileName(number))
                m_accounts.insert(name->toCaseFolded(), *name);
        }
        QHash<QString, QString> seen; // case-folded -> the first name with those letters
        const FolderHandle top(full);
        for (const Entry &entry : top.entries()) {
            const QString folded = entry.name.toCaseFolded();
            const QString relative = m_top + QLatin1Char('/') + entry.name;
            const auto account = m_accounts.constFind(folded);
            const bool isAccount = account != m_accounts.constEnd();
            if (const auto first = seen.constFind(folded); first != seen.constEnd()) {
                if (isAccount || entry.kind == Entry::Folder)
                    report(relative,
                           QStringLiteral("differs from %1 only in letter case; the program uses only one of the "
                                          "two. Move the data you want to keep into one of them and remove the "
                                          "other.")
                               .arg(quoted(m_top + QLatin1Char('/') + *first)));
                continue;
            }
            seen.insert(folded, entry.name);
            if (entry.kind != Entry::Folder) {
                if (isAccount)
                    report(relative,
                           QStringLiteral("is a file where the program keeps the folder of the data boxes of account "
                                          "%1: starting the program fails to make it and the account's data boxes "
                                          "cannot be saved. Move the file out of the data folder.")
                               .arg(quoted(*account)));
                continue; // anything else in the folder is the user's own
            }
            const FolderHandle accountFolder(top, entry.name);
            const std::vector<Entry> inside = accountFolder.entries();
            checkSlipFolders(relative, inside);
            if (!isAccount) {
                checkOrphan(relative, entry.name);
                continue;
            }
            checkAccountFolder(relative, accountFolder, inside, *account);
        }
    }

private:
    void report(const QString &file, const QString &message) { m_findings.push_back({file, 0, message}); }

    // A wrong stamp keeps starts from looking into the customers' folders that changed.
    void checkMarker()
    {
        const QString file = Startup::kAuxFoldersChecked.mid(1);
        const QFileInfo info(m_folder.path(Startup::kAuxFoldersChecked));
        if (!info.exists())
            return;
        if (!info.isFile()) {
            report(file,
                   QStringLiteral("is a folder, not a file: the program cannot note that it has looked into every "
                                  "customer's folder, so each start looks into all of them again (slower "
                                  "starts). Move it out of the data folder."));
            return;
        }
        // A few minutes of slack for a clock set right since, or a copy from a machine a little ahead.
        const QDateTime stamp = info.lastModified().toUTC();
        if (stamp <= m_clock.now().toUTC().addSecs(5 * 60))
            return;
        report(file,
               QStringLiteral("is dated %1, later than now (the clock was ahead when the program last started?): until "
                              "then starts do not look into the customers' folders that changed, and AuxFile folders "
                              "missing from them are not made again. Delete this file; the next start looks into "
                              "every customer's folder and notes the time anew.")
                   .arg(Formats::shortDate(stamp.toLocalTime().date()) + QLatin1Char(' ') +
                        stamp.toLocalTime().time().toString(QStringLiteral("HH:mm"))));
    }

    // The photos and signatures of the account's slips, one folder a slip ("Slip 1234").
    void checkSlipFolders(const QString &relative, const std::vector<Entry> &inside)
    {
        for (const Entry &e : inside) {
            if (e.kind != Entry::Folder || !e.name.startsWith(SlipMedia::kFolderPrefix, Qt::CaseInsensitive))
                continue;
            for (const SlipMedia::Problem &p :
                 SlipMedia::problems(m_folder, QLatin1Char('/') + relative + QLatin1Char('/') + e.name))
                report(p.file, p.message);
        }
    }

    // The folder of an account that no longer exists (deleting an account keeps it): only boxes with text
    // are worth a word, since a new account given that number would show them.
    void checkOrphan(const QString &relative, const QString &name)
    {
        int withText = 0;
        for (const QString &box : AuxData::loadBoxes(m_folder, name)) {
            if (!box.trimmed().isEmpty())
                ++withText;
        }
        if (withText == 0)
            return;
        report(relative,
               QStringLiteral("no customer has the account number %1, yet its data boxes hold text (%2 of 6; the "
                              "folder of a deleted account is kept): a new account given this number would show it. "
                              "Remove the folder when that data is no longer needed.")
                   .arg(quoted(name), QString::number(withText)));
    }

    void checkAccountFolder(const QString &relative, const FolderHandle &accountFolder,
                            const std::vector<Entry> &inside, const QString &account)
    {
        // AuxFile0 to AuxFile5 in any letter case, found without a string made per name: most accounts have
        // nothing to report, and there may be tens of thousands of them.
        std::array<const Entry *, AuxData::kBoxes> boxes{};
        const QString prefix = AuxData::boxFolderName(0).chopped(1);
        for (const Entry &e : inside) {
            if (e.name.size() != prefix.size() + 1 || !e.name.startsWith(prefix, Qt::CaseInsensitive))
                continue;
            const int box = e.name.back().digitValue();
            if (box >= 0 && box < AuxData::kBoxes && !boxes[std::size_t(box)])
                boxes[std::size_t(box)] = &e;
        }
        // A box folder made together with the other five and never written into is not listed: at 32,767
        // customers that spares opening 196,602 empty folders. Where one of the six is missing, the folders
        // were made one by one by a first save of the boxes, and each is looked into.
        const bool complete = std::all_of(boxes.begin(), boxes.end(), [](const Entry *e) { return e != nullptr; });
        for (int box = 0; box < AuxData::kBoxes; ++box) {
            const Entry *sub = boxes[std::size_t(box)];
            if (!sub)
                continue; // made at the next start or at the box's first save
            const auto subRelative = [&] { return relative + QLatin1Char('/') + sub->name; };
            const auto what = [&] {
                return QStringLiteral("data box %1 of account %2").arg(box + 1).arg(quoted(account));
            };
            if (sub->kind != Entry::Folder) {
                report(subRelative(), QStringLiteral("is a file where the program keeps the folder of %1: that "
                                                     "account's data boxes cannot be saved. Move the file out of the "
                                                     "data folder.")
                                          .arg(what()));
                continue;
            }
            if (complete && accountFolder.untouchedSinceMade(sub->name))
                continue;
            const FolderHandle boxFolder(accountFolder, sub->name);
            for (const Entry &e : boxFolder.entries()) {
                const bool boxFile = e.name.compare(AuxData::kBoxFile, Qt::CaseInsensitive) == 0;
                if (boxFile && e.kind != Entry::File) {
                    report(subRelative() + QLatin1Char('/') + e.name,
                           QStringLiteral("is not a file: %1 cannot be saved. Move it out of the data folder.")
                               .arg(what()));
                } else if (e.kind == Entry::File && DataFolder::isTemporaryName(e.name)) {
                    report(subRelative() + QLatin1Char('/') + e.name,
                           QStringLiteral("a temporary file left by an interrupted save of %1 (%2 bytes); the box "
                                          "keeps the text saved before. The program does not remove it: delete it.")
                               .arg(what(),
                                    QString::number(QFileInfo(boxFolder.path() + QLatin1Char('/') + e.name).size())));
                }
            }
        }
    }

    const DataFolder &m_folder;
    const Clock &m_clock;
    std::vector<CheckFinding> &m_findings;
    const QString m_top;                // "AuxFiles"
    QHash<QString, QString> m_accounts; // case-folded folder name -> account number as a folder name
};

} // namespace

void checkAuxHeadings(const DataFolder &folder, std::vector<CheckFinding> &findings)
{
    const QString file = AuxData::kHeadings.mid(1);
    const QFileInfo info(folder.path(AuxData::kHeadings));
    if (!info.exists())
        return; // the headings are blank
    if (!info.isFile()) {
        findings.push_back({file, 0,
                            QStringLiteral("is a folder, not a file: the customer screen cannot save the headings of "
                                           "the data boxes. Move it out of the data folder.")});
        return;
    }
    QFile f(info.filePath());
    if (!f.open(QIODevice::ReadOnly)) {
        findings.push_back({file, 0, QStringLiteral("cannot be read: %1").arg(f.errorString())});
        return;
    }
    // Read as the customer screen reads it: one heading a line.
    TextReader reader(f.readAll());
    QStringList lines;
    while (!reader.atEnd())
        lines << reader.readLine();
    const QString fix = QStringLiteral("Check the headings on the customer screen and save them (Save Headings).");
    if (lines.size() > AuxData::kBoxes) {
        findings.push_back({file, 0,
                            QStringLiteral("holds %1 lines, not %2: the customer screen takes the first %2 as the "
                                           "headings and drops the others at the next save. %3")
                                .arg(lines.size())
                                .arg(AuxData::kBoxes)
                                .arg(fix)});
    } else if (lines.size() < AuxData::kBoxes) {
        findings.push_back({file, 0,
                            QStringLiteral("holds %1 of the %2 heading lines (the file is cut short); the missing "
                                           "headings show blank. %3")
                                .arg(lines.size())
                                .arg(AuxData::kBoxes)
                                .arg(fix)});
    }
    for (qsizetype i = 0; i < std::min<qsizetype>(lines.size(), AuxData::kBoxes); ++i) {
        const QString &line = lines[i];
        const bool control = std::any_of(line.begin(), line.end(), [](QChar c) {
            return (c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F;
        });
        if (control)
            findings.push_back(
                {file, 0,
                 QStringLiteral("heading %1 holds control characters: the file is damaged. %2").arg(i + 1).arg(fix)});
    }
}

void checkAuxFiles(const DataFolder &folder, const Clock &clock, const QStringList &accountNumbers,
                   std::vector<CheckFinding> &findings)
{
    AuxChecker(folder, clock, findings).run(accountNumbers);
}
