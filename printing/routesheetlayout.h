#pragma once

#include "dispatch/routesheet.h"
#include "printing/documentinputs.h"
#include "printing/printtarget.h"

#include <vector>

// The route sheet: the paper a technician takes out in the morning, the day's slips in time order, each with its
// time, slip number, priority, service location and telephone, customer and the service required.

// The pages of one technician's day, without ending the document: a heading on every page, the stops below it,
// a stop that would pass the foot of the page on the next.
void printRouteSheetPages(PrintSurface &surface, const DocumentInputs &inputs, const RouteSheetDay &day);
// One document per day.
PrintAction routeSheetAction(const DocumentInputs &inputs, const std::vector<RouteSheetDay> &days);
PrintOutcome printRouteSheet(PrintTarget &target, const DocumentInputs &inputs, const std::vector<RouteSheetDay> &days);
