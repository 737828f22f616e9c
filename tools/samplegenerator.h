#pragma once

#include <QDate>
#include <QtGlobal>

class DataFolder;

// A sample data folder for trying the program out and for measuring it: customers with USA-style names,
// addresses and telephone numbers, a services catalogue, technicians and crews, active, completed and
// finalized slips, and the history, tax, journal, payment and per-account files that finalizing leaves,
// all consistent with one another. The same options give the same bytes.
struct GenerateOptions
{
    int customers = 200; // 0 .. 32767
    int slips = 300;     // across the active, completed and finalized slip files, 0 .. 32767
    int history = 1000;  // postings in the history files, 0 .. 100000
    int services = 30;   // 0 .. 255
    int assignments = 0; // 1 .. 1000; 0 chooses enough technicians and crews for the slips
    quint32 seed = 1;
    QDate today; // the day the folder is made for; required
};

namespace GenerateLimits {
inline constexpr int kCustomers = 32767;
inline constexpr int kSlips = 32767;
inline constexpr int kHistory = 100000;
inline constexpr int kServices = 255;
inline constexpr int kAssignments = 1000;
} // namespace GenerateLimits

// What was written.
struct GenerateSummary
{
    int customers = 0;
    int assignments = 0;
    int services = 0;
    int activeSlips = 0;
    int completedSlips = 0;
    int finalizedSlips = 0;
    int history = 0;
    int taxRecords = 0;
    int accountFiles = 0;
    int nextSlipNumber = 0;
    qint64 nextInvoiceNumber = 0;
};

// Writes the sample data into the folder, each file in one go: the folder tree, the record files and the
// settings files that make the folder "set up" (MyBusinessData.txt, SlipNo.txt above the highest slip
// number, VIInvoiceNo.txt, TaxSettings.txt). Meant for a new or empty folder: files of the same names are
// replaced, others are left alone. The per-customer folders under /AuxFiles are left to the program's start.
// Throws std::invalid_argument for options outside the limits (or slips and history without customers) and
// DiskError when a file cannot be written.
GenerateSummary generateSampleData(const DataFolder &folder, const GenerateOptions &options);
