#pragma once

#include "core/seams.h"

#include <QPointer>
#include <QWidget>

// The Qt implementations of the seams.
class QMessageBox;

class QtMessages final : public Messages
{
public:
    void setParentWindow(QWidget *parent) { m_parent = parent; }
    void inform(const QString &text, const QString &title) override;
    bool ask(const QString &text, const QString &title) override;
    SaveAnswer askToSave(const QString &text, const QString &title) override;
    void beep() override;

    // A message box is as wide as its text; a short text under a long title would have the title cut by the
    // window frame. The box is widened to hold its whole title.
    static void widenForTitle(QMessageBox &box);
    // A text of many lines is shortened to its first lines, the whole of it in the box's details part.
    static void keepShort(QMessageBox &box);
    // Puts a box in the middle of the window it belongs to.
    static void centre(QMessageBox &box);

    // The title a box shows: the one given, or the program's name when that is empty.
    static QString titled(const QString &title);

private:
    QWidget *owner() const;
    QPointer<QWidget> m_parent;
    mutable QPointer<QWidget> m_lastOwner;
};

class QtClipboard final : public Clipboard
{
public:
    void setText(const QString &text) override;
    void clear() override;
};

class QtWebOpener final : public WebOpener
{
public:
    bool open(const QString &address) override;
};

class QtChoosers final : public Choosers
{
public:
    std::optional<QString> openFile(const QString &title, const QString &folder, const QString &filter) override;
    std::optional<QString> saveFile(const QString &title, const QString &suggested, const QString &filter) override;
    std::optional<QString> folder(const QString &title, const QString &start) override;
    std::optional<quint32> colour(quint32 initial, const QString &title) override;
    std::optional<QString> font(const QString &initialFamily, const QString &title) override;
};

// Layouts in the platform's per-user settings store, one application key each.
class QtLayoutStore final : public LayoutStore
{
public:
    QByteArray load(const QString &appKey, const QString &window) const override;
    void save(const QString &appKey, const QString &window, const QByteArray &geometry) override;
    QByteArray loadChoice(const QString &appKey, const QString &window, const QString &name) const override;
    void saveChoice(const QString &appKey, const QString &window, const QString &name,
                    const QByteArray &value) override;
};
