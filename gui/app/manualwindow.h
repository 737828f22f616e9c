#pragma once

#include "gui/widgets/programwindow.h"

// The user manual that ships with the program, readable without a network.
class ManualWindow : public ProgramWindow
{
    Q_OBJECT
public:
    explicit ManualWindow(Environment environment, QWidget *parent = nullptr);
    static QString manualText();
};
