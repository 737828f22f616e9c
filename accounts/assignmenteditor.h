#pragma once

#include "accounts/assignmentfile.h"
#include "accounts/recordbrowser.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Settings;

// The texts of the assignments screen's contact boxes. In the USA address style the city, state and postal
// boxes are used; in the international style "Address 3" and "Address 4" take their places.
struct AssignmentBoxes
{
    QString reference;
    QString name;
    QString address1;
    QString address2;
    QString city;
    QString state;
    QString postalCode;
    QString address3;
    QString address4;
    QString telephone;
    QString cell;
    QString textMsgNo;
    QString email;

    bool operator==(const AssignmentBoxes &) const = default;
};

// What a search of the assignments screen leads to.
struct AssignmentSearchOutcome
{
    enum class Kind {
        TooShort, // a telephone search needs a whole number: nothing searched
        NotFound, // ask whether to create a new assignment with the searched text as its telephone
        One,      // the one hit is now the current assignment
        Many,     // the rows go to the results panel
    };
    Kind kind = Kind::NotFound;
    QString searched; // trimmed, upper case
    std::vector<QStringList> rows;
};

// The state of the assignments screen without the window: the assignment count, the current assignment
// number, the new assignment not written yet, the city list. Every write reloads the pick lists of the
// dispatch screens (the shared assignment lists), so a new technician shows there at once. Disk failures
// come through as DiskError.
class AssignmentEditor
{
public:
    static constexpr int kPhoneSearchLength = 12; // a whole number such as 555-123-4567
    static inline const QString kPhoneSearchTooShort =
        QStringLiteral("Search by Telephone Number needs the whole number, such as 555-123-4567");

    // The part of the program's state the editor works with: the members of these names of the state object it
    // is given (the application's, or a test's).
    struct Shared
    {
        const DataFolder &folder;
        const Settings &settings;
        Record &currentAssignment;
        AssignmentLists &assignmentLists;
        const bool &usaAddressStyle;
        template <typename State>
        Shared(State &state)
            : folder(state.folder)
            , settings(state.settings)
            , currentAssignment(state.currentAssignment)
            , assignmentLists(state.assignmentLists)
            , usaAddressStyle(state.usaAddressStyle)
        {}
    };

    explicit AssignmentEditor(Shared state);

    // The screen is shown: counts the file and gathers its cities. With no assignment a first one is
    // started (returns true); its boxes come from startBoxes().
    bool activate();
    // The boxes a first assignment starts with: the business's city and postal code and the first seven
    // characters of its telephone (area code and exchange) followed by "-".
    AssignmentBoxes startBoxes() const;

    int count() const { return m_browser.count(); }
    int current() const { return m_browser.current(); }
    bool pendingNew() const { return m_browser.pendingNew(); }
    // Nothing on the screen: the last assignment was cancelled or deleted.
    bool empty() const { return m_browser.empty(); }
    const QStringList &cities() const { return m_cities; }
    bool usaStyle() const;

    // Reads the current assignment into the shared record; its boxes, trimmed.
    AssignmentBoxes show();
    // Stores the boxes as the current assignment (a blank reference takes the telephone). A record that did
    // not change is not written again; a new assignment left without a name is dropped instead of written
    // (returns false; the last stored assignment is then current).
    // `write` stores the record (WriteAssignment by default); a rename that must carry the active slips along
    // passes its own.
    using RecordWriter = std::function<void(int number, const Record &record)>;
    bool save(const AssignmentBoxes &boxes, const RecordWriter &write = {});
    // The trimmed name of the stored assignment on screen as it was read; empty for a new one.
    QString storedName() const;

    void first();
    void previous();
    void next(); // after the last comes the first
    void last();
    void select(int recordNumber);

    // Saves what is on screen when its name holds at least 2 characters, then starts a new assignment at
    // count + 1 whose boxes are blank but for the telephone.
    AssignmentBoxes startNew(const AssignmentBoxes &onScreen, const QString &telephone);
    // Drops the new assignment; the last stored one becomes current (none when the file is empty).
    void cancelNew();
    // Removes the current assignment. Removing the last one deletes the file and its Backup copy, so that
    // the program asks for an assignment again instead of showing a blank one.
    void deleteCurrent();

    // The search of the search panel: criterion 0 to 7 (AssignmentCriterion), the text as typed.
    AssignmentSearchOutcome search(AssignmentCriterion criterion, const QString &text);
    // Every assignment, for the complete list.
    std::vector<QStringList> completeList() const;

    static Record recordFromBoxes(const AssignmentBoxes &boxes, bool usaStyle);
    static AssignmentBoxes boxesFromRecord(const Record &record);

private:
    void stored();

    Shared m_state;
    RecordBrowser m_browser;
    QByteArray m_shownBytes; // the record as read, to tell whether a save changes anything
    QStringList m_cities;
};
