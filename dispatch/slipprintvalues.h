#pragma once

#include "printing/documentinputs.h"

class Record;

// A slip record as the documents print it. The board, the slip report and the data tool print through these.
namespace DocumentSource {

// A slip record's fields as the documents print them: trimmed texts, the date received as a short date.
SlipPrintValues slipValues(const Record &slip);

// A slip as the board's grid shows it, for the slip report.
SlipReportRow reportRow(const Record &slip);

} // namespace DocumentSource
