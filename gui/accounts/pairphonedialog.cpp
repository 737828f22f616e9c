#include "gui/accounts/pairphonedialog.h"

#include "core/diskerror.h"
#include "core/formats.h"
#include "core/seams.h"
#include "gui/widgets/flexgrid.h"
#include "gui/widgets/widgets.h"
#include "phone/phonetokens.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <qrencode.h>

namespace {

constexpr int kQuietModules = 4;
const QString kTitle = QStringLiteral("Pair Phone");

QString shownTime(const QDateTime &time)
{
    return time.isValid() ? Formats::shortDate(time.date()) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm"))
                          : QStringLiteral("never");
}

} // namespace

QImage qrCodeImage(const QString &text, int moduleSize)
{
    const QByteArray bytes = text.toUtf8();
    QRcode *code = QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char *>(bytes.constData()), 0,
                                     QR_ECLEVEL_M);
    if (!code)
        return {};
    const int modules = code->width;
    const int side = (modules + 2 * kQuietModules) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            if (code->data[y * modules + x] & 1)
                painter.fillRect((x + kQuietModules) * moduleSize, (y + kQuietModules) * moduleSize, moduleSize,
                                 moduleSize, Qt::black);
        }
    }
    painter.end();
    QRcode_free(code);
    return image;
}

PairPhoneDialog::PairPhoneDialog(PhoneTokens &tokens, const QString &technician, const QString &address,
                                 const QString &fingerprint, Messages &messages, QWidget *parent)
    : QDialog(parent)
    , m_tokens(tokens)
    , m_technician(technician)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("frmPairPhone"));
    setWindowTitle(kTitle + QStringLiteral(" - ") + technician);
    setMinimumWidth(440);
    auto *outer = new QVBoxLayout(this);

    auto *pairing = new QGridLayout;
    auto *qr = m_qr = Widgets::label(QString(), QStringLiteral("imgQrCode"), this);
    m_status = Widgets::label(QString(), QStringLiteral("lblPairStatus"), this);
    m_status->setWordWrap(true);
    if (address.isEmpty()) {
        m_status->setText(QStringLiteral("The phone page is off. Switch it on in the setup screen, then pair %1's "
                                         "phone here.")
                              .arg(technician));
        outer->addWidget(m_status);
    } else {
        try {
            const PhoneTokens::Pairing paired = tokens.pair(
                technician, QStringLiteral("%1's phone %2").arg(technician).arg(tokens.phones(technician).size() + 1));
            m_newPhone = paired.id;
            QString base = address;
            while (base.endsWith(QLatin1Char('/')))
                base.chop(1);
            const QString link = base + QStringLiteral("/#t=") + paired.token;
            qr->setPixmap(QPixmap::fromImage(qrCodeImage(link)));
            auto *code = m_code = Widgets::label(paired.code, QStringLiteral("lblPairCode"), this);
            QFont large = code->font();
            large.setPointSize(28);
            large.setBold(true);
            large.setLetterSpacing(QFont::AbsoluteSpacing, 6);
            code->setFont(large);
            code->setTextInteractionFlags(Qt::TextSelectableByMouse);
            auto *where = Widgets::label(address, QStringLiteral("lblPhoneAddress"), this);
            where->setTextInteractionFlags(Qt::TextSelectableByMouse);
            auto *print = Widgets::label(
                fingerprint.isEmpty()
                    ? QStringLiteral("Plain HTTP: what the phone and the office send each other is not encrypted.")
                    : QStringLiteral("Certificate fingerprint (the phone's browser shows it):\n") + fingerprint,
                QStringLiteral("lblFingerprint"), this);
            print->setWordWrap(true);
            print->setTextInteractionFlags(Qt::TextSelectableByMouse);
            m_status->setText(QStringLiteral("Scan the QR code with the phone's camera, or open the address on the "
                                             "phone and type the code. Both are good until %1 while this window is "
                                             "open.")
                                  .arg(paired.codeExpires.toString(QStringLiteral("HH:mm"))));
            auto *side = new QVBoxLayout;
            side->addWidget(Widgets::label(QStringLiteral("One-time code:"), QStringLiteral("lblCodeCaption"), this));
            side->addWidget(code);
            side->addWidget(Widgets::label(QStringLiteral("Address:"), QStringLiteral("lblAddressCaption"), this));
            side->addWidget(where);
            side->addWidget(print);
            side->addWidget(m_status);
            side->addStretch();
            pairing->addWidget(qr, 0, 0);
            pairing->addLayout(side, 0, 1);
            pairing->setColumnStretch(1, 1);
        } catch (const DiskError &e) {
            m_status->setText(e.message());
            outer->addWidget(m_status);
        }
    }
    outer->addLayout(pairing);

    outer->addWidget(
        Widgets::label(QStringLiteral("Phones paired with %1:").arg(technician), QStringLiteral("lblPhones"), this));
    m_phones = new FlexGrid(QStringLiteral("fgPhones"), this);
    m_phones->setFormat(QStringLiteral("<Phone                         |<Paired           |<Last Use         "));
    m_phones->setMinimumHeight(110);
    outer->addWidget(m_phones, 1);
    auto *buttons = new QHBoxLayout;
    m_revoke = Widgets::button(QStringLiteral("&Revoke"), QStringLiteral("cmdRevokePhone"), this);
    auto *close = Widgets::button(QStringLiteral("&Close"), QStringLiteral("cmdClosePairing"), this);
    buttons->addStretch();
    buttons->addWidget(m_revoke);
    buttons->addWidget(close);
    outer->addLayout(buttons);
    // Enter closes the window; revoking takes its button (Alt+R) and a Yes.
    m_revoke->setAutoDefault(false);
    close->setDefault(true);
    close->setFocus();
    connect(m_revoke, &QPushButton::clicked, this, &PairPhoneDialog::revokeCurrent);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_phones, &FlexGrid::currentCellChanged, this,
            [this] { m_revoke->setEnabled(m_phones->currentRow() > 0); });
    Widgets::clickOnEscape(this, close);
    refreshPhones();
    // The office sees the phone's first use as it happens.
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PairPhoneDialog::refreshPhones);
    timer->start(2000);
}

