#pragma once

#include "accounts/recordfile.h"

#include <QString>
#include <QStringList>
#include <vector>

// The customer file /CustomerData.txt: 328-byte customer records in the order they were created; a deletion
// closes the gap. The customer screen keeps the current customer record (the application's); the operations here
// read into it and write from it, and the scans leave it alone.
namespace CustomerFile {
inline const QString kPath = QStringLiteral("/CustomerData.txt");
inline const QString kTemporary = QStringLiteral("/CUSTOMER.TMP");
// The file as a record file: its count, one record read or checked for a write, a deletion.
const RecordFile &records();
inline const QString kBalanceFolder = QStringLiteral("/VIActiveAccounts/");
inline const QString kBusiness = QStringLiteral("Business");
inline const QString kIndividual = QStringLiteral("Individual");

// What the search panel says when nothing matches.
inline const QString kNoMatch = QStringLiteral("No Customer Record meets this Criteria");
inline const QString kNoMatchTitle = QStringLiteral("Customer not Found");

// Every customer's account number, trimmed, in file order; read a block at a time, never the whole file at once.
QStringList accountNumbers(const DataFolder &folder);

} // namespace CustomerFile

// The search criteria: the field searched, or every record.
enum class CustomerCriterion : int {
    Name = 0,
    Address1 = 1,
    Address2 = 2,
    City = 3,
    State = 4,
    Address4 = 5,
    Telephone = 6,
    LastName = 7,
    AcctNo = 8,
    All = 10,
};

// The number of records (restored from /Backup when the file is missing); 0 without a file.
int customerCount(const DataFolder &folder);

// Record n (from 1) into the current record; a number beyond the file gives a blank record.
void ReadCustomer(const DataFolder &folder, int number, Record &current);
// The current record as record n, through the crash journal (customerwrite.h); the record after the last one
// appends. Throws DiskError.
void WriteCustomer(const DataFolder &folder, int number, const Record &current);
// The record a new account starts from: all text blank, the reserved numbers zero.
Record newCustomerRecord();

// Title, first name and last name, each trimmed and only when not empty, joined by one blank.
QString personName(const Record &customer);
// A business by its trimmed name, everyone else by the person name.
QString displayName(const Record &customer);
// The name list's text: a business by its trimmed name, everyone else as "Last, First".
QString CustomerListKey(const Record &customer);

// The customer screen's name list with the record number behind each entry, and its city list, from one pass
// over the file. Both sorted alphabetically (case ignored; equal keys in file order); a city appears once.
struct CustomerNameEntry
{
    QString key;
    int recordNumber = 0;
    QByteArray folded; // the key's stored bytes in upper case: the list's order and the completion's lookup
};
struct CustomerNameList
{
    std::vector<CustomerNameEntry> names;
    QStringList cities;
};
CustomerNameList loadCustomerNames(const DataFolder &folder);
// A text's stored bytes in upper case, compared byte by byte: the name list is sorted by it and a typed prefix
// is looked up with it. A character the files cannot hold folds to '?'.
QByteArray foldedNameKey(const QString &text);
// Puts an entry into the sorted list at its place (after the entries of an equal key).
void insertSorted(std::vector<CustomerNameEntry> &names, CustomerNameEntry entry);

// True when a record other than `currentRecord` has exactly this account number (trimmed field, case counts,
// the text itself is not trimmed).
bool FindDuplicateAcctNo(const DataFolder &folder, const QString &acctNo, int currentRecord);

// Deletes record `currentRecord` and the account's balance file in /VIActiveAccounts with its Backup copy
// (`acctNo` as on screen; a number that cannot be a file name deletes no file). The rest of the records keep
// their order; the file's Backup copy goes. Returns the screen's new count (never below 1) and the record it
// shows next. The account's folder under /AuxFiles stays.
using CustomerDeletion = RecordFile::Deletion;
CustomerDeletion DeleteCustomer(const DataFolder &folder, int currentRecord, const QString &acctNo);

// One search hit as the results grid shows it.
struct CustomerMatch
{
    QString displayName;
    QString telephone;
    QString recordNumber;
};
// The records whose field of the criterion, trimmed and in upper case, contains `text` (which the caller
// passes trimmed; it is compared in upper case), in file order; every record for CustomerCriterion::All.
std::vector<CustomerMatch> SearchCustomers(const DataFolder &folder, CustomerCriterion criterion, const QString &text);
