#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <QStringList>

class FlexGrid;
class Messages;
class PhoneTokens;
class QLabel;
class QPushButton;

// The QR code of a text (the page's address with its token): black modules on white, each module `moduleSize`
// pixels square and four modules of white all round, so that a phone's camera reads it from the screen. A null
// image when the text cannot be encoded.
QImage qrCodeImage(const QString &text, int moduleSize = 6);

// frmPairPhone, "Pair Phone...": pairs a new phone with the technician as the window opens (the QR code of the
// page's address with the phone's token, the one-time code to type instead, the address and the certificate's
// fingerprint to compare) and lists the technician's phones, each of which can be revoked. A phone that has not
// opened the page by the time the window closes is not paired: the code and the QR code are good while the window
// is open (15 minutes at most). With no address the phone page is off: the window says where to switch it on and
// pairs nothing.
class PairPhoneDialog final : public QDialog
{
    Q_OBJECT
public:
    PairPhoneDialog(PhoneTokens &tokens, const QString &technician, const QString &address, const QString &fingerprint,
                    Messages &messages, QWidget *parent = nullptr);

    // The technician's phones again (the last uses change while the window is open).
    void refreshPhones();
    // Revokes the phone of the grid's current row once the user agreed.
    void revokeCurrent();

protected:
    void done(int result) override;

private:
    PhoneTokens &m_tokens;
    QString m_technician;
    Messages &m_messages;
    QString m_newPhone; // the phone paired as the window opened, until it is used
    QStringList m_ids;  // by grid row - 1
    FlexGrid *m_phones = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_qr = nullptr;
    QLabel *m_code = nullptr;
    QPushButton *m_revoke = nullptr;
};
