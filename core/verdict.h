#pragma once

#include "core/seams.h"

#include <QString>
#include <optional>
#include <utility>
#include <vector>

// What an action of the program's logic decided, for a window to carry out with the user. The logic asks and
// tells nothing itself: it answers with a Yes/No question to put first, or with its outcome. An action that asks
// is called again with every answer given so far, and changes nothing until the last answer is in; a window
// puts its questions through Messages with putThrough().
// What to tell the user. Where a window shows it, an empty title means the program's own title.
struct Notice
{
    QString text;
    QString title;
};

using Answers = std::vector<bool>;

struct Verdict
{
    enum class Kind {
        Done,    // carried out
        Refused, // nothing done; the notices say why (none when the user said No)
        Redo,    // refused, and the values being changed were set back to the slip's own: show them afresh
        Ask      // put `question` and call again with the answer added
    };
    Kind kind = Kind::Done;
    bool beep = false;           // sound the alarm before anything is shown
    std::vector<Notice> notices; // shown in order, before the question
    QString question;
    QString title; // the question's

    static Verdict done() { return {}; }
    static Verdict refused() { return {Kind::Refused, false, {}, {}, {}}; }
    static Verdict refused(const QString &text, const QString &title)
    {
        return {Kind::Refused, false, {{text, title}}, {}, {}};
    }
    static Verdict ask(const QString &question, const QString &title)
    {
        return {Kind::Ask, false, {}, question, title};
    }
    // Adds a message to show, in order.
    Verdict &tell(const QString &text, const QString &title)
    {
        notices.push_back({text, title});
        return *this;
    }

    bool isDone() const { return kind == Kind::Done; }

    // The question at `index` of an action's answers: still to put (Ask), answered No (Refused, nothing more to
    // say), or nothing once answered Yes.
    static std::optional<Verdict> pending(const Answers &answers, std::size_t index, const QString &question,
                                          const QString &title)
    {
        if (answers.size() <= index)
            return ask(question, title);
        if (!answers[index])
            return refused();
        return std::nullopt;
    }
};

// Shows what a verdict that asks nothing says (the beep, then its messages) and returns it.
template <typename V> V shown(Messages &messages, V verdict)
{
    const Verdict &v = verdict;
    if (v.beep)
        messages.beep();
    for (const Notice &notice : v.notices)
        messages.inform(notice.text, notice.title);
    return verdict;
}

// Carries out an action with the user: sounds and shows what each verdict says, puts its question and calls
// `decide` again with the answers so far, until the action comes to an outcome, which is returned. `decide`
// takes the answers (const Answers &) and returns a Verdict or a type derived from it.
template <typename Decide> auto putThrough(Messages &messages, Decide decide)
{
    Answers answers;
    for (;;) {
        auto verdict = decide(std::as_const(answers));
        const Verdict &v = verdict;
        shown(messages, v);
        if (v.kind != Verdict::Kind::Ask)
            return verdict;
        answers.push_back(messages.ask(v.question, v.title));
    }
}
