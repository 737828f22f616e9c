#pragma once

#include "core/recordlayout.h"
#include "printing/documentinputs.h"

class DataFolder;
class Settings;

// The documents' plain inputs made from what the program keeps: the settings, the slip records and the
// current items. The board, finalize and the data tool print through these.
namespace DocumentSource {

// The business data, the print settings (the logo found even in a moved data folder) and the current items.
DocumentInputs inputs(const DataFolder &folder, const Settings &settings, bool usaAddressStyle, const QDate &today);

// A slip record's fields as the documents print them: trimmed texts, the date received as a short date.
SlipPrintValues slipValues(const Record &slip);

// A slip as the board's grid shows it, for the slip report.
SlipReportRow reportRow(const Record &slip);

} // namespace DocumentSource
