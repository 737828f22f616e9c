#include "gui/accounts/listtransfer.h"

#include "core/csvlist.h"
#include "core/diskerror.h"
#include "core/seams.h"
#include "gui/widgets/flexgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString separatorName(QChar c)
{
    if (c == QLatin1Char(';'))
        return QStringLiteral("semicolons");
    if (c == QLatin1Char('\t'))
        return QStringLiteral("tabs");
    return QStringLiteral("commas");
}

QString titleOf(ImportKind kind)
{
    switch (kind) {
    case ImportKind::Customers:
        return QStringLiteral("Import Customers");
    case ImportKind::Services:
        return QStringLiteral("Import Services");
    case ImportKind::Technicians:
        break;
    }
    return QStringLiteral("Import Assignments");
}

} // namespace

ImportWindow::ImportWindow(const DataFolder &folder, ImportKind kind, bool usaStyle, const QString &fileName,
                           CsvReader::Table table, Platform &platform, QWidget *parent)
    : QDialog(parent)
    , m_folder(folder)
    , m_kind(kind)
    , m_usaStyle(usaStyle)
    , m_table(std::move(table))
    , m_platform(platform)
    , m_mapping(RecordImport::matchHeadings(kind, m_table.headings))
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(titleOf(kind));
    resize(980, 700);
    auto *outer = new QVBoxLayout(this);
    auto *file =
        new QLabel(QStringLiteral("%1\n%2, values separated by %3; %4 rows after the headings.")
                       .arg(QDir::toNativeSeparators(fileName), m_table.encoding, separatorName(m_table.separator))
                       .arg(m_table.rows.size()),
                   this);
    file->setObjectName(QStringLiteral("lblFile"));
    outer->addWidget(file);

    auto *top = new QHBoxLayout;
    auto *mappingBox = new QVBoxLayout;
    mappingBox->addWidget(new QLabel(QStringLiteral("Columns of the file and the field each fills:"), this));
    m_mappingGrid = new QTableWidget(int(m_table.headings.size()), 2, this);
    m_mappingGrid->setObjectName(QStringLiteral("fgMapping"));
    m_mappingGrid->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Stored as")});
    m_mappingGrid->horizontalHeader()->setStretchLastSection(true);
    m_mappingGrid->verticalHeader()->hide();
    QStringList choices{QStringLiteral("(skip)")};
    for (const RecordImport::Target &t : RecordImport::targets(kind))
        choices << t.heading;
    for (int c = 0; c < int(m_table.headings.size()); ++c) {
        auto *heading = new QTableWidgetItem(m_table.headings[c]);
        heading->setFlags(Qt::ItemIsEnabled);
        m_mappingGrid->setItem(c, 0, heading);
        auto *combo = new QComboBox(m_mappingGrid);
        combo->setObjectName(QStringLiteral("cboField_%1").arg(c));
        combo->addItems(choices);
        combo->setCurrentIndex(m_mapping[std::size_t(c)] + 1);
        connect(combo, &QComboBox::activated, this, [this, c](int index) { setMapping(c, index - 1); });
        m_mappingGrid->setCellWidget(c, 1, combo);
        m_fields.push_back(combo);
    }
    mappingBox->addWidget(m_mappingGrid);
    top->addLayout(mappingBox, 2);
    auto *problemBox = new QVBoxLayout;
    problemBox->addWidget(new QLabel(QStringLiteral("Rows that cannot be stored (left out):"), this));
    m_problems = new QListWidget(this);
    m_problems->setObjectName(QStringLiteral("lstProblems"));
    problemBox->addWidget(m_problems);
    top->addLayout(problemBox, 3);
    outer->addLayout(top, 2);

    outer->addWidget(new QLabel(QStringLiteral("The first rows as they will be stored:"), this));
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("fgPreview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    outer->addWidget(m_preview, 3);

    auto *bottom = new QHBoxLayout;
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);
    bottom->addWidget(m_summary, 1);
    m_import = new QPushButton(QStringLiteral("&Import"), this);
    m_import->setObjectName(QStringLiteral("cmdImport"));
    connect(m_import, &QPushButton::clicked, this, &ImportWindow::importRows);
    bottom->addWidget(m_import);
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(cancel);
    outer->addLayout(bottom);
    replan();
}

