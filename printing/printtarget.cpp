#include "printing/printtarget.h"

#include "core/diskerror.h"

namespace {

// Keeps the page gate on the surface for the length of a run.
class PageGateScope
{
public:
    PageGateScope(PrintSurface &surface, std::function<bool(int page)> gate)
        : m_surface(surface)
    {
        m_surface.setPageGate(std::move(gate));
    }
    ~PageGateScope() { m_surface.setPageGate({}); }
    PageGateScope(const PageGateScope &) = delete;
    PageGateScope &operator=(const PageGateScope &) = delete;

private:
    PrintSurface &m_surface;
};

} // namespace

PrintOutcome printJobs(PrintSurface &surface, const PrintAction &action, const std::function<bool(int index)> &proceed,
                       const std::function<bool(int index, int page)> &pageProceed)
{
    PrintOutcome outcome;
    int current = 0;
    PageGateScope gate(surface, pageProceed
                                    ? std::function<bool(int)>([&](int page) { return pageProceed(current, page); })
                                    : std::function<bool(int)>());
    for (int i = 0; i < int(action.jobs.size()); ++i) {
        current = i;
        if (proceed && !proceed(i)) {
            outcome.status = PrintOutcome::Status::Cancelled;
            return outcome;
        }
        try {
            if (action.jobs[i].print)
                action.jobs[i].print(surface);
            surface.endDoc();
        } catch (const PrintCancelled &) {
            outcome.status = PrintOutcome::Status::Cancelled;
            return outcome;
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