void PairPhoneDialog::refreshPhones()
{
    const std::vector<PhoneTokens::Phone> phones = m_tokens.phones(m_technician);
    const int current = m_phones->currentRow();
    QList<QStringList> rows;
    m_ids.clear();
    for (const PhoneTokens::Phone &p : phones) {
        rows.append({p.label, shownTime(p.paired), shownTime(p.lastUse)});
        m_ids.append(p.id);
        if (p.id == m_newPhone && p.lastUse.isValid()) {
            m_newPhone.clear();
            m_status->setText(QStringLiteral("%1 is paired: the phone has opened the page.").arg(p.label));
        }
    }
    m_phones->setAll(rows);
    if (current > 0)
        m_phones->setCurrentRow(std::min(current, m_phones->rows() - 1));
    m_revoke->setEnabled(m_phones->currentRow() > 0);
}

void PairPhoneDialog::revokeCurrent()
{
    const int row = m_phones->currentRow();
    if (row < 1 || row > m_ids.size())
        return;
    const QString label = m_phones->text(row, 0);
    if (!m_messages.ask(
            QStringLiteral("Revoke %1?\r\nThe phone will no longer see %2's slips.").arg(label, m_technician),
            QStringLiteral("Revoke Phone")))
        return;
    try {
        m_tokens.revoke(m_ids[row - 1]);
        if (m_ids[row - 1] == m_newPhone) {
            // The codes on show pair nothing any more.
            m_newPhone.clear();
            m_qr->clear();
            m_code->clear();
            m_status->setText(QStringLiteral("%1 is revoked: the codes shown pair nothing. Choose Pair Phone... again "
                                             "for new ones.")
                                  .arg(label));
        }
    } catch (const DiskError &e) {
        m_messages.inform(e.message(), kTitle);
    }
    refreshPhones();
}

void PairPhoneDialog::done(int result)
{
    // A pairing no phone took up goes with the window, so that no unused token stays valid.
    if (!m_newPhone.isEmpty()) {
        try {
            const auto phones = m_tokens.phones(m_technician);
            if (std::any_of(phones.begin(), phones.end(),
                            [&](const PhoneTokens::Phone &p) { return p.id == m_newPhone && !p.lastUse.isValid(); }))
                m_tokens.revoke(m_newPhone);
        } catch (const DiskError &e) {
            m_messages.inform(e.message(), kTitle);
        }
        m_newPhone.clear();
    }
    QDialog::done(result);
}
