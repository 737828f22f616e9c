#pragma once

#include "dispatch/slipmedia.h"

#include <QBuffer>
#include <QImage>
#include <QtTest>

// A picture as a phone sends it: a JPEG photo or the PNG of a signature, in a colour of its own.
inline QByteArray samplePicture(int width, int height, const char *format, int shade = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((shade * 37) % 360, 200, 200));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

// Stores photos (1600 x 1200) and, when asked, M. Chavez's signature on a slip, as a technician's phone does it
// on 12/8/2026 at 10:42.
inline void addSampleMedia(const DataFolder &folder, const QString &account, qint16 slipNo, int photos, bool signs)
{
    const QDateTime at(QDate(2026, 12, 8), QTime(10, 42));
    for (int i = 0; i < photos; ++i) {
        const QByteArray jpeg = samplePicture(1600, 1200, "JPG", i);
        QVERIFY(SlipMedia::addPhoto(folder, account, slipNo, jpeg, "Al", at, "p" + QString::number(i)).stored);
    }
    const QByteArray png = samplePicture(600, 200, "PNG");
    QVERIFY(!signs || SlipMedia::addSignature(folder, account, slipNo, png, "M. Chavez", "Al", at, "s").stored);
}
