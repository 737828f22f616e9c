#include "billing/accountuse.h"
#include "core/diskerror.h"
#include "dispatch/slipmedia.h"
#include "phoneserving.h"
#include "tooltesting.h"
#include "tools/datacheck.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QtEndian>

// Photos and signatures sent by a technician's phone: what is refused, what is stored once, how a store that
// stopped half way is retried, and what the data check says of the slip's folder.
namespace {

QByteArray picture(int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A small picture whose header claims 20,000 x 20,000 pixels.
QByteArray bomb(const char *format)
{
    QByteArray bytes = picture(8, 8, format);
    if (qstrcmp(format, "png") == 0) {
        qToBigEndian<quint32>(20000, bytes.data() + 16);
        qToBigEndian<quint32>(20000, bytes.data() + 20);
        qToBigEndian<quint32>(crc32(bytes.mid(12, 17)), bytes.data() + 29);
    } else {
        const qsizetype frame = bytes.indexOf("\xFF\xC0");
        qToBigEndian<quint16>(20000, bytes.data() + frame + 5);
        qToBigEndian<quint16>(20000, bytes.data() + frame + 7);
    }
    return bytes;
}

QByteArray photoBody(const QByteArray &jpeg, const QString &id = QStringLiteral("tap-0001"))
{
    return QJsonDocument(QJsonObject{{"request", id}, {"jpeg", QString::fromLatin1(jpeg.toBase64())}}).toJson();
}

QByteArray signatureBody(const QByteArray &png, const QString &name, const QString &id = QStringLiteral("sign-0001"))
{
    return QJsonDocument(QJsonObject{{"request", id}, {"name", name}, {"png", QString::fromLatin1(png.toBase64())}})
        .toJson();
}

QJsonValue answered(const PhoneApi::Reply &reply, const char *field)
{
    return QJsonDocument::fromJson(reply.body)[QLatin1String(field)];
}

QStringList findings(const DataFolder &folder, const Clock &clock)
{
    QStringList out;
    for (const CheckFinding &f : checkDataFolder(folder, clock))
        out << f.text();
    return out;
}

} // namespace

class TestPhoneMedia : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { useTestSettingsStore(); }

    // Nothing is written for a refused upload, and the phone is told why.
    void refusals_data()
    {
        dataColumns<QString, QByteArray, int, QString>("path", "body", "status", "said");
        const QByteArray jpeg = picture(64, 48, "jpeg");
        const QByteArray png = picture(64, 48, "png");
        dataRow("a PNG as a photo", "/api/slip/1001/photo", photoBody(png), 400, "This file is not a JPEG picture.");
        dataRow("text behind a JPEG's mark", "/api/slip/1001/photo", photoBody("\xFF\xD8\xFFhello"), 400,
                "The picture is damaged and cannot be read.");
        dataRow("not base64", "/api/slip/1001/photo", QByteArray(R"({"request":"tap-0001","jpeg":"%%%"})"), 400,
                "This file is not a JPEG picture.");
        dataRow("a photo cut short", "/api/slip/1001/photo", photoBody(jpeg.left(jpeg.size() - 200)), 400,
                "The picture is damaged and cannot be read.");
        dataRow("a JPEG of 20,000 x 20,000", "/api/slip/1001/photo", photoBody(bomb("jpeg")), 413,
                "The picture is too large (20000 x 20000 pixels); the office takes at most 4000 pixels a side.");
        dataRow("a PNG of 20,000 x 20,000", "/api/slip/1001/signature", signatureBody(bomb("png"), "M. Chavez"), 413,
                "The picture is too large (20000 x 20000 pixels); the office takes at most 2000 pixels a side.");
        dataRow("too many bytes", "/api/slip/1001/photo", photoBody(QByteArray(3 * 1024 * 1024 + 1, 'x')), 413,
                "The picture is too large (3072 KB); the office takes at most 3072 KB.");
        dataRow("a body past the limit", "/api/slip/1001/signature", QByteArray(700 * 1024 + 1, ' '), 413, "");
        dataRow("another technician's slip", "/api/slip/1003/photo", photoBody(jpeg), 409,
                "Slip 1003 is not among your active slips");
        dataRow("a completed slip", "/api/slip/1006/photo", photoBody(jpeg), 409,
                "This slip is complete; it takes no more pictures.");
        dataRow("no name", "/api/slip/1001/signature", signatureBody(png, " "), 400,
                "Type the customer's name beside the signature.");
        dataRow("a field too many", "/api/slip/1001/photo",
                QByteArray(R"({"request":"tap-0001","jpeg":"","name":"x"})"), 400, "The request is not understood.");
    }
    void refusals()
    {
        auto [path, body, status] = fetched<QString, QByteArray, int>("path", "body", "status");
        PhoneDesk d;
        d.folder.appendRecord(SlipFiles::kCompleted, boardSlip("1006|Complete|Al|3/9/2026|08:00"));
        const auto reply = d.ask("POST", path.toLatin1(), body);
        QCOMPARE(reply.status, status);
        QTEST(answered(reply, "error").toString(), "said");
        QVERIFY(!d.root.exists("/AuxFiles/A1001/Slip 1001/Media.txt"));
    }

