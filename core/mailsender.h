#pragma once

#include "core/mailmessage.h"

#include <QString>
#include <atomic>

// What the mail server made of one message.
struct MailOutcome
{
    enum class Kind {
        Accepted,   // the server took it (250 after the message's data)
        RetryLater, // refused for now: a 4xx answer, no server, a connection lost; try again later
        Refused,    // refused for good: a 5xx answer; trying again will not help
        Unknown     // the message went out whole but no answer came: the server may have it, so it is not
                    // sent again unless the office says so
    };
    Kind kind = Kind::RetryLater;
    int code = 0;   // the server's last reply code; 0 when there was none
    QString answer; // what the server said (or why there was no answer), one line
    // The answer concerns the server or the office's setup (no connection, closing down, the login or the
    // sender refused), not this message: the other messages would fare the same.
    bool affectsAll = false;

    bool accepted() const { return kind == Kind::Accepted; }
};

// The way out to the office's mail server: the libcurl adapter in the program (platform/curlmailsender.h), a
// recording double in tests (platform/fakes/recordingmailsender.h). An object is used by one thread at a time.
class MailSender
{
public:
    virtual ~MailSender() = default;
    // Sends one message whose headers passed Mail::headerProblem(); waits for the server's answer (with
    // time limits) and never throws.
    virtual MailOutcome send(const MailMessage &message) = 0;
    // A flag that, once set, gives up a send that has not yet begun to hand over the message (put off, "stopped"),
    // so that a stop or the program's end need not wait for a slow server. A message under way is finished.
    virtual void setStopFlag(const std::atomic_bool *stop) { (void)stop; }
};
