#include "gui/dispatch/routesheetdialog.h"

#include "core/datafolder.h"
#include "core/seams.h"
#include "dispatch/routesheet.h"
#include "gui/widgets/datebox.h"
#include "gui/widgets/widgets.h"
#include "printing/routesheetlayout.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <algorithm>

RouteSheetDialog::RouteSheetDialog(const QStringList &technicians, const QString &technician, const QDate &date,
                                   Messages &messages, const Clock &clock, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgRouteSheet"));
    setWindowTitle(QStringLiteral("Route Sheet"));
    m_technician = new QComboBox(this);
    m_technician->setObjectName(QStringLiteral("cboRouteTechnician"));
    m_technician->addItem(RouteSheet::kAllTechnicians);
    m_technician->addItems(technicians);
    m_technician->setCurrentIndex(std::max(0, m_technician->findText(technician)));
    m_date = new DateBox(QStringLiteral("dtpRouteDate"), messages, clock, this);
    m_date->setDate(date);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Technician"), m_technician);
    form->addRow(QStringLiteral("Day"), m_date);
    auto *buttons = new QHBoxLayout;
    auto *ok = Widgets::button(QStringLiteral("Print..."), QStringLiteral("cmdRouteSheet_0"), this);
    auto *cancel = Widgets::button(QStringLiteral("Cancel"), QStringLiteral("cmdRouteSheet_1"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (m_date->accept()) // a date still being typed counts, a wrong one is said and kept for correcting
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    form->addRow(buttons);
}

QString RouteSheetDialog::technician() const
{
    return m_technician->currentText();
}

QDate RouteSheetDialog::date() const
{
    return m_date->date();
}

PrintOutcome printRouteSheet(PrintTarget &target, Messages &messages, const DocumentInputs &inputs,
                             const DataFolder &folder, const std::vector<Record> *slips, const QStringList &technicians,
                             const QString &technician, const QDate &date)
{
    const std::vector<RouteSheetDay> sheets = slips ? RouteSheet::days(*slips, technicians, technician, date)
                                                    : RouteSheet::days(folder, technicians, technician, date);
    if (sheets.empty()) {
        messages.inform(RouteSheet::nothingScheduled(technician, date), QStringLiteral("Route Sheet"));
        return {PrintOutcome::Status::Cancelled, 0, {}};
    }
    return printRouteSheet(target, inputs, sheets);
}
