#pragma once

#include "gui/widgets/programwindow.h"

class QLabel;

// The first-run panel: it explains the setup and leads to the setup screen through its logo.
class WelcomePanel : public ProgramWindow
{
    Q_OBJECT
public:
    WelcomePanel(Environment environment, const QString &dataFolderNote, QWidget *parent = nullptr);

    static const QStringList &texts();

signals:
    void logoClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_logo;
};
