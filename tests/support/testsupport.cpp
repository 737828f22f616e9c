#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

TestRoot::TestRoot()
    : m_path(m_dir.path())
{}

void TestRoot::write(const QString &relative, const QByteArray &bytes) const
{
    const QString full = m_path + relative;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TestRoot::read(const QString &relative) const
{
    QFile f(m_path + relative);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestRoot::exists(const QString &relative) const
{
    return QFileInfo::exists(m_path + relative);
}

QMap<QString, QByteArray> snapshot(const QString &root, bool withTemporaries)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!withTemporaries && path.endsWith(QLatin1String(".vdtmp")))
            continue;
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(QDir(root).relativeFilePath(path), f.readAll());
    }
    return files;
}

QStringList folderStamps(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        out.append(QStringLiteral("%1 %2 %3")
                       .arg(info.filePath().mid(root.size()))
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch()));
    }
    out.sort();
    return out;
}

void useTestSettingsStore()
{
    // A home of its own for this test process: settings, data and lock files all land in a temporary folder.
    static QTemporaryDir home;
    const QByteArray base = QFile::encodeName(home.path());
    qputenv("HOME", base);
    qputenv("XDG_CONFIG_HOME", base + "/config");
    qputenv("XDG_DATA_HOME", base + "/data");
    qputenv("XDG_CACHE_HOME", base + "/cache");
    qputenv("XDG_RUNTIME_DIR", base + "/runtime");
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool havePdfToText()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}
