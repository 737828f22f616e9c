#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// Prints a data folder's documents into one PDF file: invoices and service orders of its active slips, the
// slip report, and blank forms. Needs a running QGuiApplication (fonts), but no screen.
struct RenderRequest
{
    QString root;
    QString document;                // invoice, order, slip-report or blank
    QString out;                     // the PDF file
    std::optional<QList<int>> slips; // slip numbers; all active slips when not given
    int count = 1;                   // blank forms
    bool dryRun = false;             // invoices: leave the stored invoice number as it is
    QDate today;
};

struct RenderResult
{
    bool ok = false;
    QString message; // what was printed, or what went wrong
    int documents = 0;
    int invoiceNumbersUsed = 0;
    QString note; // the invoice counter moved past numbers in use, for the user
};

RenderResult renderDocuments(const RenderRequest &request);
