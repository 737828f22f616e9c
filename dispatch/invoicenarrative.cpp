#include "dispatch/invoicenarrative.h"

#include "core/datafolder.h"
#include "core/diskerror.h"
#include "core/textfile.h"

void writeInvoiceNarrative(const DataFolder &folder, const QString &contents)
{
    try {
        TextWriter writer;
        writer.printLine(contents);
        // A working file: written anew for every invoice, so it need not wait for the disk.
        folder.writeFile(kNarrativeFile, writer.bytes(), DataFolder::Flush::Skip);
    } catch (const DiskError &) {
    }
}
