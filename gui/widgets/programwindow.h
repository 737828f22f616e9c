#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class LayoutStore;
class Messages;

// What every window of the program shares: it keeps its size and position under an application key between
// runs, and its own close box does not drop work typed and not saved: it asks Save / Don't Save / Cancel first.
// Once the window closed that way, what the environment says follows (the start menu's close box ends the
// program, a routine's leads back to the start menu). The program itself closes windows through closeByProgram(),
// which asks nothing and leads nowhere.
class ProgramWindow : public QWidget
{
    Q_OBJECT
public:
    struct Environment
    {
        LayoutStore *layouts = nullptr;
        std::function<void()> afterCloseBox; // run once the user closed the window with its close box
    };

    static inline const QString kMainKey = QStringLiteral("VarnelDuzudu");
    static inline const QString kDialerKey = QStringLiteral("VarnelDispatcher");
    static inline const QString kHistoryKey = QStringLiteral("VarnelCycleInvoicer");

    ProgramWindow(const QString &objectName, Environment environment, const QString &appKey = kMainKey,
                  QWidget *parent = nullptr);

    // Closes the window as the program does (no exit), storing its layout.
    void closeByProgram();

    // A line beside a dial control that says in words why the control is greyed or gone: no modem answered the
    // program's search. Hidden until showNoModem(true).
    void addNoModemNote(QWidget *dialControl);
    void showNoModem(bool noModem);

    // The rectangle a window of this size may take on the screen: the size shrunk to the available area (room
    // left for the title bar and frame) and the place moved so that the whole window, frame included, is inside.
    static QRect fittedGeometry(const QRect &wanted, const QRect &available, const QMargins &frame);
    // Puts a window of the program (this one, a dialog or a message box) inside the screen it is on; a window not
    // placed yet opens in the middle of the screen unless told otherwise.
    static void fitToScreen(QWidget *window, bool centreWhenNotPlaced = true);
    // From now on every dialog of the program is put inside the screen as it opens (once per run).
    static void fitDialogsToScreen();

    // A read-only seat (why: "held by Front Desk"): the title says so and the controls the window named as
    // writing stay disabled with a tooltip saying why. Each window names its own write controls, before or
    // after the seat is known.
    void setReadOnly(const QString &why);
    bool isReadOnly() const { return !m_readOnly.isEmpty(); }
    void writeControls(const QList<QObject *> &controls);
    // The same, named by their object names: "cmdSave|cmdDelete|cmdPost_\\d+" (a pattern of whole names).
    void writeControlsNamed(const QString &names);
    // The files of the folder changed (a read-only seat looks every few seconds): what is shown is read again.
    virtual void reloadFromFolder() {}

signals:
    // The window has hidden itself; the start menu is to be shown.
    void returnToMenu();
    // The user asked to call this number: the program's dialer takes it.
    void dialRequested(const QString &name, const QString &number);

protected:
    // Work typed in the window and not saved yet: the question its close box puts and how the window saves the work
    // (true when saved; a refusal has said why, and the window stays) or gives it up.
    struct UnsavedWork
    {
        Messages *messages = nullptr;
        QString question;
        QString title;
        std::function<bool()> save;
        std::function<void()> discard; // none: nothing to undo beyond closing
    };
    // Nothing when all is saved.
    virtual std::optional<UnsavedWork> unsavedWork() { return std::nullopt; }
    // Puts the question about unsaved work, if any, and carries out the answer: true when the window may close.
    bool settleUnsavedWork();

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void storeLayout();

    Environment m_environment;
    QString m_appKey;
    void placeNoModemNotes();
    QList<std::pair<QWidget *, QWidget *>> m_noModemNotes; // a dial control and its note
    QString m_readOnly;
    QList<QPointer<QObject>> m_writeControls;
    bool m_restored = false;
    bool m_closingByProgram = false;
};