    // Each request is stored once, whatever the phone sends again; the day shows the count and the signature;
    // an eleventh photo and a second signature are refused; the data check finds the folder sound.
    void storedOncePerRequest()
    {
        PhoneDesk d;
        makeCheckable(d.root, {"Al", "Bob"}, 1006);
        const QByteArray jpeg = picture(1600, 1200, "jpeg");
        d.ask("GET", "/api/day"); // the day as served before: made afresh after each photo
        for (int i = 1; i <= 10; ++i) {
            const auto reply = d.ask("POST", "/api/slip/1001/photo", photoBody(jpeg, QStringLiteral("tap-%1").arg(i, 4, 10, QChar('0'))));
            QCOMPARE(answered(reply, "photos").toInt(), i);
        }
        QCOMPARE(answered(d.ask("POST", "/api/slip/1001/photo", photoBody(jpeg, "tap-0003")), "photos").toInt(), 10);
        const auto eleventh = d.ask("POST", "/api/slip/1001/photo", photoBody(jpeg, "tap-0011"));
        QCOMPARE(answered(eleventh, "error").toString(), "This slip has 10 photos already.");

        const QByteArray png = picture(600, 200, "png");
        const QString text = "Signed by M. Chavez 3/9/2026 09:00";
        QCOMPARE(answered(d.ask("POST", "/api/slip/1001/signature", signatureBody(png, "M. Chavez")), "signed"), text);
        d.clock.set(d.clock.now().addSecs(600));
        QCOMPARE(answered(d.ask("POST", "/api/slip/1001/signature", signatureBody(png, "M. Chavez")), "signed"), text);
        QCOMPARE(answered(d.ask("POST", "/api/slip/1001/signature", signatureBody(png, "J. Roe", "sign-0002")), "error"),
                 "The customer has signed this slip already.");

        const auto photos = SlipMedia::photos(d.folder, "A1001", 1001);
        QCOMPARE(photos.size(), 10u);
        QCOMPARE(photos.back().name, "Photo 10.jpg");
        QCOMPARE(SlipMedia::readFile(photos.front().path), jpeg);
        QCOMPARE(SlipMedia::readFile(SlipMedia::signature(d.folder, "A1001", 1001)->path), png);
        const QJsonValue slip = QJsonDocument::fromJson(d.ask("GET", "/api/day").body)["days"][0]["slips"][1];
        QCOMPARE(slip["slip"].toInt(), 1001);
        QCOMPARE(slip["photos"].toInt(), 10);
        QCOMPARE(slip["signed"].toString(), text);
        QCOMPARE(accountUse(d.folder, "A1001").mediaSlips, 1); // the number cannot change under them
        QCOMPARE(findings(d.folder, d.clock), QStringList());
    }

