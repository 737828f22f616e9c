#pragma once

#include "gui/widgets/programwindow.h"
#include "printing/documentinputs.h"

#include <functional>

class PrintTarget;
class QLineEdit;
class QPushButton;

// frmBlanks, "Print Blank Invoices": prints the number of blank invoice forms typed in the box, each form a
// print job of its own.
class BlanksWindow final : public ProgramWindow
{
    Q_OBJECT
public:
    // The settings, business data and items as they stand when Print is pressed.
    using InputsSource = std::function<DocumentInputs()>;

    BlanksWindow(Environment environment, PrintTarget &target, InputsSource inputs, QWidget *parent = nullptr);

private:
    void printForms();

    PrintTarget &m_target;
    InputsSource m_inputs;
    QLineEdit *m_count = nullptr;
    QPushButton *m_print = nullptr;
};
