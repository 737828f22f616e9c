#pragma once

#include <QString>

class DataFolder;

// The narrative file shared with the invoicing program: the contents of the slip whose invoice was printed
// last, as one line of text, so that the invoice made there carries the same description.
inline const QString kNarrativeFile = QStringLiteral("/VarnelInvoicer/Narratives/Narrative.txt");

// Leaves the slip contents in the narrative file as an invoice of the slip is printed. A file that cannot be
// written is let be: the invoice on paper matters more.
void writeInvoiceNarrative(const DataFolder &folder, const QString &contents);
