#include "dispatch/newslip.h"

#include "core/clock.h"
#include "core/diskerror.h"
#include "core/formats.h"
#include "core/oledate.h"
#include "core/slipcounter.h"
#include "dispatch/servicesliprecord.h"
#include "dispatch/slipfiles.h"
#include "dispatch/slipstore.h"
#include "dispatch/slipvalues.h"
#include "dispatch/statusrules.h"

Record newSlipRecord(const Clock &clock)
{
    using namespace SlipField;
    Record slip(serviceSlipLayout());
    slip.setReal(DateReceived, OleDate::fromDate(clock.today()));
    slip.setText(Status, SlipValues::kOpen);
    slip.setText(SchedDate, SlipValues::kNoDate);
    slip.setText(SchedTime, SlipValues::kNoTime);
    slip.setText(Priority, SlipValues::priorities().front());
    slip.setText(Amount, Formats::currency(Money()));
    return slip;
}

void assignNewSlip(Record &slip, const QString &assignment)
{
    slip.setText(SlipField::AssignedTo, assignment);
    slip.setText(SlipField::Status, StatusRules::assigned(SlipValues::kOpen, assignment));
}

std::optional<QString> createSlip(const DataFolder &folder, SlipCounter &counter, Record &slip)
{
    if (auto why = counter.refusal())
        return why;
    const qint16 number = counter.next();
    slip.setInt16(SlipField::SlipNo, number);
    SlipStore(folder).append(slip);
    try {
        counter.advance(folder);
    } catch (const DiskError &e) {
        // The slip is stored under this number: the next slip must not get it again.
        counter.set(qint16(number + 1));
        throw DiskError(e.message() + QStringLiteral("\r\nService Slip %1 was stored.").arg(number));
    }
    return std::nullopt;
}
