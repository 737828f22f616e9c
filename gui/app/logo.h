#pragma once

#include <QPixmap>

// The program's own logo, drawn rather than shipped as a picture file.
QPixmap programLogo(int height = 96);

// The square program icon in the logo's colours, for the window and the desktop menu.
QPixmap programIcon(int size = 256);
