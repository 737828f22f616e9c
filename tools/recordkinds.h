#pragma once

#include "core/recordlayout.h"

#include <QString>
#include <vector>

// The kinds of record file the data tool reads and writes, each with its layout and the file names it
// usually lives in.
struct RecordKind
{
    QString name; // as given to --kind: "slip", "customer" ...
    const RecordLayout *layout;
    QString files; // the usual files, for the help text
};

namespace RecordKinds {

const std::vector<RecordKind> &all();
// By its --kind name, in any letter case; nullptr when there is none.
const RecordKind *byName(const QString &name);
// From the file's usual name (any letter case), or from its folder for the per-account files under
// VIActiveAccounts; nullptr when the name says nothing.
const RecordKind *forFile(const QString &filePath);
// "slip, customer, ..." for messages.
QString nameList();

} // namespace RecordKinds
