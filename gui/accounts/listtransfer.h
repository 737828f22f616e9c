#pragma once

#include "accounts/recordimport.h"
#include "core/datafolder.h"
#include "gui/widgets/listexport.h"

#include <QDialog>

class FlexGrid;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
struct Platform;

// frmImport: a CSV file about to be imported. The file's columns with the field each fills (a heading the
// program does not know starts as "(skip)" and can be set by hand), the first rows as they will be stored,
// and every row that cannot be stored with its line and reason. Nothing is written until "Import" is pressed;
// then every row that can be stored is added in one step.
class ImportWindow final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kPreviewRows = 20;
    ImportWindow(const DataFolder &folder, ImportKind kind, bool usaStyle, const QString &fileName,
                 CsvReader::Table table, Platform &platform, QWidget *parent = nullptr);

    const RecordImport::Plan &plan() const { return m_plan; }
    // Sets column `column` of the file to fill target `target` (-1: left out), as the mapping's list does.
    void setMapping(int column, int target);
    // "Import": writes the rows; true when they were written (the window then closes).
    bool importRows();

private:
    void replan();

    DataFolder m_folder;
    ImportKind m_kind;
    bool m_usaStyle;
    CsvReader::Table m_table;
    Platform &m_platform;
    std::vector<int> m_mapping;
    RecordImport::Plan m_plan;
    QTableWidget *m_mappingGrid = nullptr;
    std::vector<QComboBox *> m_fields;
    QTableWidget *m_preview = nullptr;
    QListWidget *m_problems = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_import = nullptr;
};

namespace ListTransfer {
// Asks for a CSV file and shows the import window for it; true when rows were imported.
bool importFile(QWidget *parent, const DataFolder &folder, ImportKind kind, bool usaStyle, Platform &platform);
} // namespace ListTransfer
