#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// A strip at the foot of the first window while the customers' folders are still being made after a start: the
// window works meanwhile and says how far the making has come.
class StartProgress : public QWidget
{
    Q_OBJECT
public:
    // Added to the bottom of the window's layout (or laid over its foot when it has none).
    explicit StartProgress(QWidget *window);

    void setProgress(int done, int total);

private:
    static constexpr qint64 kRedrawAfterMs = 100;
    QLabel *m_label;
    QProgressBar *m_bar;
    QElapsedTimer m_drawn;
};
