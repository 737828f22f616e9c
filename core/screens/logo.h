#pragma once

#include <QPixmap>

// The program's own logo, drawn rather than shipped as a picture file.
QPixmap programLogo(int height = 96);
