#pragma once

#include "core/validation.h"

#include <QPointer>
#include <QValidator>
#include <functional>
#include <optional>

class QLineEdit;
class QPlainTextEdit;
class QWidget;
class Messages;

// Puts a keystroke filter on a text box. Whatever goes in, typed or pasted, is one line (a line break or a tab
// becomes a blank) and passes the filter character by character; a refused character or paste leaves the text as it was
// and tells the user what the filter says. Every box with a filter also refuses characters that the data files cannot
// hold; a box that needs only that check gets an empty filter.
//
// A paste (Ctrl+V, Shift+Insert, the box's menu, the middle button) loses nothing without a word: the line end a
// spreadsheet copies after a cell is dropped, a paste longer than the room left in the box is cut and the user told
// what was left out, and a refused paste is said even where a refused key is silent (an amount box).
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

    // An amount box: a pasted amount is taken as it would be typed ("$1,234.50" as 1234.50, "0.50" as .50), and
    // a paste replaces `emptyMark` (the zero text "$0.00" that marks an empty amount) wherever the caret is.
    static void installMoney(QLineEdit *edit, Messages &messages, const QString &emptyMark);
    // The boxes of one form, in their order: a row of cells (tab-separated, as a spreadsheet copies a row) pasted
    // into one of them offers to fill it and the boxes after it that show, one cell each.
    static void fillInOrder(const QList<QLineEdit *> &boxes);
    // The filter of a box; null when it has none.
    static FieldFilter *of(QLineEdit *edit);
    // Takes a text as the user's paste does.
    void paste(QString text);

    // Every one-line box of a window that has no filter of its own gets the one-line rule: a pasted line break
    // or tab becomes a blank. Boxes with a FieldFilter follow the rule already.
    static void keepOneLine(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What became of a text put into the box.
    struct Put
    {
        bool accepted = true;
        QString cut; // left out: no room for it
        Validation::KeyVerdict refusal;
    };
    Put put(QString text, bool replaceAll);
    QString refusalText(const Put &put, const QString &text) const;
    bool fillRow(const QStringList &cells, const QStringList &restLines);
    void tell(const Validation::KeyVerdict &verdict) const;

    QLineEdit *m_edit;
    Validation::KeyFilter m_filter;
    Messages &m_messages;
    QString m_title;
    QString m_accepted;
    QString m_emptyMark;
    bool m_money = false;
    QList<QPointer<QLineEdit>> m_form;
    bool m_pasting = false; // a paste is being put in: a refusal is kept for it rather than told
    mutable std::optional<Validation::KeyVerdict> m_pasteRefusal;
};
