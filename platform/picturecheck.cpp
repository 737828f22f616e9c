#include "platform/picturecheck.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace PictureCheck {

std::optional<QString> refusal(const QByteArray &bytes, Kind kind, const Bounds &bounds, bool *tooLarge)
{
    const bool jpeg = kind == Kind::Jpeg;
    const QString notOne = jpeg ? QStringLiteral("This file is not a JPEG picture.")
                                : QStringLiteral("This file is not a PNG picture.");
    // The kind by its first bytes, whatever the reader would guess.
    static const QByteArray jpegStart("\xFF\xD8\xFF", 3);
    static const QByteArray pngStart("\x89PNG\r\n\x1A\n", 8);
    if (!bytes.startsWith(jpeg ? jpegStart : pngStart))
        return notOne;
    // A picture cut short on the way decodes with a grey end; its closing marker tells.
    static const QByteArray jpegEnd("\xFF\xD9", 2);
    static const QByteArray pngEnd("IEND\xAE\x42\x60\x82", 8);
    const qsizetype jpegEndAt = bytes.lastIndexOf(jpegEnd);
    if (jpeg ? jpegEndAt < 0 || jpegEndAt < bytes.size() - 64 : !bytes.endsWith(pngEnd))
        return QStringLiteral("The picture is damaged and cannot be read.");

    QByteArray data = bytes; // shared, not copied
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, jpeg ? "jpeg" : "png");
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size(); // from the header, nothing decoded yet
    if (!size.isValid() || size.isEmpty())
        return notOne;
    if (size.width() > bounds.maxSide || size.height() > bounds.maxSide ||
        qint64(size.width()) * size.height() > bounds.maxPixels) {
        if (tooLarge)
            *tooLarge = true;
        return QStringLiteral("The picture is too large (%1 x %2 pixels); the office takes at most %3 pixels a side.")
            .arg(size.width())
            .arg(size.height())
            .arg(bounds.maxSide);
    }
    // Decoded whole, so that a damaged or truncated file is refused; the header's size bounds what is allocated.
    QImage image;
    if (!reader.read(&image) || image.size() != size)
        return QStringLiteral("The picture is damaged and cannot be read.");
    return std::nullopt;
}

} // namespace PictureCheck
