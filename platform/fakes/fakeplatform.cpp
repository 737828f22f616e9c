#include "platform/fakes/fakeplatform.h"

#include <QTest>

bool FakeMessages::ask(const QString &text, const QString &title)
{
    shown.push_back({text, title, true});
    if (whileAsking)
        whileAsking(text);
    if (answers.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("Unscripted question: ") + text), __FILE__, __LINE__);
        return false;
    }
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

Messages::SaveAnswer FakeMessages::askToSave(const QString &text, const QString &title)
{
    shown.push_back({text, title, true});
    if (whileAsking)
        whileAsking(text);
    if (saveAnswers.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("Unscripted Save question: ") + text), __FILE__, __LINE__);
        return SaveAnswer::Cancel;
    }
    const SaveAnswer answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

QStringList FakeMessages::texts() const
{
    QStringList out;
    for (const auto &s : shown)
        out.append(s.text);
    return out;
}
