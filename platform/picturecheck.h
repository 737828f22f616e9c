#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Whether bytes sent from outside are a picture the program may keep: of the kind expected, with a size in its
// header inside the bounds (read from the header alone, before anything is decoded), and then decoded whole
// under an allocation bound, so that a file that is not a picture, a damaged one or a decompression bomb is
// refused before anything is stored.
namespace PictureCheck {

enum class Kind { Jpeg, Png };

struct Bounds
{
    int maxSide = 4000;                    // pixels, either side
    qint64 maxPixels = 16LL * 1000 * 1000; // width times height
};

// Nothing when the bytes are a whole picture of the kind inside the bounds; else the reason, for the phone, and
// whether it was refused for its size (*tooLarge).
std::optional<QString> refusal(const QByteArray &bytes, Kind kind, const Bounds &bounds, bool *tooLarge = nullptr);

} // namespace PictureCheck