void ImportWindow::setMapping(int column, int target)
{
    if (column < 0 || column >= int(m_mapping.size()))
        return;
    m_mapping[std::size_t(column)] = target;
    m_fields[std::size_t(column)]->setCurrentIndex(target + 1);
    replan();
}

void ImportWindow::replan()
{
    const std::vector<RecordImport::Target> &targets = RecordImport::targets(m_kind);
    m_problems->clear();
    m_preview->clear();
    m_preview->setRowCount(0);
    const auto problem = RecordImport::mappingProblem(m_kind, m_mapping);
    if (problem) {
        m_plan = RecordImport::Plan{};
        m_summary->setText(*problem);
        m_import->setEnabled(false);
        return;
    }
    std::unique_ptr<QProgressDialog> progress;
    if (m_table.rows.size() > 5000 && isVisible()) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Checking the rows..."), QString(), 0,
                                                     int(m_table.rows.size()), this);
        progress->setObjectName(QStringLiteral("frmProgress"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(300);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_plan = RecordImport::plan(m_folder, m_kind, m_table, m_mapping, m_usaStyle, [&](int done, int) {
        if (progress)
            progress->setValue(done);
    });
    QApplication::restoreOverrideCursor();

    QStringList headings;
    for (const RecordImport::Target &t : targets)
        headings << t.heading;
    m_preview->setColumnCount(int(headings.size()) + 1);
    m_preview->setHorizontalHeaderLabels(QStringList{QStringLiteral("Line")} + headings);
    const int shown = std::min<int>(kPreviewRows, int(m_plan.records.size()));
    m_preview->setRowCount(shown);
    for (int r = 0; r < shown; ++r) {
        m_preview->setItem(r, 0, new QTableWidgetItem(QString::number(m_plan.lines[std::size_t(r)])));
        const QStringList values = RecordImport::shownValues(m_kind, m_plan.records[std::size_t(r)]);
        for (int c = 0; c < values.size(); ++c)
            m_preview->setItem(r, c + 1, new QTableWidgetItem(values[c]));
    }
    m_preview->resizeColumnsToContents();
    for (const RecordImport::Problem &p : m_plan.problems)
        m_problems->addItem(QStringLiteral("Line %1: %2").arg(p.line).arg(p.reason));
    const QString kind = RecordImport::kindName(m_kind);
    m_summary->setText(QStringLiteral("%1 row(s) read: %2 will be added to the %3 %4 stored; %5 cannot be "
                                      "stored and are left out.")
                           .arg(m_plan.read)
                           .arg(m_plan.records.size())
                           .arg(m_plan.existing)
                           .arg(kind)
                           .arg(m_plan.problems.size()));
    m_import->setText(QStringLiteral("&Import %1 Row(s)").arg(m_plan.records.size()));
    m_import->setEnabled(!m_plan.records.empty());
}

bool ImportWindow::importRows()
{
    if (m_plan.records.empty())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        RecordImport::write(m_folder, m_plan);
    } catch (const DiskError &e) {
        QApplication::restoreOverrideCursor();
        m_platform.messages.inform(e.message(), QStringLiteral("Nothing Imported"));
        replan();
        return false;
    }
    QApplication::restoreOverrideCursor();
    m_platform.messages.inform(
        QStringLiteral("%1 %2 imported.").arg(m_plan.records.size()).arg(RecordImport::kindName(m_kind)),
        titleOf(m_kind));
    accept();
    return true;
}

namespace ListTransfer {

bool importFile(QWidget *parent, const DataFolder &folder, ImportKind kind, bool usaStyle, Platform &platform)
{
    const auto path = platform.choosers.openFile(titleOf(kind), QDir::homePath(),
                                                 QStringLiteral("CSV files (*.csv *.txt);;All files (*)"));
    if (!path)
        return false;
    QString error;
    auto table = CsvReader::readFile(*path, &error);
    if (!table) {
        platform.messages.inform(error, titleOf(kind));
        return false;
    }
    if (table->headings.isEmpty()) {
        platform.messages.inform(QStringLiteral("%1 holds no rows.").arg(QDir::toNativeSeparators(*path)),
                                 titleOf(kind));
        return false;
    }
    ImportWindow window(folder, kind, usaStyle, *path, std::move(*table), platform, parent);
    return window.exec() == QDialog::Accepted;
}

} // namespace ListTransfer
