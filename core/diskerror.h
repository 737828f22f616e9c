#pragma once

#include <QString>
#include <stdexcept>

// A write that could not be completed. The message names the file and is meant for the user; whatever was
// stored before the failed write is still on disk.
class DiskError : public std::runtime_error
{
public:
    explicit DiskError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
