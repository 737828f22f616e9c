#pragma once

#include "accounts/servicecatalogue.h"
#include "core/datafolder.h"

#include <QString>
#include <optional>
#include <vector>

// The state of the services screen without the window: the rows of its grid, the selected row and the mode
// (browsing, adding or modifying). Every change of the rows is written to /Services.txt at once, so the
// catalogue and slip creation's list never lag behind the grid. Disk failures come through as DiskError.
class ServicesEditor
{
public:
    enum class Mode { Browsing, Adding, Modifying };
    enum class Refusal {
        None,
        BlankDescription, // beep, focus the description
        BlankCharge,      // beep, focus the charge
        BadCharge,        // a charge that is not a number of 0 or more: message, focus the charge
        Full,             // the catalogue holds at most 255 services
    };

    static inline const QString kFull = QStringLiteral("The catalogue holds at most 255 services.");
    static inline const QString kBadCharge =
        QStringLiteral("The Charge must be an amount from $0.00 to $99,999.99, such as 45 or $45.00.");
    static constexpr int kDescriptionLimit = 34;

    explicit ServicesEditor(DataFolder folder);

    // Reads /Services.txt into the rows; browsing, nothing selected.
    void load();
    const std::vector<CatalogueRow> &rows() const { return m_rows; }
    Mode mode() const { return m_mode; }
    int selected() const { return m_selected; } // index into rows(), -1 for none
    void select(int index);

    // Add New: refused when the catalogue is full.
    Refusal startAdd();
    // Modify Item: the selected row's texts for the boxes and the time list position; nothing without a
    // selection.
    struct Boxes
    {
        QString description;
        QString charge;
        int timeIndex = 1;
    };
    std::optional<Boxes> startModify();
    void cancel();

    // Save Service: the boxes into the grid (a new row at the end, or the selected row), then the file.
    Refusal saveService(const QString &description, const QString &charge, int timeIndex);
    // Removes the selected row; the last service removed deletes the file and its Backup copy.
    bool deleteSelected();
    // Moves the selected row up (-1) or down (+1); the selection follows it.
    bool moveSelected(int step);

    // The charge as the grid shows it ("45" -> "$45.00"); nothing for a text that is not an amount of 0 or
    // more, or whose currency text would not fit the record's 10 characters (cutting "$123,456.78" would
    // store another amount).
    static std::optional<QString> checkedCharge(const QString &typed);

    // Writes the rows when a change has not reached /Services.txt yet (after a disk failure); a catalogue
    // that was only read is never written back.
    void flush();
    bool unsaved() const { return m_unsaved; }

private:
    void write();

    DataFolder m_folder;
    bool m_unsaved = false;
    std::vector<CatalogueRow> m_rows;
    Mode m_mode = Mode::Browsing;
    int m_selected = -1;
};
