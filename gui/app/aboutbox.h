#pragma once

#include "gui/widgets/programwindow.h"

class DataFolder;
struct Platform;

// The About box: the program's name, its version and Qt's, a way back to the menu and to the home page.
class AboutBox : public ProgramWindow
{
    Q_OBJECT
public:
    AboutBox(const DataFolder &folder, Platform &platform, Environment environment, QWidget *parent = nullptr);
};
