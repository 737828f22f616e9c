#include "platform/programwindow.h"

#include "core/seams.h"
#include "platform/fieldfilter.h"

#include <QCloseEvent>

ProgramWindow::ProgramWindow(const QString &objectName, Environment environment, const QString &appKey, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_environment(std::move(environment))
    , m_appKey(appKey)
{
    setObjectName(objectName);
}

void ProgramWindow::closeByProgram()
{
    m_closingByProgram = true;
    close();
    m_closingByProgram = false;
}

void ProgramWindow::showEvent(QShowEvent *event)
{
    FieldFilter::keepOneLine(this);
    if (!m_restored && m_environment.layouts) {
        m_restored = true;
        const QByteArray geometry = m_environment.layouts->load(m_appKey, objectName());
        if (!geometry.isEmpty())
            restoreGeometry(geometry);
    }
    QWidget::showEvent(event);
}

void ProgramWindow::hideEvent(QHideEvent *event)
{
    storeLayout();
    QWidget::hideEvent(event);
}

void ProgramWindow::storeLayout()
{
    if (m_environment.layouts && m_restored)
        m_environment.layouts->save(m_appKey, objectName(), saveGeometry());
}

void ProgramWindow::closeEvent(QCloseEvent *event)
{
    storeLayout();
    QWidget::closeEvent(event);
    // The user's close box: this window closes and the program ends with it.
    if (!m_closingByProgram && m_environment.exitProgram)
        m_environment.exitProgram();
}
