#pragma once

#include "core/clock.h"
#include "core/seams.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <functional>

// Test doubles for the seams: they record what the program asked for and answer from scripts.

class FakeMessages final : public Messages
{
public:
    struct Shown
    {
        QString text;
        QString title;
        bool question = false;
    };

    void inform(const QString &text, const QString &title) override { shown.push_back({text, title, false}); }
    // Answers from the scripted queue; a question nobody scripted fails the running test.
    bool ask(const QString &text, const QString &title) override;
    // Answers from its own scripted queue, as ask() does.
    SaveAnswer askToSave(const QString &text, const QString &title) override;
    void beep() override { ++beeps; }

    void answer(bool yes) { answers.push_back(yes); }
    void answerSave(SaveAnswer answer) { saveAnswers.push_back(answer); }
    QString lastText() const { return shown.empty() ? QString() : shown.back().text; }
    QStringList texts() const;

    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<SaveAnswer> saveAnswers;
    int beeps = 0;
    // Called with each question as it is put, before its answer is read: what happens while it is on screen.
    std::function<void(const QString &text)> whileAsking;
};

// Answers Yes to every question and keeps nothing: for measuring a flow that asks, without a script.
class YesMessages final : public Messages
{
public:
    void inform(const QString &, const QString &) override {}
    bool ask(const QString &, const QString &) override { return true; }
    void beep() override {}
};

class FakeClipboard final : public Clipboard
{
public:
    void setText(const QString &t) override { text = t; }
    void clear() override { text.clear(); }
    QString text;
};

class FakeWebOpener final : public WebOpener
{
public:
    bool open(const QString &address) override
    {
        opened.append(address);
        return result;
    }
    QStringList opened;
    bool result = true;
};

class FakeChoosers final : public Choosers
{
public:
    std::optional<QString> openFile(const QString &, const QString &, const QString &) override { return nextFile; }
    std::optional<QString> saveFile(const QString &, const QString &, const QString &) override { return nextSaveFile; }
    std::optional<QString> folder(const QString &, const QString &) override { return nextFolder; }
    std::optional<quint32> colour(quint32, const QString &) override { return nextColour; }
    std::optional<QString> font(const QString &, const QString &) override { return nextFont; }
    std::optional<QString> nextFile;
    std::optional<QString> nextSaveFile;
    std::optional<QString> nextFolder;
    std::optional<quint32> nextColour;
    std::optional<QString> nextFont;
};

class MemoryLayoutStore final : public LayoutStore
{
public:
    QByteArray load(const QString &appKey, const QString &window) const override
    {
        return entries.value(appKey + QLatin1Char('/') + window);
    }
    void save(const QString &appKey, const QString &window, const QByteArray &geometry) override
    {
        entries.insert(appKey + QLatin1Char('/') + window, geometry);
    }
    QHash<QString, QByteArray> entries;
};

// All of them together, with a fixed clock.
struct FakePlatform
{
    FakeMessages messages;
    FixedClock clock;
    FakeClipboard clipboard;
    FakeWebOpener web;
    FakeChoosers choosers;
    MemoryLayoutStore layouts;
    Platform platform() { return Platform{messages, clock, clipboard, web, choosers, layouts}; }
};
