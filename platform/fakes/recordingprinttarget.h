#pragma once

#include "platform/fakes/recordingsurface.h"
#include "printing/printtarget.h"

#include <QString>
#include <functional>
#include <vector>

// The target for tests: every action prints on one recording surface, the print dialog answers as scripted.
class RecordingPrintTarget final : public PrintTarget
{
public:
    PrintOutcome run(const PrintAction &action) override;

    RecordingSurface surface;
    bool cancelDialog = false;     // the user cancels the dialog: nothing printed
    int cancelAfterPages = -1;     // the user cancels the running print once this many pages were begun (-1: never)
    int pagesBegun = 0;            // over every action run
    std::function<void()> onPage;  // called as each page begins
    int dialogs = 0;               // how often the dialog was shown
    std::vector<QString> titles;   // of the actions that reached the dialog
    std::vector<QString> jobNames; // of the documents printed
};
