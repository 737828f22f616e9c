#pragma once

#include "core/mailsender.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

// Records every message handed to it; answers from a scripted queue of outcomes (accepted when the queue is
// empty). A hook called before each answer lets a test stop the run there (throw Crash) as a kill would.
class RecordingMailSender final : public MailSender
{
public:
    std::vector<MailMessage> sent;  // every message the "server" accepted, in order
    std::vector<MailMessage> tried; // every message handed over, whatever the answer
    std::deque<MailOutcome> script;
    // Called with the message when the server has accepted it, before send() returns.
    std::function<void(const MailMessage &)> afterAccept;

    void failNext(MailOutcome::Kind kind, int code, const QString &answer, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            script.push_back({kind, code, answer});
    }

    MailOutcome send(const MailMessage &message) override
    {
        tried.push_back(message);
        MailOutcome outcome{MailOutcome::Kind::Accepted, 250, QStringLiteral("250 OK")};
        if (!script.empty()) {
            outcome = script.front();
            script.pop_front();
        }
        if (outcome.accepted()) {
            sent.push_back(message);
            if (afterAccept)
                afterAccept(message);
        }
        return outcome;
    }
};
