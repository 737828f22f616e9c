#pragma once

#include "accounts/serviceseditor.h"
#include "core/folderandsettings.h"
#include "gui/widgets/programwindow.h"

class FlexGrid;
class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class DataFolder;
class Settings;
struct Platform;

// frmServices, "Services Creation Screen": the services catalogue in a grid, with the description, charge
// and allotted-time boxes for adding and changing a service, deleting and moving rows. Every change is
// written to /Services.txt at once; slip creation reads its services list from there.
class ServicesScreen final : public ProgramWindow
{
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Services Creation Screen");
    enum Button {
        Menu,
        AddNew,
        DeleteItem,
        ModifyItem,
        SaveService,
        ClearDescription,
        ClearCharge,
        Cancel,
        CloseHelp,
    };

    // The part of the program's state it works with.
    using Shared = FolderAndSettings;

    ServicesScreen(Shared state, Platform &platform, Environment environment, QWidget *parent = nullptr);

    const ServicesEditor &editor() const { return m_editor; }
    // The button of the index, the way the buttons are named: cmdService_<index>.
    QPushButton *button(Button which) const { return m_buttons[which]; }

    void selectRow(int gridRow); // a click on a data row
    void move(int step);         // -1 up, +1 down

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadGrid();
    void fillGrid();
    void setEditing(bool on);
    void clearBoxes();
    void pressed(int index);
    void addNew();
    void modify();
    void saveService();
    void deleteItem();
    bool checkCharge();
    void beep();
    bool guarded(const std::function<void()> &step);
    void refreshButtons();

    Shared m_state;
    Platform &m_platform;
    ServicesEditor m_editor;
    FlexGrid *m_grid = nullptr;
    QLineEdit *m_description = nullptr;
    QLineEdit *m_charge = nullptr;
    QComboBox *m_time = nullptr;
    QPushButton *m_buttons[9] = {};
    QPushButton *m_move[2] = {};
    QGroupBox *m_help = nullptr;
    bool m_checkingCharge = false;
};
