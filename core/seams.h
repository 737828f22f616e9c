#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class Clock;

// The program's ways out to the desktop. Screens use these interfaces; the program passes the Qt
// implementations (qtseams.h), tests pass the doubles of platform/fakes.

class Messages
{
public:
    virtual ~Messages() = default;
    // A plain message box with an OK button.
    virtual void inform(const QString &text, const QString &title) = 0;
    // A Yes/No question; true for Yes.
    virtual bool ask(const QString &text, const QString &title) = 0;
    // A question about work not saved, answered Save, Don't Save or Cancel (Escape is Cancel). Where only Yes/No
    // can be put, Yes saves and No gives the work up.
    enum class SaveAnswer { Save, DontSave, Cancel };
    virtual SaveAnswer askToSave(const QString &text, const QString &title)
    {
        return ask(text, title) ? SaveAnswer::Save : SaveAnswer::DontSave;
    }
    virtual void beep() = 0;
};

class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void setText(const QString &text) = 0;
    virtual void clear() = 0;
};

class WebOpener
{
public:
    virtual ~WebOpener() = default;
    // Hands a web address or a local file to the system's opener; false when nothing could open it.
    virtual bool open(const QString &address) = 0;
};

class Choosers
{
public:
    virtual ~Choosers() = default;
    // A file to open; nothing when the user cancelled.
    virtual std::optional<QString> openFile(const QString &title, const QString &folder, const QString &filter) = 0;
    // A file to write, starting from a suggested path; nothing when the user cancelled.
    virtual std::optional<QString> saveFile(const QString &title, const QString &suggested, const QString &filter) = 0;
    // A folder; nothing when the user cancelled.
    virtual std::optional<QString> folder(const QString &title, const QString &start) = 0;
    // A colour as red + 256 * green + 65536 * blue.
    virtual std::optional<quint32> colour(quint32 initial, const QString &title) = 0;
    // A font family name.
    virtual std::optional<QString> font(const QString &initialFamily, const QString &title) = 0;
};

// Where the windows keep their size and position between runs: under an application key, one entry per window.
class LayoutStore
{
public:
    virtual ~LayoutStore() = default;
    virtual QByteArray load(const QString &appKey, const QString &window) const = 0;
    virtual void save(const QString &appKey, const QString &window, const QByteArray &geometry) = 0;
    // A window's other choices kept for the next session (how a list is sorted and filtered), by name.
    virtual QByteArray loadChoice(const QString &appKey, const QString &window, const QString &name) const
    {
        return load(appKey, window + QLatin1Char('.') + name);
    }
    virtual void saveChoice(const QString &appKey, const QString &window, const QString &name, const QByteArray &value)
    {
        save(appKey, window + QLatin1Char('.') + name, value);
    }
};

// Everything the screens reach outside the program through, owned by the application.
struct Platform
{
    Messages &messages;
    Clock &clock;
    Clipboard &clipboard;
    WebOpener &web;
    Choosers &choosers;
    LayoutStore &layouts;
};
