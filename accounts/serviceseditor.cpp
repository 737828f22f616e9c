#include "accounts/serviceseditor.h"

#include "accounts/servicerecord.h"
#include "core/formats.h"

#include <utility>

ServicesEditor::ServicesEditor(DataFolder folder)
    : m_folder(std::move(folder))
{}

void ServicesEditor::load()
{
    m_rows = m_folder.fileExists(ServiceCatalogue::kPath) ? LoadCatalogue(m_folder) : std::vector<CatalogueRow>{};
    m_mode = Mode::Browsing;
    m_selected = -1;
}

void ServicesEditor::select(int index)
{
    m_selected = index >= 0 && index < int(m_rows.size()) ? index : -1;
}

ServicesEditor::Refusal ServicesEditor::startAdd()
{
    if (addServiceRefusal(int(m_rows.size())))
        return Refusal::Full;
    m_mode = Mode::Adding;
    return Refusal::None;
}

std::optional<ServicesEditor::Boxes> ServicesEditor::startModify()
{
    if (m_selected < 0)
        return std::nullopt;
    const CatalogueRow &row = m_rows[std::size_t(m_selected)];
    m_mode = Mode::Modifying;
    const int time = int(ServiceCatalogue::timeList().indexOf(row.time));
    return Boxes{row.description, row.charge, ServiceCatalogue::usableTimeIndex(time)};
}

void ServicesEditor::cancel()
{
    m_mode = Mode::Browsing;
}

std::optional<QString> ServicesEditor::checkedCharge(const QString &typed)
{
    const auto amount = Formats::parseCurrency(typed);
    if (!amount || *amount < Money())
        return std::nullopt;
    const QString shown = Formats::currency(*amount);
    if (shown.size() > serviceLayout().size(ServiceField::Charge))
        return std::nullopt;
    return shown;
}

ServicesEditor::Refusal ServicesEditor::saveService(const QString &description, const QString &charge, int timeIndex)
{
    if (m_mode == Mode::Browsing)
        return Refusal::None;
    if (description.trimmed().isEmpty())
        return Refusal::BlankDescription;
    if (charge.trimmed().isEmpty())
        return Refusal::BlankCharge;
    const std::optional<QString> shown = checkedCharge(charge);
    if (!shown)
        return Refusal::BadCharge;
    const CatalogueRow row{description.trimmed(), *shown,
                           ServiceCatalogue::timeList().at(ServiceCatalogue::usableTimeIndex(timeIndex))};
    if (m_mode == Mode::Adding) {
        if (addServiceRefusal(int(m_rows.size())))
            return Refusal::Full;
        m_rows.push_back(row);
        m_selected = -1;
    } else if (m_selected >= 0) {
        m_rows[std::size_t(m_selected)] = row;
    } else {
        return Refusal::None;
    }
    m_mode = Mode::Browsing;
    write();
    return Refusal::None;
}

bool ServicesEditor::deleteSelected()
{
    if (m_selected < 0)
        return false;
    m_rows.erase(m_rows.begin() + m_selected);
    m_selected = -1;
    m_mode = Mode::Browsing;
    write();
    return true;
}

bool ServicesEditor::moveSelected(int step)
{
    const int to = m_selected + step;
    if (m_selected < 0 || to < 0 || to >= int(m_rows.size()))
        return false;
    std::swap(m_rows[std::size_t(m_selected)], m_rows[std::size_t(to)]);
    m_selected = to;
    write();
    return true;
}

void ServicesEditor::write()
{
    m_unsaved = true;
    // The rows never pass the limit (adding is refused first), so the catalogue takes them all.
    SaveCatalogue(m_folder, m_rows);
    m_unsaved = false;
}

void ServicesEditor::flush()
{
    if (m_unsaved)
        write();
}
