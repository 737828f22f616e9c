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
    m_count = folder.fileExists(AssignmentFile::kPath) ? assignmentCount(folder) : 0;
    if (m_count > 0) {
        addAssignmentCities(folder, m_cities);
        // A new assignment still waiting on screen keeps its place; otherwise stay inside the file.
        if (m_pending)
            m_count += 1;
        m_current = std::clamp(m_current, 1, m_count);
        return false;
    }
    m_count = 1;
    m_current = 1;
    m_pending = true;
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
    if (m_current < 1)
        return {};
    if (m_pending && m_current == m_count) {
        m_state.currentAssignment = Record(assignmentLayout());
        m_shownBytes.clear();
        return {};
    }
    ReadAssignment(m_state.folder, m_current, m_state.currentAssignment);
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
    if (m_shownBytes.isEmpty() || (m_pending && m_current == m_count))
        return {};
    return Record(assignmentLayout(), m_shownBytes).text(AssignmentField::Name);
}

bool AssignmentEditor::save(const AssignmentBoxes &boxes, const RecordWriter &write)
{
    if (m_current < 1)
        return true;
    const bool newOne = m_pending && m_current == m_count;
    if (newOne && boxes.name.trimmed().isEmpty()) {
        // Nothing worth keeping was typed: a nameless record would only put a blank line in the pick lists.
        cancelNew();
        return false;
    }
    Record record = recordFromBoxes(boxes, usaStyle());
    if (!newOne && record.bytes() == m_shownBytes)
        return true;
    if (write)
        write(m_current, record);
    else
        WriteAssignment(m_state.folder, m_current, record);
    m_state.currentAssignment = record;
    m_shownBytes = record.bytes();
    m_pending = false;
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
    if (m_count > 0)
        m_current = 1;
}

void AssignmentEditor::previous()
{
    if (m_current > 1)
        --m_current;
}

void AssignmentEditor::next()
{
    if (m_count > 0)
        m_current = m_current < m_count ? m_current + 1 : 1;
}

void AssignmentEditor::last()
{
    if (m_count > 0)
        m_current = m_count;
}

void AssignmentEditor::select(int recordNumber)
{
    if (recordNumber >= 1 && recordNumber <= m_count)
        m_current = recordNumber;
}

AssignmentBoxes AssignmentEditor::startNew(const AssignmentBoxes &onScreen, const QString &telephone)
{
    if (onScreen.name.trimmed().size() >= 2)
        save(onScreen);
    else if (m_pending && m_current == m_count)
        cancelNew(); // a new one without a name gives way to the next
    m_count = std::max(0, m_count) + 1;
    m_current = m_count;
    m_pending = true;
    m_shownBytes.clear();
    m_state.currentAssignment = Record(assignmentLayout());
    AssignmentBoxes boxes;
    boxes.telephone = telephone;
    return boxes;
}

void AssignmentEditor::cancelNew()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_count = std::max(0, m_count - 1);
    m_current = m_count;
    m_shownBytes.clear();
}

void AssignmentEditor::deleteCurrent()
{
    if (m_current < 1)
        return;
    if (m_pending && m_current == m_count) {
        cancelNew();
        return;
    }
    const AssignmentDeletion after = DeleteAssignment(m_state.folder, m_current);
    m_count = assignmentCount(m_state.folder);
    if (m_count == 0) {
        m_state.folder.deleteWithBackup(AssignmentFile::kPath);
        m_current = 0;
    } else {
        m_current = std::min(after.current, m_count);
    }
    m_pending = false;
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
        m_current = outcome.rows.front().value(6).toInt();
    } else {
        outcome.kind = AssignmentSearchOutcome::Kind::Many;
    }
    return outcome;
}

std::vector<QStringList> AssignmentEditor::completeList() const
{
    return SearchAssignments(m_state.folder, AssignmentCriterion::All, QStringLiteral("ALL"));
}
