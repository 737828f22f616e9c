#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QLibraryInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

// The include arrows of the source tree against the house's layer table, and no cycle between units (a .cpp
// with its .h). Every quoted include names its file from the source root ("core/datafolder.h"); a bare name is
// looked up beside the including file.

namespace {

// What a folder may include. "." is the folder itself; "*" is every source folder. Qt modules are checked only
// where a row lists them (empty: any module).
struct Layer
{
    QString folder;
    QStringList mayInclude;
    QStringList qtModules = {};
    QStringList forbiddenHeaders = {};
};

const QStringList kLogic{"core", "accounts", "dispatch", "billing", "recovery", "dialing"};
const QStringList kLogicQt{"QtCore"};
const QStringList kBelowGui = kLogic + QStringList{"printing", "platform"};

// The table: the logic stacks one way (recovery -> billing -> dispatch -> accounts -> core) and uses Qt Core
// only; printing and the phone use the logic; platform adapts outside things; gui uses them all, a window its
// own area and the shared widgets; app and the screenshots program see everything. tests/ and bench/ may
// include anything and are not read.
const QList<Layer> kLayers{
    {"core", {"."}, kLogicQt},
    {"accounts", {".", "core"}, kLogicQt},
    {"dispatch", {".", "accounts", "core"}, kLogicQt},
    {"billing", {".", "dispatch", "accounts", "core"}, kLogicQt},
    {"recovery", {".", "billing", "dispatch", "accounts", "core"}, kLogicQt},
    {"dialing", {".", "core"}, kLogicQt},
    {"printing", QStringList{"."} + kLogic, {"QtCore", "QtGui"}, {"QPainter"}},
    {"phone", QStringList{".", "platform"} + kLogic, {"QtCore", "QtNetwork", "QtHttpServer"}},
    {"platform", {".", "core", "printing", "dialing"}},
    {"platform/fakes", {".", "platform", "core", "printing", "dialing"}},
    {"gui/widgets", QStringList{"."} + kBelowGui},
    {"gui/*", QStringList{".", "gui/widgets", "phone"} + kBelowGui},
    {"app", {"*"}},
    {"tools", QStringList{"."} + kBelowGui},
    {"tools/screenshots", {"*"}},
};

// Arrows that are known and on their way out, each with the file that still has it. An entry that no longer
// occurs fails the test, so the list only shrinks. None is left.
struct Known
{
    QString file;
    QString includes;
};
const QList<Known> kKnown{};

// Folders of the root that hold no program code of their own; every other one is read (a build folder is
// known by its CMakeCache.txt).
const QStringList kNotSource{"tests", "bench", "docs", "packaging", "scripts", "cmake"};

struct Include
{
    QString file; // the including file, from the source root
    int line = 0;
    QString target; // a file of the tree, from the source root, or the Qt header as written
    bool qt = false;
};

const Layer *layerOf(const QString &folder)
{
    for (const Layer &l : kLayers)
        if (l.folder == folder)
            return &l;
    if (folder.startsWith(QLatin1String("gui/")))
        for (const Layer &l : kLayers)
            if (l.folder == QLatin1String("gui/*"))
                return &l;
    return nullptr;
}

QString folderOf(const QString &file) { return file.section(QLatin1Char('/'), 0, -2); }
QString unitOf(const QString &file) { return file.section(QLatin1Char('.'), 0, -2); }

QStringList sourceFiles(const QString &root)
{
    QStringList files;
    for (const QString &top : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (kNotSource.contains(top) || QFile::exists(root + QLatin1Char('/') + top + QLatin1String("/CMakeCache.txt")))
            continue;
        QDirIterator it(root + QLatin1Char('/') + top, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(root).relativeFilePath(it.next());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Every include of the tree that names a file of the tree or a Qt header; generated files (.moc, ui_) and
// system headers are left out.
QList<Include> readIncludes(const QString &root, const QStringList &files)
{
    static const QRegularExpression quoted(QStringLiteral(R"(^\s*#\s*include\s*"([^"]+)\")"));
    static const QRegularExpression angled(QStringLiteral(R"(^\s*#\s*include\s*<(Qt\w*/)?(Q\w+)>)"));
    QList<Include> includes;
    for (const QString &file : files) {
        QFile f(root + QLatin1Char('/') + file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = QString::fromUtf8(lines[i]);
            if (const auto m = quoted.match(line); m.hasMatch()) {
                QString target = m.captured(1);
                if (!target.contains(QLatin1Char('/')) && !folderOf(file).isEmpty())
                    target = folderOf(file) + QLatin1Char('/') + target;
                if (QFile::exists(root + QLatin1Char('/') + target))
                    includes.append({file, i + 1, target, false});
            } else if (const auto q = angled.match(line); q.hasMatch()) {
                includes.append({file, i + 1, q.captured(1) + q.captured(2), true});
            }
        }
    }
    return includes;
}

// The Qt module ("QtCore", "QtWidgets" ...) whose headers hold `header`; empty when none does.
QString qtModuleOf(const QString &header)
{
    if (header.contains(QLatin1Char('/')))
        return header.section(QLatin1Char('/'), 0, 0);
    static QHash<QString, QString> cache;
    if (const auto it = cache.constFind(header); it != cache.cend())
        return *it;
    const QDir headers(QLibraryInfo::path(QLibraryInfo::HeadersPath));
    QString module;
    for (const QString &dir : headers.entryList({"Qt*"}, QDir::Dirs))
        if (QFile::exists(headers.filePath(dir + QLatin1Char('/') + header))) {
            module = dir;
            break;
        }
    cache.insert(header, module);
    return module;
}

QString where(const Include &inc) { return inc.file + QLatin1Char(':') + QString::number(inc.line) + QLatin1String(": "); }

// Every include against the table, one line per wrong arrow, plus every known arrow that no longer occurs.
QStringList wrongArrows(const QList<Include> &includes, const QStringList &files, const QList<Known> &known)
{
    QStringList wrong;
    QList<Known> seen;
    for (const QString &file : files)
        if (!layerOf(folderOf(file)))
            wrong << file + QLatin1String(": the folder ") + folderOf(file) + QLatin1String(" has no row in the layer table");
    for (const Include &inc : includes) {
        const QString from = folderOf(inc.file);
        const Layer *layer = layerOf(from);
        if (!layer)
            continue;
        if (inc.qt) {
            const QString header = inc.target.section(QLatin1Char('/'), -1);
            const QString module = qtModuleOf(inc.target);
            if (layer->forbiddenHeaders.contains(header))
                wrong << where(inc) + QLatin1String("<") + inc.target + QLatin1String("> is not for ") + from;
            else if (!layer->qtModules.isEmpty() && !layer->qtModules.contains(module))
                wrong << where(inc) + QLatin1String("<") + inc.target + QLatin1String("> (") +
                             (module.isEmpty() ? QStringLiteral("no known Qt module") : module) +
                             QLatin1String(") is not for ") + from;
            continue;
        }
        const QString to = folderOf(inc.target);
        const bool allowed = to == from || layer->mayInclude.contains(QLatin1String("*")) ||
                             layer->mayInclude.contains(to);
        if (allowed)
            continue;
        const auto isKnown = [&](const Known &k) { return k.file == inc.file && k.includes == inc.target; };
        if (std::any_of(known.cbegin(), known.cend(), isKnown)) {
            seen.append({inc.file, inc.target});
            continue;
        }
        wrong << where(inc) + inc.target + QLatin1String(": ") + from + QLatin1String(" may not include ") + to;
    }
    for (const Known &k : known) {
        const auto same = [&](const Known &s) { return s.file == k.file && s.includes == k.includes; };
        if (std::none_of(seen.cbegin(), seen.cend(), same))
            wrong << k.file + QLatin1String(" no longer includes ") + k.includes +
                         QLatin1String(": take it off the list of known arrows");
    }
    return wrong;
}

// Every group of units that include each other round a circle, with the include lines that close it.
QStringList unitCycles(const QList<Include> &includes)
{
    QMap<QString, QMap<QString, QString>> edges; // unit -> unit it includes -> "file:line"
    for (const Include &inc : includes) {
        const QString from = unitOf(inc.file);
        const QString to = unitOf(inc.target);
        if (!inc.qt && from != to)
            edges[from].insert(to, inc.file + QLatin1Char(':') + QString::number(inc.line));
    }
    // Tarjan's strongly connected components.
    QHash<QString, int> index, low;
    QStringList stack;
    QList<QStringList> groups;
    int next = 0;
    std::function<void(const QString &)> visit = [&](const QString &u) {
        index[u] = low[u] = next++;
        stack << u;
        for (auto it = edges[u].cbegin(); it != edges[u].cend(); ++it) {
            const QString &v = it.key();
            if (!index.contains(v)) {
                visit(v);
                low[u] = std::min(low[u], low[v]);
            } else if (stack.contains(v)) {
                low[u] = std::min(low[u], index[v]);
            }
        }
        if (low[u] == index[u]) {
            QStringList group;
            QString v;
            do {
                v = stack.takeLast();
                group << v;
            } while (v != u);
            if (group.size() > 1)
                groups << group;
        }
    };
    for (const QString &u : edges.keys())
        if (!index.contains(u))
            visit(u);
    QStringList cycles;
    for (QStringList group : groups) {
        std::sort(group.begin(), group.end());
        QStringList lines;
        for (const QString &u : group)
            for (auto it = edges[u].cbegin(); it != edges[u].cend(); ++it)
                if (group.contains(it.key()))
                    lines << it.value() + QLatin1String(" -> ") + it.key();
        cycles << QLatin1String("a cycle between ") + group.join(QLatin1String(", ")) + QLatin1String(" (") +
                      lines.join(QLatin1String("; ")) + QLatin1Char(')');
    }
    return cycles;
}

QString sourceRoot()
{
    const QString fromEnvironment = qEnvironmentVariable("VD_SOURCE_DIR");
    return fromEnvironment.isEmpty() ? QStringLiteral(VD_SOURCE_DIR) : fromEnvironment;
}

} // namespace

class TestLayering : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Without Qt's headers every Qt include would count as foreign: make sure they are found.
        QCOMPARE(qtModuleOf(QStringLiteral("QString")), QStringLiteral("QtCore"));
        QCOMPARE(qtModuleOf(QStringLiteral("QWidget")), QStringLiteral("QtWidgets"));
        QVERIFY2(QFile::exists(sourceRoot() + QStringLiteral("/core")), qPrintable(sourceRoot()));
    }

    void treeFollowsTheTable()
    {
        const QStringList files = sourceFiles(sourceRoot());
        QVERIFY(files.size() > 100);
        const QStringList wrong = wrongArrows(readIncludes(sourceRoot(), files), files, kKnown);
        QVERIFY2(wrong.isEmpty(), qPrintable(QLatin1Char('\n') + wrong.join(QLatin1Char('\n'))));
    }

    void noCycleBetweenUnits()
    {
        const QStringList cycles = unitCycles(readIncludes(sourceRoot(), sourceFiles(sourceRoot())));
        QVERIFY2(cycles.isEmpty(), qPrintable(QLatin1Char('\n') + cycles.join(QLatin1Char('\n'))));
    }

    // The checks themselves on small trees, so that a check that sees nothing cannot pass the real tree.
    void smallTrees_data()
    {
        QTest::addColumn<QStringList>("files"); // path, then its text, in pairs
        QTest::addColumn<QString>("found");     // a line that the checks report; empty: the tree is clean

        QTest::newRow("logic uses core and Qt Core") << QStringList{"core/a.h", "#include <QString>",
                                                                    "accounts/b.h", "#include \"core/a.h\"\n#include <QtCore/QDate>"}
                                                     << QString();
        QTest::newRow("logic includes printing")
            << QStringList{"printing/p.h", "", "dispatch/d.h", "#include <QString>\n#include \"printing/p.h\""}
            << QStringLiteral("dispatch/d.h:2: printing/p.h: dispatch may not include printing");
        QTest::newRow("a lower layer includes a higher one")
            << QStringList{"billing/b.h", "", "accounts/a.cpp", "#include \"billing/b.h\""}
            << QStringLiteral("accounts/a.cpp:1: billing/b.h: accounts may not include billing");
        QTest::newRow("logic includes a widget")
            << QStringList{"core/c.cpp", "#include <QWidget>"}
            << QStringLiteral("core/c.cpp:1: <QWidget> (QtWidgets) is not for core");
        QTest::newRow("a layout paints directly")
            << QStringList{"printing/l.cpp", "#include <QImage>\n#include <QPainter>"}
            << QStringLiteral("printing/l.cpp:2: <QPainter> is not for printing");
        QTest::newRow("a window includes another area's window")
            << QStringList{"gui/accounts/w.h", "", "gui/dispatch/v.cpp", "#include \"gui/accounts/w.h\""}
            << QStringLiteral("gui/dispatch/v.cpp:1: gui/accounts/w.h: gui/dispatch may not include gui/accounts");
        QTest::newRow("platform includes a subsystem's state")
            << QStringList{"dispatch/s.h", "", "platform/x.cpp", "#include \"dispatch/s.h\""}
            << QStringLiteral("platform/x.cpp:1: dispatch/s.h: platform may not include dispatch");
        QTest::newRow("a folder without a row")
            << QStringList{"gadgets/g.h", "", "core/q.h", ""}
            << QStringLiteral("gadgets/g.h: the folder gadgets has no row in the layer table");
        QTest::newRow("a folder without a row below a known one")
            << QStringList{"core/extra/g.h", ""}
            << QStringLiteral("core/extra/g.h: the folder core/extra has no row in the layer table");
        QTest::newRow("two units include each other")
            << QStringList{"core/a.h", "", "core/a.cpp", "#include \"core/a.h\"\n#include \"core/b.h\"", "core/b.h", "",
                           "core/b.cpp", "#include \"core/b.h\"\n\n#include \"a.h\""}
            << QStringLiteral("a cycle between core/a, core/b (core/a.cpp:2 -> core/b; core/b.cpp:3 -> core/a)");
        QTest::newRow("three units in a circle")
            << QStringList{"tools/a.h", "#include \"tools/b.h\"", "tools/b.h", "#include \"tools/c.h\"", "tools/c.h", "", "tools/c.cpp",
                           "#include \"tools/a.h\""}
            << QStringLiteral("a cycle between tools/a, tools/b, tools/c (tools/a.h:1 -> tools/b; tools/b.h:1 -> "
                              "tools/c; tools/c.cpp:1 -> tools/a)");
        QTest::newRow("a known arrow")
            << QStringList{"dispatch/s.h", "", "platform/x.cpp", "#include \"dispatch/s.h\""} << QString();
        QTest::newRow("a known arrow that is gone")
            << QStringList{"dispatch/s.h", "", "platform/x.cpp", "#include \"core/c.h\"", "core/c.h", ""}
            << QStringLiteral("platform/x.cpp no longer includes dispatch/s.h: take it off the list of known arrows");
    }

    void smallTrees()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
            QVERIFY(QDir(dir.path()).mkpath(folderOf(files[i])));
            QFile f(dir.filePath(files[i]));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(files[i + 1].toUtf8());
        }
        const QStringList tree = sourceFiles(dir.path());
        const QList<Include> includes = readIncludes(dir.path(), tree);
        const bool knownRow = QByteArray(QTest::currentDataTag()).startsWith("a known");
        const QList<Known> known{{"platform/x.cpp", "dispatch/s.h"}};
        const QStringList reported = wrongArrows(includes, tree, knownRow ? known : QList<Known>{}) + unitCycles(includes);
        if (found.isEmpty())
            QVERIFY2(reported.isEmpty(), qPrintable(reported.join(QLatin1Char('\n'))));
        else
            QVERIFY2(reported.contains(found), qPrintable(reported.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestLayering)
#include "tst_layering.moc"
