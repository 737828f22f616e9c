#include "gui/widgets/fieldfilter.h"

#include "core/seams.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
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
    edit->installEventFilter(this);
}

FieldFilter *FieldFilter::of(QLineEdit *edit)
{
    return edit ? qobject_cast<FieldFilter *>(const_cast<QValidator *>(edit->validator())) : nullptr;
}

void FieldFilter::installMoney(QLineEdit *edit, Messages &messages, const QString &emptyMark)
{
    install(edit, Validation::amountKeyFilter, messages);
    FieldFilter *filter = of(edit);
    filter->m_money = true;
    filter->m_emptyMark = emptyMark;
}

void FieldFilter::fillInOrder(const QList<QLineEdit *> &boxes)
{
    QList<QPointer<QLineEdit>> form;
    for (QLineEdit *box : boxes)
        form << box;
    for (QLineEdit *box : boxes) {
        if (FieldFilter *filter = of(box))
            filter->m_form = form;
    }
}

bool FieldFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_edit || m_edit->isReadOnly())
        return false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
            paste(clipboard->text());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
            m_edit->deselect();
            paste(clipboard->text(QClipboard::Selection));
            return true;
        }
        break;
    case QEvent::ContextMenu: {
        // The box's own menu, whose Paste goes the same way as Ctrl+V.
        QMenu *menu = m_edit->createStandardContextMenu();
        for (QAction *action : menu->actions()) {
            if (action->text().startsWith(QLatin1String("&Paste"))) {
                disconnect(action, &QAction::triggered, m_edit, nullptr);
                connect(action, &QAction::triggered, this, [this] { paste(QGuiApplication::clipboard()->text()); });
            }
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    default:
        break;
    }
    return false;
}

namespace {

// A pasted amount as it would be typed: no blanks around it, no "$", no thousands separators, no leading zeros.
QString typedAmount(QString text)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('$')))
        text = text.mid(1).trimmed();
    static const QRegularExpression grouped(QStringLiteral("^\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
    if (grouped.match(text).hasMatch())
        text.remove(QLatin1Char(','));
    while (text.size() > 1 && text.startsWith(QLatin1Char('0')))
        text.remove(0, 1);
    return text == QLatin1String("0") ? QString() : text;
}

// How the user knows a box: the caption of its label, or its object name.
QString boxName(QLineEdit *box)
{
    const QWidget *owner = qobject_cast<QComboBox *>(box->parentWidget()) ? box->parentWidget() : box;
    for (const QLabel *l : box->window()->findChildren<QLabel *>()) {
        if (l->buddy() == owner && !l->text().isEmpty())
            return QString(l->text()).remove(QLatin1Char('&'));
    }
    return owner->objectName();
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

FieldFilter::Put FieldFilter::put(QString text, bool replaceAll)
{
    Put out;
    int position = 0;
    Validation::flattenLines(text, position);
    if (m_money)
        text = typedAmount(text);
    // A text that replaces the box's is judged as if typed into the empty box.
    const QString before = m_edit->text();
    const bool replace = replaceAll || (!m_emptyMark.isEmpty() && before == m_emptyMark);
    if (replace)
        m_edit->clear();
    const int room = std::max(0, m_edit->maxLength() - int(m_edit->text().size() - m_edit->selectedText().size()));
    if (text.size() > room) {
        out.cut = text.mid(room);
        text.truncate(room);
    }
    m_pasting = true;
    m_pasteRefusal.reset();
    m_edit->insert(text);
    m_pasting = false;
    if (m_pasteRefusal) {
        out.accepted = false;
        out.refusal = *m_pasteRefusal;
        if (replace)
            m_edit->setText(before);
    }
    return out;
}

QString FieldFilter::refusalText(const Put &put, const QString &text) const
{
    if (!put.refusal.notice.text.isEmpty())
        return put.refusal.notice.text;
    if (m_money)
        return QStringLiteral("%1 is not an amount: digits with at most two after the point, such as 345.00.")
            .arg(quoted(text.trimmed()));
    return QStringLiteral("%1 cannot go into this box.").arg(quoted(text));
}

void FieldFilter::paste(QString text)
{
    // A spreadsheet copies a cell or a row with a line end after it.
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (m_form.contains(m_edit) && lines.front().contains(QLatin1Char('\t'))) {
        const QStringList cells = lines.takeFirst().split(QLatin1Char('\t'));
        if (fillRow(cells, lines))
            return;
    }
    const Put result = put(text, false);
    QString said;
    Validation::KeyVerdict verdict;
    if (!result.accepted) {
        verdict = result.refusal;
        if (verdict.notice.text.isEmpty())
            verdict.notice = {refusalText(result, text), QStringLiteral("Paste")};
    } else if (!result.cut.isEmpty()) {
        verdict.notice = {
            QStringLiteral("Only %1 characters fit in this box; the end of what was pasted was left out: %2")
                .arg(m_edit->maxLength())
                .arg(quoted(result.cut)),
            QStringLiteral("Paste Cut Short")};
    } else {
        return;
    }
    // Told after the paste is over, as a refused key is.
    QTimer::singleShot(0, m_edit, [this, verdict] { tell(verdict); });
}

bool FieldFilter::fillRow(const QStringList &cells, const QStringList &restLines)
{
    QList<QLineEdit *> boxes;
    for (qsizetype i = m_form.indexOf(m_edit); i >= 0 && i < m_form.size(); ++i) {
        QLineEdit *box = m_form[i];
        if (box && box->isVisibleTo(m_edit->window()) && box->isEnabled() && !box->isReadOnly() && of(box))
            boxes << box;
    }
    QStringList names;
    for (qsizetype i = 0; i < std::min(boxes.size(), cells.size()); ++i)
        names << boxName(boxes[i]);
    if (!m_messages.ask(QStringLiteral("The pasted row has %1 cells. Fill %2 with them, one cell each?\r\n"
                                       "No pastes the whole row into this box.")
                            .arg(cells.size())
                            .arg(names.join(QStringLiteral(", "))),
                        QStringLiteral("Paste a Row")))
        return false;
    QStringList problems;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i >= boxes.size()) {
            QStringList left = cells.mid(i);
            for (QString &cell : left)
                cell = quoted(cell.trimmed());
            problems << QStringLiteral("Left out, no box for them: %1").arg(left.join(QStringLiteral(", ")));
            break;
        }
        FieldFilter *filter = of(boxes[i]);
        const QString cell = cells[i].trimmed();
        const Put result = filter->put(cell, true);
        if (!result.accepted)
            problems << QStringLiteral("%1: not filled: %2").arg(names[i], filter->refusalText(result, cell));
        else if (!result.cut.isEmpty())
            problems << QStringLiteral("%1: only %2 characters fit; left out: %3")
                            .arg(names[i])
                            .arg(boxes[i]->maxLength())
                            .arg(quoted(result.cut));
    }
    if (!restLines.isEmpty())
        problems << QStringLiteral("Only the first row is used; %1 more line(s) were left out.").arg(restLines.size());
    if (!problems.isEmpty()) {
        const QString text = problems.join(QStringLiteral("\r\n"));
        QTimer::singleShot(0, m_edit, [this, text] { m_messages.inform(text, QStringLiteral("Paste a Row")); });
    }
    return true;
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
        const Notice notice = *refusal;
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
    if (m_pasting) {
        m_pasteRefusal = verdict; // the paste says it, with what it was
        return Invalid;
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
