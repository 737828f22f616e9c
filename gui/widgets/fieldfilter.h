#pragma once

#include "core/validation.h"

#include <QValidator>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QWidget;
class Messages;

// Puts a keystroke filter on a text box. Whatever goes in, typed or pasted, is one line (a line break or a tab
// becomes a blank) and passes the filter character by character; a refused character or paste leaves the text as it was
// and tells the user what the filter says. Every box with a filter also refuses characters that the data files cannot
// hold; a box that needs only that check gets an empty filter.
class FieldFilter : public QValidator
{
    Q_OBJECT
public:
    FieldFilter(QLineEdit *edit, Validation::KeyFilter filter, Messages &messages, QString programTitle);
    State validate(QString &input, int &pos) const override;

    static void install(QLineEdit *edit, Validation::KeyFilter filter, Messages &messages,
                        const QString &programTitle = QStringLiteral("VarnelDispatchDuzudu"));
    // Only the code-page check, for a box whose text is saved as it is typed.
    static void installStorable(QLineEdit *edit, Messages &messages);
    // The code-page check on a multi-line box: a change that brings in a character the files cannot hold is
    // taken back, and the user is told which character it was.
    static void guardStorable(QPlainTextEdit *edit, Messages &messages,
                              const QString &programTitle = QStringLiteral("VarnelDispatchDuzudu"));

    // Every one-line box of a window that has no filter of its own gets the one-line rule: a pasted line break
    // or tab becomes a blank. Boxes with a FieldFilter follow the rule already.
    static void keepOneLine(QWidget *window);

private:
    void tell(const Validation::KeyVerdict &verdict) const;

    QLineEdit *m_edit;
    Validation::KeyFilter m_filter;
    Messages &m_messages;
    QString m_title;
    QString m_accepted;
};
