#pragma once

#include "printing/printblocks.h"
#include "printing/printtarget.h"

// The blank invoice form, filled in by hand: the invoice frame with the header fields and item headings left
// empty.

// The one page of a blank form, without ending the document.
void printBlankFormPage(PrintSurface &surface, const DocumentInputs &inputs);
// count forms, each a document of its own; none for a count below 1.
PrintAction blankFormsAction(const DocumentInputs &inputs, int count);
PrintOutcome printBlankForms(PrintTarget &target, const DocumentInputs &inputs, int count);

// The setup screen's logo sample: a portrait page with the logo as the invoices print it.
PrintAction logoSampleAction(const DocumentInputs &inputs);
