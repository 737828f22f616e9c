#include "accounts/customernotes.h"

#include "core/settings.h"


CustomerNotes::CustomerNotes(const DataFolder &folder)
    : m_folder(folder)
{}

QStringList CustomerNotes::statesList() const
{
    return Settings::loadStatesList(m_folder).mid(0, Settings::kStatesListSize);
}

AuxData::Texts CustomerNotes::headings() const
{
    return AuxData::loadHeadings(m_folder);
}

void CustomerNotes::saveHeadings(const AuxData::Texts &headings) const
{
    AuxData::saveHeadings(m_folder, headings);
}

AuxData::Texts CustomerNotes::load(const QString &acctNo)
{
    m_stored = AuxData::loadBoxes(m_folder, acctNo);
    m_account = acctNo;
    m_held = !acctNo.trimmed().isEmpty();
    return m_stored;
}

void CustomerNotes::carry(const QString &acctNo, const AuxData::Texts &onScreen)
{
    m_account = acctNo;
    m_held = !acctNo.trimmed().isEmpty();
    m_stored = onScreen;
}

void CustomerNotes::save(const AuxData::Texts &onScreen)
{
    if (!m_held)
        return;
    AuxData::saveBoxes(m_folder, m_account, onScreen);
    m_stored = onScreen;
}

bool CustomerNotes::changed(const AuxData::Texts &onScreen) const
{
    return m_held && onScreen != m_stored;
}

bool CustomerNotes::saveIfChanged(const AuxData::Texts &onScreen)
{
    if (!changed(onScreen))
        return false;
    save(onScreen);
    return true;
}

void CustomerNotes::release()
{
    m_held = false;
    m_account.clear();
    m_stored = {};
}

bool CustomerNotes::hasNotes(const QString &acctNo) const
{
    return AuxData::hasText(m_folder, acctNo);
}

void CustomerNotes::remove(const QString &acctNo) const
{
    AuxData::removeBoxes(m_folder, acctNo);
}
