#include "platform/mdlDirList.h"
#include "platform/mdlVolume.h"

#include <QTest>

#include <sys/stat.h>

class TestVolume : public QObject {
    Q_OBJECT

private slots:
    void serialFromUuid_data() {
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("serial");
        QTest::newRow("FAT") << "1A2B-3C4D"
                             << "vfat"
                             << "1A2B3C4D";
        QTest::newRow("NTFS last 8") << "01D2E3F4A5B6C7D8"
                                     << "ntfs"
                                     << "A5B6C7D8";
        QTest::newRow("ext4 first 8") << "5b0e6f1c-9a3d-4c2e-8f7a-1234567890ab"
                                      << "ext4"
                                      << "5B0E6F1C";
        QTest::newRow("ISO date") << "2023-01-15-10-20-30-00"
                                  << "iso9660"
                                  << "20230115";
        QTest::newRow("none") << ""
                              << "nfs"
                              << "00000000";
        QTest::newRow("top bit set") << "FFFF-FFFF"
                                     << "exfat"
                                     << "FFFFFFFF";
    }
    void serialFromUuid() {
        QFETCH(QString, uuid);
        QFETCH(QString, fs);
        QFETCH(QString, serial);
        QCOMPARE(SerialText(SerialFromUuid(uuid, fs)), serial);
    }

    void driveType_data() {
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("removable");
        QTest::addColumn<int>("code");
        QTest::newRow("CD device") << "ext2"
                                   << "/dev/sr0" << false << 5;
        QTest::newRow("iso9660") << "iso9660"
                                 << "/dev/loop0" << false << 5;
        QTest::newRow("removable stick") << "vfat"
                                         << "/dev/sdb1" << true << 2;
        QTest::newRow("network") << "cifs"
                                 << "//server/share" << false << 4;
        QTest::newRow("RAM") << "tmpfs"
                             << "tmpfs" << false << 6;
        QTest::newRow("fixed") << "ext4"
                               << "/dev/nvme0n1p2" << false << 3;
    }
    void driveType() {
        QFETCH(QString, fs);
        QFETCH(QString, device);
        QFETCH(bool, removable);
        QFETCH(int, code);
        QCOMPARE(DriveTypeFor(fs, device, removable), code);
    }

    void pseudoMounts() {
        QVERIFY(IsPseudoMount(QStringLiteral("proc"), QStringLiteral("/proc")));
        QVERIFY(IsPseudoMount(QStringLiteral("tmpfs"), QStringLiteral("/run/user/1000")));
        QVERIFY(!IsPseudoMount(QStringLiteral("vfat"), QStringLiteral("/run/media/ann/STICK")));
        QVERIFY(!IsPseudoMount(QStringLiteral("ext4"), QStringLiteral("/")));
        QVERIFY(!IsPseudoMount(QStringLiteral("tmpfs"), QStringLiteral("/tmp")));
    }

    // The machine's root is always listed, as C.
    void rootIsC() {
        const QList<VolumeInfo> v = MountedVolumes();
        QVERIFY(!v.isEmpty());
        QCOMPARE(v.first().mountPoint, QStringLiteral("/"));
        QCOMPARE(v.first().key, QLatin1Char('C'));
    }

    void shortNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("isShort");
        QTest::newRow("8.3") << QByteArray("README.TXT") << true;
        QTest::newRow("no extension") << QByteArray("MAKEFILE") << true;
        QTest::newRow("lower case") << QByteArray("readme.txt") << false;
        QTest::newRow("base too long") << QByteArray("LONGNAMES.TXT") << false;
        QTest::newRow("extension too long") << QByteArray("A.HTML") << false;
        QTest::newRow("two dots") << QByteArray("A.B.C") << false;
        QTest::newRow("space") << QByteArray("A B") << false;
        QTest::newRow("trailing dot") << QByteArray("ABC.") << false;
    }
    void shortNames() {
        QFETCH(QByteArray, name);
        QFETCH(bool, isShort);
        QCOMPARE(IsShortName(std::string_view(name.constData(), size_t(name.size()))), isShort);
    }

    // Stored names: valid text unchanged, anything else escaped and reversible.
    void storedNames_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("stored");
        QTest::newRow("plain") << QByteArray("a.txt") << QStringLiteral("a.txt");
        QTest::newRow("backslash kept") << QByteArray("a\\b") << QStringLiteral("a\\b");
        QTest::newRow("umlaut") << QByteArray("\xc3\xbc") << QStringLiteral("\u00fc");
        QTest::newRow("latin-1 byte") << QByteArray("caf\xe9") << QStringLiteral("caf/xE9");
        QTest::newRow("bad byte and backslash") << QByteArray("\\\x80") << QStringLiteral("\\/x80");
        QTest::newRow("bad byte beside an escape look-alike")
            << QByteArray("\\xFF\xff") << QStringLiteral("\\xFF/xFF");
        QTest::newRow("truncated sequence")
            << QByteArray("x\xe2\x82") << QStringLiteral("x/xE2/x82");
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("/xED/xA0/x80");
    }
    void storedNames() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, stored);
        std::string buffer;
        const std::string_view s =
            StoredName(std::string_view(raw.constData(), size_t(raw.size())), buffer);
        QCOMPARE(QString::fromUtf8(s.data(), qsizetype(s.size())), stored);
        QCOMPARE(UnescapeName(stored), raw);
    }

    // Text with a "/" that is no escape (typed, or from a foreign index) keeps its characters.
    void storedNameLookAlikes() {
        for (const char* text : {"a/b", "/xfe", "/x4", "/x", "x/"})
            QCOMPARE(UnescapeName(QString::fromUtf8(text)), QByteArray(text));
    }

    void attributes() {
        QCOMPARE(AttributesOf(".hidden", S_IFREG | 0644), quint32(Attrib::Hidden));
        QCOMPARE(AttributesOf("d", S_IFDIR | 0555), quint32(Attrib::Directory | Attrib::ReadOnly));
        QCOMPARE(AttributesOf("l", S_IFLNK | 0777), quint32(Attrib::Link));
        QCOMPARE(AttributesOf("p", S_IFIFO | 0644), quint32(Attrib::System));
    }

    void cutToChars() {
        QCOMPARE(CutToChars("\xc3\xbc\xc3\xbc\xc3\xbc", 2), std::string_view("\xc3\xbc\xc3\xbc"));
        QCOMPARE(CutToChars("abc", 5), std::string_view("abc"));
    }
};

QTEST_GUILESS_MAIN(TestVolume)
#include "tst_volume.moc"
