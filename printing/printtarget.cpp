#include "printing/printtarget.h"

#include "core/diskerror.h"

PrintOutcome printJobs(PrintSurface &surface, const PrintAction &action, const std::function<bool(int index)> &proceed)
{
    PrintOutcome outcome;
    for (int i = 0; i < int(action.jobs.size()); ++i) {
        if (proceed && !proceed(i)) {
            outcome.status = PrintOutcome::Status::Cancelled;
            return outcome;
        }
        try {
            if (action.jobs[i].print)
                action.jobs[i].print(surface);
            surface.endDoc();
        } catch (const PrintError &e) {
            outcome.status = PrintOutcome::Status::Failed;
            outcome.error = e.message();
            return outcome;
        } catch (const DiskError &e) {
            outcome.status = PrintOutcome::Status::Failed;
            outcome.error = e.message();
            return outcome;
        }
        ++outcome.sent;
    }
    return outcome;
}

PrintOutcome RecordingPrintTarget::run(const PrintAction &action)
{
    if (action.jobs.empty())
        return {};
    ++dialogs;
    titles.push_back(action.title);
    if (cancelDialog)
        return {PrintOutcome::Status::Cancelled, 0, {}};
    return printJobs(surface, action, [&](int index) {
        jobNames.push_back(action.jobs[index].name);
        return true;
    });
}
