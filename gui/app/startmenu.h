#pragma once

#include "gui/widgets/programwindow.h"

#include <QStringList>

class DataFolder;
class QLabel;
class QFrame;
class QMenuBar;
struct Platform;

// The start menu: the hub from which every routine is opened.
class StartMenu : public ProgramWindow
{
    Q_OBJECT
public:
    enum Routine {
        CreateSlip,
        ManageSlips,
        CompleteSlips,
        LocateAssignments,
        Customers,
        Assignments,
        Services,
        BlankInvoices,
        History,
    };

    StartMenu(const DataFolder &folder, Platform &platform, Environment environment, QWidget *parent = nullptr);

    static const QStringList &routineCaptions();
    // The enabling rules; run on every activation.
    void refresh();
    // Asks the question of a supply item (where it has one) and opens the supplier's page unless answered No.
    void orderSupplies(int item);
    // Files | Back Up Now: the whole data folder into a dated archive in a folder the user picks (the last
    // one offered first), with progress.
    void backUpNow();

signals:
    void routineChosen(int routine);
    void setupRequested();
    void aboutRequested();
    void manualRequested();
    void exitRequested();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(int routine);

    const DataFolder &m_folder;
    Platform &m_platform;
    std::vector<QLabel *> m_routines;
    QFrame *m_instructions;
    QLabel *m_instruction[2];
    QLabel *m_logo;
    QMenuBar *m_menuBar;
};
