#pragma once

#include "printing/printtarget.h"

#include <QByteArray>

// A printing action as the bytes of one PDF file, made the way "Save as PDF" makes the file: the very pages the
// office prints, for an e-mail's attachment. Throws PrintError when the file cannot be made.
QByteArray pdfBytes(const PrintAction &action);
