#include "gui/billing/blankswindow.h"

#include "printing/blankformlayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

BlanksWindow::BlanksWindow(Environment environment, PrintTarget &target, InputsSource inputs, QWidget *parent)
    : ProgramWindow(QStringLiteral("frmBlanks"), std::move(environment), kMainKey, parent)
    , m_target(target)
    , m_inputs(std::move(inputs))
{
    setWindowTitle(QStringLiteral("Print Blank Invoices"));

    auto *label = new QLabel(QStringLiteral("Enter the Number of Invoices to Print"), this);
    label->setObjectName(QStringLiteral("lblInvoices"));
    m_count = new QLineEdit(this);
    m_count->setObjectName(QStringLiteral("txtInvoices"));
    // Digits only, and no more forms than a day's printing could want.
    m_count->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_count));
    m_count->setMaxLength(4);
    label->setBuddy(m_count);

    m_print = new QPushButton(QStringLiteral("Print"), this);
    m_print->setObjectName(QStringLiteral("Command1_0"));
    m_print->setEnabled(false);
    auto *back = new QPushButton(QStringLiteral("Return to Menu"), this);
    back->setObjectName(QStringLiteral("Command1_1"));

    connect(m_count, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_print->setEnabled(!text.isEmpty()); });
    connect(m_print, &QPushButton::clicked, this, &BlanksWindow::printForms);
    connect(back, &QPushButton::clicked, this, [this] {
        hide();
        emit returnToMenu();
    });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_print);
    buttons->addWidget(back);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_count);
    layout->addLayout(buttons);
}

void BlanksWindow::printForms()
{
    const int count = m_count->text().toInt();
    if (count > 0) {
        const PrintOutcome outcome = printBlankForms(m_target, m_inputs ? m_inputs() : DocumentInputs(), count);
        // A cancelled dialog keeps the number for another try.
        if (outcome.cancelled())
            return;
    }
    m_count->clear();
    m_print->setEnabled(false);
}
