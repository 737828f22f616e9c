#pragma once

#include "printing/documentinputs.h"

class DataFolder;
class Settings;

// The documents' plain inputs made from what the program keeps: the settings and the current items. The
// board, finalize and the data tool print through these; a slip's values come from dispatch/slipprintvalues.h.
namespace DocumentSource {

// The business data, the print settings (the logo found even in a moved data folder) and the current items.
DocumentInputs inputs(const DataFolder &folder, const Settings &settings, bool usaAddressStyle, const QDate &today);

} // namespace DocumentSource