    // Served: the picture is stored on the host's worker thread and the answer comes back on the connection.
    void servedThroughTheHost()
    {
        PhoneServing s(true);
        const auto answer = s.call("POST", "/api/slip/1001/photo", photoBody(picture(1600, 1200, "jpeg")));
        QCOMPARE(answer.status, 200);
        QCOMPARE(QJsonDocument::fromJson(answer.body)["photos"].toInt(), 1);
        QCOMPARE(s.call("POST", "/api/slip/1003/photo", photoBody(picture(16, 16, "jpeg"))).status, 409);
        QCOMPARE(s.logLines(), 1);
    }

    // A store stopped at any step leaves the slip as before, and the retry stores the photo once. The file written
    // before its line in the index is a finding for the data check until then.
    void stoppedStoreIsRetriedOnce_data()
    {
        dataColumns<QString, QString, int, bool>("step", "file", "status", "stray");
        dataRow("writing the photo", "write", "Photo 01.jpg", 503, false);
        dataRow("renaming the photo", "rename", "Photo 01.jpg", 503, false);
        dataRow("appending to the index", "append", "Media.txt", 503, true);
        dataRow("after the index's append", "unguard", "Media.txt", 200, false);
        dataRow("not read back as written", "damage", "Photo 01.jpg", 503, true);
    }
    void stoppedStoreIsRetriedOnce()
    {
        auto [step, file, status, stray] = fetched<QString, QString, int, bool>("step", "file", "status", "stray");
        PhoneDesk d;
        makeCheckable(d.root, {"Al", "Bob"}, 1006);
        const QByteArray jpeg = picture(320, 240, "jpeg");
        d.folder.setFaultHook([&](const char *at, const QString &path) {
            if (step == "damage" && QLatin1String(at) == "rename" && path.endsWith(file)) // the disk loses a byte
                for (const QFileInfo &temporary : QDir(QFileInfo(path).path()).entryInfoList({"*.vdtmp"}))
                    QFile::resize(temporary.filePath(), temporary.size() - 1);
            else if (step == at && path.endsWith(file))
                throw DiskError("stopped");
        });
        QCOMPARE(d.ask("POST", "/api/slip/1001/photo", photoBody(jpeg)).status, status);
        QCOMPARE(SlipMedia::photoCount(d.folder, "A1001", 1001), int(status == 200));
        QCOMPARE(findings(d.folder, d.clock).join('\n').contains("is not one of the slip's photos"), stray);

        d.folder.setFaultHook({});
        QCOMPARE(answered(d.ask("POST", "/api/slip/1001/photo", photoBody(jpeg)), "photos").toInt(), 1);
        QCOMPARE(answered(d.ask("POST", "/api/slip/1001/photo", photoBody(jpeg)), "photos").toInt(), 1);
        QCOMPARE(SlipMedia::photos(d.folder, "A1001", 1001).front().name, "Photo 01.jpg");
        QCOMPARE(findings(d.folder, d.clock), QStringList());
    }

    // A stray file, a photo changed on disk and a torn index line are findings, and the photo is not shown.
    void dataCheckFindsWhatIsWrong()
    {
        PhoneDesk d;
        makeCheckable(d.root, {"Al", "Bob"}, 1006);
        d.ask("POST", "/api/slip/1001/photo", photoBody(picture(320, 240, "jpeg")));
        const QString slip = "/AuxFiles/A1001/Slip 1001";
        d.root.write(slip + "/holiday.jpg", "x");
        d.root.write(slip + "/Photo 01.jpg", "changed");
        d.root.write(slip + "/Media.txt", d.root.read(slip + "/Media.txt") + "photo\tPhoto 02");
        QCOMPARE(findings(d.folder, d.clock).size(), 3);
        QCOMPARE(SlipMedia::photoCount(d.folder, "A1001", 1001), 0);
    }
};

QTEST_MAIN(TestPhoneMedia)
#include "tst_phonemedia.moc"
