#include "gui/widgets/slipmediapanel.h"

#include "core/formats.h"

#include <QDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int kColumns = 3;
constexpr int kSignatureWidth = 300;
constexpr int kSignatureHeight = 100;

QString whenAndWho(const SlipMedia::Photo &photo)
{
    const QString when =
        Formats::shortDate(photo.received.date()) + QLatin1Char(' ') + photo.received.toString(QStringLiteral("HH:mm"));
    return photo.technician.isEmpty() ? when : when + QStringLiteral(", ") + photo.technician;
}

} // namespace

SlipMediaPanel::SlipMediaPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraMedia"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    m_photosLabel = new QLabel(this);
    m_photosLabel->setObjectName(QStringLiteral("lblPhotos"));
    layout->addWidget(m_photosLabel);
    m_thumbnails = new QGridLayout;
    m_thumbnails->setSpacing(4);
    m_thumbnails->setColumnStretch(kColumns, 1); // the thumbnails stand at the left
    layout->addLayout(m_thumbnails);
    // A button for each photo a slip may have, made here so that Tab reaches them in their place.
    for (int i = 0; i < SlipMedia::kMaxPhotos; ++i) {
        auto *button = new QPushButton(this);
        button->setObjectName(QStringLiteral("cmdPhoto_%1").arg(i));
        button->setFlat(true);
        button->setAutoDefault(false);
        button->setIconSize(QSize(kThumbnail, kThumbnail));
        button->setFixedSize(kThumbnail + 8, kThumbnail + 8);
        connect(button, &QPushButton::clicked, this, [this, i] { openPhoto(i); });
        m_thumbnails->addWidget(button, i / kColumns, i % kColumns);
        m_buttons.push_back(button);
    }
    m_signature = new QLabel(this);
    m_signature->setObjectName(QStringLiteral("imgSignature"));
    m_signature->setStyleSheet(QStringLiteral("QLabel { background: white; border: 1px solid rgb(160,160,160); }"));
    m_signature->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_signature, 0, Qt::AlignLeft);
    m_signedLine = new QLabel(this);
    m_signedLine->setObjectName(QStringLiteral("lblSigned"));
    m_signedLine->setWordWrap(true);
    layout->addWidget(m_signedLine);
    hide();
}

void SlipMediaPanel::showSlip(const DataFolder &folder, const QString &account, qint16 slipNo)
{
    showMedia(SlipMedia::photos(folder, account, slipNo), SlipMedia::signature(folder, account, slipNo));
}

void SlipMediaPanel::showMedia(std::vector<SlipMedia::Photo> photos, std::optional<SlipMedia::Signature> signature)
{
    m_photos = std::move(photos);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        QPushButton *button = m_buttons[i];
        button->setVisible(i < m_photos.size());
        if (i >= m_photos.size())
            continue;
        button->setIcon(QIcon(shrunk(m_photos[i].path, QSize(kThumbnail, kThumbnail))));
        button->setToolTip(
            QStringLiteral("Photo %1, %2: click to see it larger").arg(i + 1).arg(whenAndWho(m_photos[i])));
        button->setAccessibleName(QStringLiteral("Photo %1").arg(i + 1));
    }
    m_photosLabel->setText(m_photos.size() == 1 ? QStringLiteral("1 photo from the technician")
                                                : QStringLiteral("%1 photos from the technician").arg(m_photos.size()));
    m_photosLabel->setVisible(!m_photos.empty());

    m_signed = signature.has_value();
    if (signature) {
        m_signature->setPixmap(shrunk(signature->path, QSize(kSignatureWidth, kSignatureHeight)));
        m_signedLine->setText(signature->signedText());
    } else {
        m_signature->clear();
        m_signedLine->clear();
    }
    m_signature->setVisible(m_signed);
    m_signedLine->setVisible(m_signed);
    setVisible(m_signed || !m_photos.empty());
}

QPixmap SlipMediaPanel::shrunk(const QString &path, const QSize &bounds)
{
    // A file written again (another slip's photo under a reused number) has another length or time.
    const QFileInfo file(path);
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(path)
                            .arg(file.size())
                            .arg(file.lastModified().toMSecsSinceEpoch())
                            .arg(bounds.width());
    if (const QPixmap *known = m_cache.object(key))
        return *known;
    const QPixmap made = picture(path, bounds);
    m_cache.insert(key, new QPixmap(made));
    return made;
}

QPixmap SlipMediaPanel::picture(const QString &path, const QSize &bounds)
{
    ++m_decodes;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    // Decoded at the size shown: a JPEG decoder then reads an eighth of the pixels or fewer.
    if (size.isValid() && (size.width() > bounds.width() || size.height() > bounds.height()))
        reader.setScaledSize(size.scaled(bounds, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull()) {
        QPixmap missing(bounds.boundedTo(QSize(kThumbnail, kThumbnail)));
        missing.fill(Qt::lightGray);
        return missing;
    }
    return QPixmap::fromImage(image);
}

void SlipMediaPanel::openPhoto(int index)
{
    if (index < 0 || index >= int(m_photos.size()))
        return;
    auto *viewer = new QDialog(window());
    viewer->setObjectName(QStringLiteral("frmPhoto"));
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(viewer);
    auto *image = new QLabel(viewer);
    image->setObjectName(QStringLiteral("imgPhoto"));
    image->setAlignment(Qt::AlignCenter);
    auto *caption = new QLabel(viewer);
    caption->setObjectName(QStringLiteral("lblPhoto"));
    auto *buttons = new QHBoxLayout;
    auto *previous = new QPushButton(QStringLiteral("< &Previous"), viewer);
    previous->setObjectName(QStringLiteral("cmdPhotoPrevious"));
    auto *next = new QPushButton(QStringLiteral("&Next >"), viewer);
    next->setObjectName(QStringLiteral("cmdPhotoNext"));
    auto *close = new QPushButton(QStringLiteral("&Close"), viewer);
    close->setObjectName(QStringLiteral("cmdPhotoClose"));
    for (QPushButton *b : {previous, next, close})
        buttons->addWidget(b);
    layout->addWidget(image, 1);
    layout->addWidget(caption);
    layout->addLayout(buttons);

    // The picture fills most of the screen, never more than its own size.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 0.85 - QSize(40, 100) : QSize(900, 650);
    const auto photos = m_photos;
    const auto shown = std::make_shared<int>(index);
    const auto show = [this, viewer, image, caption, previous, next, photos, shown, room](int step) {
        const int count = int(photos.size());
        *shown = (*shown + step + count) % count;
        const SlipMedia::Photo &photo = photos[std::size_t(*shown)];
        image->setPixmap(picture(photo.path, room));
        const QString title = QStringLiteral("Photo %1 of %2").arg(*shown + 1).arg(count);
        caption->setText(title + QStringLiteral(", ") + whenAndWho(photo));
        viewer->setWindowTitle(title);
        previous->setEnabled(count > 1);
        next->setEnabled(count > 1);
    };
    connect(previous, &QPushButton::clicked, viewer, [show] { show(-1); });
    connect(next, &QPushButton::clicked, viewer, [show] { show(1); });
    connect(close, &QPushButton::clicked, viewer, &QDialog::close);
    for (const auto &[key, step] : {std::pair{Qt::Key_Left, -1}, std::pair{Qt::Key_Right, 1}})
        connect(new QShortcut(QKeySequence(key), viewer), &QShortcut::activated, viewer, [show, step] { show(step); });
    show(0);
    close->setDefault(true);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}
