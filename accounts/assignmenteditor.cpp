#include "accounts/assignmenteditor.h"

#include "accounts/assignmentrecord.h"
#include "core/datafolder.h"
#include "core/settings.h"

#include <algorithm>

AssignmentEditor::AssignmentEditor(Shared state)
    : m_state(state)
{}

bool AssignmentEditor::usaStyle() const
{
    return m_state.usaAddressStyle;
}

bool AssignmentEditor::activate()
{
    const DataFolder &folder = m_state.folder;
    const int stored = folder.fileExists(AssignmentFile::kPath) ? assignmentCount(folder) : 0;
    if (stored > 0) {
        addAssignmentCities(folder, m_cities);
        // A new assignment still waiting on screen keeps its place.
        m_browser.open(stored, true);
        return false;
    }
    m_browser.open(0, false);
    m_browser.startNew();
    m_shownBytes.clear();
    m_state.currentAssignment = Record(assignmentLayout());
    return true;
}

AssignmentBoxes AssignmentEditor::startBoxes() const
{
    AssignmentBoxes boxes;
    const Settings::Business &business = m_state.settings.business;
    boxes.city = business[BusinessField::City].trimmed();
    boxes.postalCode = business[BusinessField::PostalCode].trimmed();
    boxes.address3 = boxes.city;
    boxes.address4 = boxes.postalCode;
    boxes.telephone = business[BusinessField::Telephone].trimmed().left(7) + QLatin1Char('-');
    return boxes;
}

AssignmentBoxes AssignmentEditor::show()
{
    if (m_browser.empty())
        return {};
    if (m_browser.onNew()) {
        m_state.currentAssignment = Record(assignmentLayout());
        m_shownBytes.clear();
        return {};
    }
    ReadAssignment(m_state.folder, m_browser.current(), m_state.currentAssignment);
    m_shownBytes = m_state.currentAssignment.bytes();
    return boxesFromRecord(m_state.currentAssignment);
}

Record AssignmentEditor::recordFromBoxes(const AssignmentBoxes &boxes, bool usaStyle)
{
    using namespace AssignmentField;
    Record r(assignmentLayout());
    r.setText(Reference, boxes.reference.isEmpty() ? boxes.telephone : boxes.reference);
    r.setText(Name, boxes.name);
    r.setText(Address1, boxes.address1);
    r.setText(Address2, boxes.address2);
    if (usaStyle) {
        r.setText(City, boxes.city);
        r.setText(State, boxes.state);
        r.setText(PostalCode, boxes.postalCode);
    } else {
        r.setText(City, boxes.address3);
        r.setText(State, QString());
        r.setText(PostalCode, boxes.address4);
    }
    r.setText(Telephone, boxes.telephone);
    r.setText(Cell, boxes.cell);
    r.setText(TextMsgNo, boxes.textMsgNo);
    r.setText(Email, boxes.email);
    return r;
}

AssignmentBoxes AssignmentEditor::boxesFromRecord(const Record &r)
{
    using namespace AssignmentField;
    AssignmentBoxes b;
    b.reference = r.text(Reference);
    b.name = r.text(Name);
    b.address1 = r.text(Address1);
    b.address2 = r.text(Address2);
    b.city = r.text(City);
    b.state = r.text(State);
    b.postalCode = r.text(PostalCode);
    b.address3 = b.city;
    b.address4 = b.postalCode;
    b.telephone = r.text(Telephone);
    b.cell = r.text(Cell);
    b.textMsgNo = r.text(TextMsgNo);
    b.email = r.text(Email);
    return b;
}

QString AssignmentEditor::storedName() const
{
    if (m_shownBytes.isEmpty() || m_browser.onNew())
        return {};
    return Record(assignmentLayout(), m_shownBytes).text(AssignmentField::Name);
}

bool AssignmentEditor::save(const AssignmentBoxes &boxes, const RecordWriter &write)
{
    if (m_browser.empty())
        return true;
    const bool newOne = m_browser.onNew();
    if (newOne && boxes.name.trimmed().isEmpty()) {
        // Nothing worth keeping was typed: a nameless record would only put a blank line in the pick lists.
        cancelNew();
        return false;
    }
    Record record = recordFromBoxes(boxes, usaStyle());
    if (!newOne && record.bytes() == m_shownBytes)
        return true;
    if (write)
        write(m_browser.current(), record);
    else
        WriteAssignment(m_state.folder, m_browser.current(), record);
    m_state.currentAssignment = record;
    m_shownBytes = record.bytes();
    m_browser.newStored();
    const QString city = (usaStyle() ? boxes.city : boxes.address3).trimmed();
    if (!city.isEmpty() && !m_cities.contains(city))
        m_cities.append(city);
    stored();
    return true;
}

void AssignmentEditor::stored()
{
    m_state.assignmentLists = LoadAssignmentLists(m_state.folder);
}

void AssignmentEditor::first()
{
    m_browser.go(RecordBrowser::Move::First);
}

void AssignmentEditor::previous()
{
    m_browser.go(RecordBrowser::Move::Previous);
}

void AssignmentEditor::next()
{
    m_browser.go(RecordBrowser::Move::Next);
}

void AssignmentEditor::last()
{
    m_browser.go(RecordBrowser::Move::Last);
}

void AssignmentEditor::select(int recordNumber)
{
    m_browser.select(recordNumber);
}

AssignmentBoxes AssignmentEditor::startNew(const AssignmentBoxes &onScreen, const QString &telephone)
{
    if (onScreen.name.trimmed().size() >= 2)
        save(onScreen);
    else if (m_browser.onNew())
        cancelNew(); // a new one without a name gives way to the next
    m_browser.startNew();
    m_shownBytes.clear();
    m_state.currentAssignment = Record(assignmentLayout());
    AssignmentBoxes boxes;
    boxes.telephone = telephone;
    return boxes;
}

void AssignmentEditor::cancelNew()
{
    if (m_browser.cancelNew())
        m_shownBytes.clear();
}

void AssignmentEditor::deleteCurrent()
{
    if (m_browser.empty())
        return;
    if (m_browser.onNew()) {
        cancelNew();
        return;
    }
    const AssignmentDeletion after = DeleteAssignment(m_state.folder, m_browser.current());
    const int left = assignmentCount(m_state.folder);
    if (left == 0) {
        m_state.folder.deleteWithBackup(AssignmentFile::kPath);
        m_browser.removed(0, 0);
    } else {
        m_browser.removed(left, std::min(after.current, left));
    }
    stored();
}

AssignmentSearchOutcome AssignmentEditor::search(AssignmentCriterion criterion, const QString &text)
{
    AssignmentSearchOutcome outcome;
    outcome.searched = text.trimmed().toUpper();
    if (criterion == AssignmentCriterion::Telephone && outcome.searched.size() < kPhoneSearchLength) {
        outcome.kind = AssignmentSearchOutcome::Kind::TooShort;
        return outcome;
    }
    outcome.rows = SearchAssignments(m_state.folder, criterion, outcome.searched);
    if (outcome.rows.empty()) {
        outcome.kind = AssignmentSearchOutcome::Kind::NotFound;
    } else if (outcome.rows.size() == 1) {
        outcome.kind = AssignmentSearchOutcome::Kind::One;
        m_browser.setCurrent(outcome.rows.front().value(6).toInt());
    } else {
        outcome.kind = AssignmentSearchOutcome::Kind::Many;
    }
    return outcome;
}

std::vector<QStringList> AssignmentEditor::completeList() const
{
    return SearchAssignments(m_state.folder, AssignmentCriterion::All, QStringLiteral("ALL"));
}
