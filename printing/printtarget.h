#pragma once

#include "printing/printsurface.h"

#include <QString>
#include <functional>
#include <vector>

// A printing action (the invoices of the ticked slips, a report, some blank forms) is a list of documents.
// The target asks once where the action goes (a print dialog, a preview, a file), then prints every document
// as a job of its own.

struct PrintJob
{
    QString name; // the job's name in the printer queue
    // Prints the document's pages on the surface; the runner ends the document afterwards.
    std::function<void(PrintSurface &)> print;
    // A long document may also be drawn a page at a time, so that a preview draws only the pages it shows: on a
    // fresh surface of the device, pageCount tells how many pages print makes, and printPage draws page number
    // `page` (from 1) alone, as print draws it. Both empty for a document drawn only whole.
    std::function<int(PrintSurface &)> pageCount = {};
    std::function<void(PrintSurface &, int page)> printPage = {};

    bool pagedAlone() const { return pageCount && printPage; }
};

struct PrintAction
{
    QString title;  // for the dialog and the progress
    int copies = 1; // the number of copies the print dialog starts with
    std::vector<PrintJob> jobs;
};

struct PrintOutcome
{
    enum class Status { Printed, Cancelled, Failed };
    Status status = Status::Printed;
    int sent = 0;  // documents completely handed to the printer or written to the file
    QString error; // for Failed: what went wrong, for the user

    bool printed() const { return status == Status::Printed; }
    bool cancelled() const { return status == Status::Cancelled; }
    bool failed() const { return status == Status::Failed; }
};

class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    // An action without documents returns at once, without asking anything.
    virtual PrintOutcome run(const PrintAction &action) = 0;
};

// Prints every document of the action on the surface, ending each. Before document i (from 0) proceed(i) is
// asked, and as each of its pages is begun pageProceed(i, page) (page from 1 within the document); false from
// either stops the run as cancelled, the document being printed unfinished. A printer or disk error stops it
// as failed. The outcome counts the documents ended.
PrintOutcome printJobs(PrintSurface &surface, const PrintAction &action,
                       const std::function<bool(int index)> &proceed = {},
                       const std::function<bool(int index, int page)> &pageProceed = {});
