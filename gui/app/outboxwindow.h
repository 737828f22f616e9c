#pragma once

#include "billing/mailoutbox.h"

#include <QWidget>
#include <functional>
#include <vector>

class Clock;
class DataFolder;
class FlexGrid;
class Messages;
class QComboBox;
class QLabel;
class QPushButton;

// frmOutbox, "E-mail Outbox": every message the program was asked to send, per customer, waiting or sent, with
// the server's answer to each failure; a message can be cancelled or sent again. Read afresh from the outbox on
// every change, so that what it lists is what is on disk.
class OutboxWindow final : public QWidget
{
    Q_OBJECT
public:
    OutboxWindow(const DataFolder &folder, const Clock &clock, Messages &messages, QWidget *parent = nullptr);

    FlexGrid *grid() const { return m_grid; }
    // The message of a grid row (from 1), as listed.
    const OutboxEntry *entryOfRow(int row) const;

public slots:
    void reload();
    // The sending loop's progress: "Sending 3 of 12: ...".
    void showProgress(int done, int total, const QString &last);

signals:
    void sendRequested(); // Send Now, or a message put back to be sent
    void changed();       // a message was cancelled or put back

private:
    void sendAllNow();
    void cancelChosen();
    void sendChosenAgain();
    void onChosen(const std::function<Verdict(MailOutbox &, const QString &, const Answers &)> &step, bool thenSend);

    const DataFolder &m_folder;
    const Clock &m_clock;
    Messages &m_messages;
    std::vector<OutboxEntry> m_shown; // in grid order
    FlexGrid *m_grid = nullptr;
    QComboBox *m_customer = nullptr;
    QComboBox *m_show = nullptr;
    QLabel *m_summary = nullptr;
    QLabel *m_progress = nullptr;
};
