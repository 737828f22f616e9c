#include "printing/blankformlayout.h"

#include <memory>

void printBlankFormPage(PrintSurface &surface, const DocumentInputs &inputs)
{
    const PrintSettings &settings = inputs.settings;
    startDocument(surface, settings, QStringLiteral("Portrait"), settings.printInColour);
    PrintFormFrame(surface, inputs, QStringLiteral("INVOICE"), 0.4);

    // The header fields in the regular weight, as on a printed invoice.
    surface.SetPrintFont(10, false, false);
    surface.SetPrintPosition(0, 0.9);
    for (const char *label : {"Date", "INVOICE NO:", "Amount Enclosed", "Service Slip No."}) {
        surface.SetPrintPosition(5.0, 0);
        surface.printOnLine(QString::fromLatin1(label));
        surface.SetPrintPosition(6.5, 0);
        surface.print(QStringLiteral("_______________"));
        surface.endLine();
    }

    surface.SetPrintPosition(0, 4.55);
    printItemHeadings(surface);

    if (!settings.plainPaper)
        PrintDetachLine(surface);
}

PrintAction blankFormsAction(const DocumentInputs &inputs, int count)
{
    PrintAction action;
    action.title = QStringLiteral("Print Blank Invoices");
    action.copies = 1;
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    for (int i = 1; i <= count; ++i) {
        action.jobs.push_back({QStringLiteral("Blank Invoice %1").arg(i),
                               [shared](PrintSurface &surface) { printBlankFormPage(surface, *shared); }});
    }
    return action;
}

PrintOutcome printBlankForms(PrintTarget &target, const DocumentInputs &inputs, int count)
{
    return target.run(blankFormsAction(inputs, count));
}

PrintAction logoSampleAction(const DocumentInputs &inputs)
{
    PrintAction action;
    action.title = QStringLiteral("Print Sample");
    const auto shared = std::make_shared<const DocumentInputs>(inputs);
    action.jobs.push_back({action.title, [shared](PrintSurface &surface) {
                               startDocument(surface, shared->settings, QStringLiteral("Portrait"),
                                             shared->settings.printInColour);
                               printLogo(surface, shared->settings);
                           }});
    return action;
}
