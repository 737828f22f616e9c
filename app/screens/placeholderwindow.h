#pragma once

#include "platform/programwindow.h"

// Stands in for a screen that this version does not have yet: it says so and returns to the menu.
class PlaceholderWindow : public ProgramWindow
{
    Q_OBJECT
public:
    PlaceholderWindow(const QString &objectName, const QString &title, Environment environment,
                      QWidget *parent = nullptr);

signals:
    void returnToMenu();
};
