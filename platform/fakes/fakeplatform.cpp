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

QStringList FakeMessages::texts() const
{
    QStringList out;
    for (const auto &s : shown)
        out.append(s.text);
    return out;
}
