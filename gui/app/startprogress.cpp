#include "gui/app/startprogress.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>

StartProgress::StartProgress(QWidget *window)
    : QWidget(window)
{
    setObjectName(QStringLiteral("fraStartProgress"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblStartProgress"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("prgStartProgress"));
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    if (auto *box = qobject_cast<QBoxLayout *>(window->layout())) {
        box->addWidget(this);
    } else {
        setGeometry(8, window->height() - 56, window->width() - 16, 48);
        raise();
    }
    show();
}

void StartProgress::setProgress(int done, int total)
{
    // Drawn a few times a second and at the end: a start with every folder in place runs through thousands of
    // customers in a moment and would spend most of it drawing.
    if (m_drawn.isValid() && !m_drawn.hasExpired(kRedrawAfterMs) && done < total)
        return;
    m_drawn.start();
    m_label->setText(QStringLiteral("Preparing the folders of %L1 customers: %L2 done...").arg(total).arg(done));
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(done);
}
