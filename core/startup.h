#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class DataFolder;

// The data side of starting and ending the program.
namespace Startup {

// Every folder the program keeps its files in, created in order where nothing of that name exists; for each
// customer's account number a folder under /AuxFiles with its six AuxFile folders. Throws DiskError naming
// a folder that could not be made. progress(done, total) follows the customers' folders as they are made.
using Progress = std::function<void(int done, int total)>;
// Stamped when the last complete look into every customer's folder began: a later start looks only into the
// account folders whose entries changed since.
inline const QString kAuxFoldersChecked = QStringLiteral("/VarnelDispatchDuzudu/AuxFolders.checked");
void createFolderTree(const DataFolder &folder, const QDate &today, const QStringList &accountNumbers = {},
                      const Progress &progress = {});

// The folders of createFolderTree but the customers' own: a moment, whatever the number of customers.
void createFixedFolders(const DataFolder &folder, const QDate &today);

// The customers' folders under /AuxFiles, made a few accounts at a time so that a first start on thousands of
// customers shows a menu that works at once. Each account's seven folders are made within one step, so nothing
// running between two steps sees an account's folder half made; whatever writes into a customer's folder makes
// it first anyway. A maker dropped before its last step leaves the rest to the next start.
class CustomerFolders
{
public:
    CustomerFolders(const DataFolder &folder, QStringList accountNumbers);
    ~CustomerFolders();
    CustomerFolders(const CustomerFolders &) = delete;
    CustomerFolders &operator=(const CustomerFolders &) = delete;

    // Looks into (and makes where missing) the folders of up to `accounts` more customers; true once every one
    // was looked into. Throws DiskError naming a folder that could not be made.
    bool step(int accounts);
    int done() const;
    int total() const;
    bool madeAny() const; // a folder made or mended so far: a first start, or customers new since the last

private:
    struct State;
    std::unique_ptr<State> d;
};

// The program counts as set up when /MyBusinessData.txt and /SlipNo.txt exist (or could be restored).
bool requiredFilesPresent(const DataFolder &folder);

// The files copied into /Backup at exit, in order: the settings files and the record files the record-file
// table marks (relative paths).
const QStringList &backupFiles();
// Copies each of them that exists into /Backup; a file that cannot be copied is passed over.
void backupDataFiles(const DataFolder &folder) noexcept;

} // namespace Startup
