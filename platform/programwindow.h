#pragma once

#include <QWidget>
#include <functional>

class LayoutStore;

// What every window of the program shares: it keeps its size and position under an application key between
// runs, and closing it with its own close box ends the whole program. The program itself closes windows
// through closeByProgram(), which does not.
class ProgramWindow : public QWidget
{
    Q_OBJECT
public:
    struct Environment
    {
        LayoutStore *layouts = nullptr;
        std::function<void()> exitProgram; // run when the user closes the window with its close box
    };

    static inline const QString kMainKey = QStringLiteral("VarnelDuzudu");
    static inline const QString kDialerKey = QStringLiteral("VarnelDispatcher");
    static inline const QString kHistoryKey = QStringLiteral("VarnelCycleInvoicer");

    ProgramWindow(const QString &objectName, Environment environment, const QString &appKey = kMainKey,
                  QWidget *parent = nullptr);

    // Closes the window as the program does (no exit), storing its layout.
    void closeByProgram();

signals:
    // The window has hidden itself; the start menu is to be shown.
    void returnToMenu();
    // The user asked to call this number: the program's dialer takes it.
    void dialRequested(const QString &name, const QString &number);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void storeLayout();

    Environment m_environment;
    QString m_appKey;
    bool m_restored = false;
    bool m_closingByProgram = false;
};
