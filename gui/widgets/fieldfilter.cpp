#include "gui/widgets/fieldfilter.h"

#include "core/seams.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTimer>
#include <memory>

FieldFilter::FieldFilter(QLineEdit *edit, Validation::KeyFilter filter, Messages &messages, QString programTitle)
    : QValidator(edit)
    , m_edit(edit)
    , m_filter(std::move(filter))
    , m_messages(messages)
    , m_title(std::move(programTitle))
    , m_accepted(edit->text())
{
    // The text box has already taken the change when it asks: compare with the last text it settled on.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { m_accepted = text; });
}

void FieldFilter::install(QLineEdit *edit, Validation::KeyFilter filter, Messages &messages,
                          const QString &programTitle)
{
    edit->setValidator(new FieldFilter(edit, std::move(filter), messages, programTitle));
}

void FieldFilter::installStorable(QLineEdit *edit, Messages &messages)
{
    install(edit, {}, messages);
}

void FieldFilter::guardStorable(QPlainTextEdit *edit, Messages &messages, const QString &programTitle)
{
    auto accepted = std::make_shared<QString>(edit->toPlainText());
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, accepted, &messages, programTitle] {
        const QString text = edit->toPlainText();
        const auto refusal = Validation::unstorableText(text);
        if (!refusal) {
            *accepted = text;
            return;
        }
        const QSignalBlocker block(edit);
        edit->setPlainText(*accepted);
        QTextCursor cursor = edit->textCursor();
        cursor.movePosition(QTextCursor::End);
        edit->setTextCursor(cursor);
        const Validation::Notice notice = *refusal;
        QTimer::singleShot(0, edit, [&messages, notice, programTitle] {
            messages.inform(notice.text, notice.title.isEmpty() ? programTitle : notice.title);
        });
    });
}

namespace {

// The one-line rule alone, for a box with no filter of its own.
class OneLineValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        Validation::flattenLines(input, pos);
        return Acceptable;
    }
};

} // namespace

void FieldFilter::keepOneLine(QWidget *window)
{
    for (QLineEdit *edit : window->findChildren<QLineEdit *>()) {
        if (!edit->validator())
            edit->setValidator(new OneLineValidator(edit));
    }
}

QValidator::State FieldFilter::validate(QString &input, int &pos) const
{
    Validation::flattenLines(input, pos);
    const QString &old = m_accepted;
    if (input == old)
        return Acceptable;
    // A text the program sets (setText clears the box's undo history) is its own, such as the zero text "$0.00"
    // of an amount box: taken as it is. Judging it would leave the box marked invalid, and a box marked invalid
    // keeps the next refused paste instead of taking it back.
    if (!m_edit->isUndoAvailable())
        return Acceptable;
    // What changed: the text between the common beginning and the common end.
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < input.size() && old[prefix] == input[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < input.size() - prefix &&
           old[old.size() - 1 - suffix] == input[input.size() - 1 - suffix])
        ++suffix;
    const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
    if (inserted.isEmpty())
        return Acceptable; // a deletion
    Validation::KeyVerdict verdict;
    if (const auto unstorable = Validation::unstorableText(inserted)) {
        verdict = {false, *unstorable, false};
    } else {
        if (!m_filter)
            return Acceptable;
        const int removed = int(old.size() - prefix - suffix);
        const Validation::PasteResult result = Validation::filterPaste(m_filter, old, int(prefix), removed, inserted);
        if (result.accepted)
            return Acceptable;
        verdict = result.refusal;
    }
    // Told after the key press is over, so that the message box does not run inside the text box's edit.
    QTimer::singleShot(0, m_edit, [this, verdict] { tell(verdict); });
    return Invalid;
}

void FieldFilter::tell(const Validation::KeyVerdict &verdict) const
{
    if (verdict.beep)
        m_messages.beep();
    if (!verdict.notice.text.isEmpty())
        m_messages.inform(verdict.notice.text, verdict.notice.title.isEmpty() ? m_title : verdict.notice.title);
}
