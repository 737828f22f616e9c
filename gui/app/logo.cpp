#include "gui/app/logo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

QPixmap programLogo(int height)
{
    const int width = height * 3;
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    gradient.setColorAt(1, QColor(0x0B, 0x2A, 0x52));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, width, height), height / 6.0, height / 6.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(height * 2 / 5);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, width, height * 0.68), Qt::AlignCenter, QStringLiteral("VARNEL"));
    font.setBold(false);
    font.setPixelSize(height / 6);
    painter.setFont(font);
    painter.setPen(QColor(0xF2, 0xC1, 0x4E));
    painter.drawText(QRectF(0, height * 0.58, width, height * 0.35), Qt::AlignCenter, QStringLiteral("Dispatch"));
    return pixmap;
}

QPixmap programIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, size);
    gradient.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    gradient.setColorAt(1, QColor(0x0B, 0x2A, 0x52));
    painter.setBrush(gradient);
    painter.setPen(Qt::NoPen);
    const qreal margin = size / 16.0;
    painter.drawRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin), size / 6.0, size / 6.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(size * 5 / 8);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, 0, size, size * 0.84), Qt::AlignCenter, QStringLiteral("V"));
    // The gold stroke under the letter stands for the logo's "Dispatch" line.
    painter.setBrush(QColor(0xF2, 0xC1, 0x4E));
    painter.drawRoundedRect(QRectF(size * 0.28, size * 0.74, size * 0.44, size * 0.07), size * 0.03, size * 0.03);
    return pixmap;
}
