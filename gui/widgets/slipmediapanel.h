#pragma once

#include "dispatch/slipmedia.h"

#include <QCache>
#include <QPixmap>
#include <QWidget>
#include <optional>
#include <vector>

class DataFolder;
class QGridLayout;
class QLabel;
class QPushButton;

// The photos and the customer's signature a technician's phone added to a slip, as the board's slip frame and
// the slip's history show them: a thumbnail per photo (cmdPhoto_0 ...), which opens the picture larger on a click
// or on Enter or Space, and the signature (imgSignature) above its "Signed by" line (lblSigned). Hidden while the
// slip has neither.
//
// Thumbnails and the signature are decoded at the size shown (a 1600 px photo is never decoded whole for them)
// and kept by file, length and time, so that choosing the slip again reads no picture.
class SlipMediaPanel final : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kThumbnail = 96; // pixels, the long side

    explicit SlipMediaPanel(QWidget *parent = nullptr);

    // Shows the slip's media as they are kept now.
    void showSlip(const DataFolder &folder, const QString &account, qint16 slipNo);
    void showMedia(std::vector<SlipMedia::Photo> photos, std::optional<SlipMedia::Signature> signature);

    const std::vector<SlipMedia::Photo> &photos() const { return m_photos; }
    bool hasSignature() const { return m_signed; }
    // The picture of the photo larger, in a window of its own ("frmPhoto"), stepped with the arrow keys.
    void openPhoto(int index);
    // Picture decodes done so far, thumbnails and larger pictures together.
    int decodes() const { return m_decodes; }

private:
    QPixmap shrunk(const QString &path, const QSize &bounds); // kept for the next time

    QPixmap picture(const QString &path, const QSize &bounds);

    QLabel *m_photosLabel = nullptr;
    QGridLayout *m_thumbnails = nullptr;
    std::vector<QPushButton *> m_buttons;
    QLabel *m_signature = nullptr;
    QLabel *m_signedLine = nullptr;
    std::vector<SlipMedia::Photo> m_photos;
    bool m_signed = false;
    QCache<QString, QPixmap> m_cache{400};
    int m_decodes = 0;
};
