#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// A strip at the foot of the first window while the start still makes the customers' folders: the window is
// shown at once and says how far the start has come, instead of no window for a long while.
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
