#include "platform/fakes/recordingprinttarget.h"

PrintOutcome RecordingPrintTarget::run(const PrintAction &action)
{
    if (action.jobs.empty())
        return {};
    ++dialogs;
    titles.push_back(action.title);
    if (cancelDialog)
        return {PrintOutcome::Status::Cancelled, 0, {}};
    return printJobs(
        surface, action,
        [&](int index) {
            jobNames.push_back(action.jobs[index].name);
            return true;
        },
        [&](int, int) {
            if (cancelAfterPages >= 0 && pagesBegun >= cancelAfterPages)
                return false;
            ++pagesBegun;
            if (onPage)
                onPage();
            return true;
        });
}
