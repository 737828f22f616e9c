#include "testsupport.h"

#include <QDir>
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
