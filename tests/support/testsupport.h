#pragma once

#include "platform/fakes/crash.h"

#include "core/datafolder.h"

#include <QByteArray>
#include <QMap>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>
#include <type_traits>

// A fresh data folder per test, deleted afterwards, and a settings store that never touches the home folder.
class TestRoot
{
public:
    TestRoot();
    const QString &path() const { return m_path; }
    DataFolder folder() const { return DataFolder(m_path); }
    QString file(const QString &relative) const { return m_path + relative; }

    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const; // empty when missing
    bool exists(const QString &relative) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Every file under the root with its bytes, by path relative to the root (temporary files of interrupted
// replaces left out unless asked for).
QMap<QString, QByteArray> snapshot(const QString &root, bool withTemporaries = false);

// Every name below the root with its size and modification time, sorted: what a run that must write nothing
// must leave as it found it.
QStringList folderStamps(const QString &root);

// Call once before the first test runs (in initTestCase): settings, data and runtime folders in a temporary home.
void useTestSettingsStore();

// Adds a row of test data, one value per column in column order: a row of several texts stays one line.
template <typename... Values> void dataRow(const char *tag, const Values &...values)
{
    (QTest::newRow(tag) << ... << values);
}

// Declares the columns of a data table: one type per name, in column order.
template <typename... Types, typename... Names> void dataColumns(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one type per column name");
    (QTest::addColumn<Types>(names), ...);
}

// The current row's values of the named columns, as QFETCH takes them one by one:
// `auto [from, to] = fetched<QString, int>("from", "to");`
template <typename... Types, typename... Names> std::tuple<Types...> fetched(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one type per column name");
    return {*static_cast<Types *>(QTest::qData(names, ::qMetaTypeId<std::remove_cv_t<Types>>()))...};
}

// The text of a PDF file as pdftotext -layout reads it; empty when pdftotext is missing or fails.
QString pdfText(const QString &pdf);
bool havePdfToText();
