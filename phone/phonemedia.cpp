#include "phone/phonemedia.h"

#include "core/clock.h"
#include "core/datafolder.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipvalues.h"

#include <mutex>

using namespace SlipField;
using namespace SlipValues;

namespace {

struct Found
{
    Record slip{serviceSlipLayout()};
    bool open = false; // on the board and not complete
};

// The technician's slip of that number: among the active slips, else among the completed ones (the newest).
std::optional<Found> technicianSlip(const DataFolder &folder, const QString &technician, qint16 slipNo)
{
    const QString name = technician.trimmed();
    if (name.isEmpty())
        return std::nullopt;
    for (const Record &r : LoadActiveSlips(folder)) {
        if (r.int16(SlipNo) == slipNo)
            return r.text(AssignedTo) == name
                       ? std::optional<Found>(Found{r, r.text(Status) != kComplete && r.text(Status) != kFinalized})
                       : std::nullopt;
    }
    const std::vector<Record> completed = folder.readRecords(SlipFiles::kCompleted, serviceSlipLayout());
    for (auto r = completed.rbegin(); r != completed.rend(); ++r) {
        if (r->int16(SlipNo) == slipNo)
            return r->text(AssignedTo) == name ? std::optional<Found>(Found{*r, false}) : std::nullopt;
    }
    return std::nullopt;
}

// One store at a time, whichever thread the host runs it on: two photos of a slip never take the same name.
std::mutex storing;

SlipMedia::Added notYours(qint16 slipNo)
{
    SlipMedia::Added refused;
    refused.refusal = QStringLiteral("Slip %1 is not among your active slips").arg(slipNo);
    return refused;
}

SlipMedia::Check unlessComplete(bool open, const QString &refusal, const SlipMedia::Check &check)
{
    return [=]() -> std::optional<QString> {
        if (!open)
            return refusal;
        return check ? check() : std::nullopt;
    };
}

} // namespace

namespace PhoneMedia {

QString completeNoPhotos()
{
    return QStringLiteral("This slip is complete; it takes no more pictures.");
}

QString completeNoSignature()
{
    return QStringLiteral("This slip is complete; it takes no signature now.");
}

SlipMedia::Added addPhoto(const DataFolder &folder, const Clock &clock, const Upload &upload,
                          const SlipMedia::Check &check)
{
    const std::lock_guard one(storing);
    const auto found = technicianSlip(folder, upload.technician, upload.slipNo);
    if (!found)
        return notYours(upload.slipNo);
    return SlipMedia::addPhoto(folder, found->slip.text(AcctNo), upload.slipNo, upload.bytes,
                               upload.technician.trimmed(), clock.now(), upload.id,
                               unlessComplete(found->open, completeNoPhotos(), check));
}

SlipMedia::Added addSignature(const DataFolder &folder, const Clock &clock, const Upload &upload,
                              const SlipMedia::Check &check)
{
    const std::lock_guard one(storing);
    const auto found = technicianSlip(folder, upload.technician, upload.slipNo);
    if (!found)
        return notYours(upload.slipNo);
    return SlipMedia::addSignature(folder, found->slip.text(AcctNo), upload.slipNo, upload.bytes, upload.signer,
                                   upload.technician.trimmed(), clock.now(), upload.id,
                                   unlessComplete(found->open, completeNoSignature(), check));
}

} // namespace PhoneMedia
