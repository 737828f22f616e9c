#pragma once

#include "core/recordlayout.h"
#include "printing/printtarget.h"

#include <QDate>
#include <QDialog>
#include <vector>

class Clock;
class DataFolder;
class Messages;
class QComboBox;
class DateBox;
struct DocumentInputs;

// "Route Sheet...": which technician (or all of them) and which day.
class RouteSheetDialog final : public QDialog
{
    Q_OBJECT
public:
    // The list holds "All Technicians" first, then the names; `technician` is chosen when it is among them.
    RouteSheetDialog(const QStringList &technicians, const QString &technician, const QDate &date, Messages &messages,
                     const Clock &clock, QWidget *parent = nullptr);
    QString technician() const; // "All Technicians" for all
    QDate date() const;

private:
    QComboBox *m_technician = nullptr;
    DateBox *m_date = nullptr;
};

// The route sheet of `technician` ("All Technicians" or empty: a page for each technician with a slip) on `date`,
// printed through the target like the board's other documents. The slips are the given working copy, or the
// stored active slips when `slips` is null. With no slip to print it says so and prints nothing.
PrintOutcome printRouteSheet(PrintTarget &target, Messages &messages, const DocumentInputs &inputs,
                             const DataFolder &folder, const std::vector<Record> *slips, const QStringList &technicians,
                             const QString &technician, const QDate &date);
