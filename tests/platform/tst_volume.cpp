#include "platform/mdlCdToc.h"
#include "platform/mdlDirList.h"
#include "platform/mdlVolume.h"

#include <QSet>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestVolume : public QObject {
    Q_OBJECT

private slots:
    void serialFromUuid_data() {
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("serial");
        QTest::newRow("FAT") << u"1A2B-3C4D"_s << u"vfat"_s << u"1A2B3C4D"_s;
        QTest::newRow("NTFS last 8") << u"01D2E3F4A5B6C7D8"_s << u"ntfs"_s << u"A5B6C7D8"_s;
        QTest::newRow("ext4 first 8")
            << u"5b0e6f1c-9a3d-4c2e-8f7a-1234567890ab"_s << u"ext4"_s << u"5B0E6F1C"_s;
        QTest::newRow("ISO date") << u"2023-01-15-10-20-30-00"_s << u"iso9660"_s << u"20230115"_s;
        QTest::newRow("none") << QString() << u"nfs"_s << u"00000000"_s;
        QTest::newRow("top bit set") << u"FFFF-FFFF"_s << u"exfat"_s << u"FFFFFFFF"_s;
    }
    void serialFromUuid() {
        QFETCH(QString, uuid);
        QFETCH(QString, fs);
        QFETCH(QString, serial);
        QCOMPARE(SerialText(SerialFromUuid(uuid, fs)), serial);
    }

    // Volumes without a UUID: each its own serial, every time; only an unreadable one has none.
    // A disc is known by where its tracks lie: one frame more is another disc.
    void derivedSerial() {
        const QList<VolumeIdentity> distinct = {
            {true, u"tmpfs"_s, u"tmpfs"_s, 0, {}, u"/tmp"_s},
            {true, u"tmpfs"_s, u"tmpfs"_s, 0, {}, u"/dev/shm"_s},
            {true, u"tmpfs"_s, u"tmpfs"_s, 7, {}, u"/tmp"_s},
            {true, u"nfs4"_s, u"nas:/export/music"_s, 0, {}, u"/mnt/a"_s},
            {true, u"nfs4"_s, u"nas:/export/films"_s, 0, {}, u"/mnt/a"_s},
            {true, u"fuse.sshfs"_s, u"ann@host:/data"_s, 0, {}, u"/mnt/a"_s},
            {true, u"fuse.sshfs"_s, u"ann@host:/data"_s, 0, u"DATA"_s, u"/mnt/a"_s},
        };
        QSet<quint32> seen;
        for (const VolumeIdentity& v : distinct) {
            const quint32 serial = DerivedSerial(v);
            QVERIFY2(serial != 0, qPrintable(v.source + v.mountPoint));
            QVERIFY2(!seen.contains(serial), qPrintable(v.source + v.mountPoint));
            seen.insert(serial);
            QCOMPARE(DerivedSerial(v), serial);
        }
        // A network volume is the same disk wherever it is mounted.
        VolumeIdentity elsewhere = distinct.at(3);
        elsewhere.mountPoint = QStringLiteral("/media/music");
        QCOMPARE(DerivedSerial(elsewhere), DerivedSerial(distinct.at(3)));
        VolumeIdentity unreadable = distinct.at(3);
        unreadable.readable = false;
        QCOMPARE(DerivedSerial(unreadable), 0u);
        CdToc toc;
        toc.tracks = {{1, 150, true}, {2, 20150, true}};
        toc.leadOutLba = 30150;
        const quint32 disc = SerialFromToc(toc);
        toc.leadOutLba = 30151;
        QVERIFY(SerialFromToc(toc) != disc);
    }

    // Letters stay with their volume as others come and go.
    void driveLetters_data() {
        QTest::addColumn<QString>("remembered"); // letter=place;...
        QTest::addColumn<QString>("places");     // listed, in mount point order
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::newRow("first run: in order")
            << QString() << u"/,/a,/b"_s << u"CDE"_s << u"C=/;D=/a;E=/b"_s;
        QTest::newRow("one gone, the others keep theirs")
            << u"C=/;D=/a;E=/b"_s << u"/,/b"_s << u"CE"_s << u"C=/;D=/a;E=/b"_s;
        QTest::newRow("newcomer takes no remembered letter")
            << u"C=/;D=/a;E=/b"_s << u"/,/b,/c"_s << u"CEF"_s << u"C=/;D=/a;E=/b;F=/c"_s;
        QTest::newRow("remembered letter before earlier ones")
            << u"F=/b"_s << u"/,/a,/b"_s << u"CDF"_s << u"C=/;D=/a;F=/b"_s;
        QTest::newRow("root is always C")
            << u"C=/old;D=/"_s << u"/,/old"_s << u"CE"_s << u"C=/;E=/old"_s;
        QTest::newRow("CD drive by its device")
            << u"D=/dev/sr0"_s << u"/,/a,/dev/sr0"_s << u"CED"_s << u"C=/;D=/dev/sr0;E=/a"_s;
        QString all;
        for (char c = 'A'; c <= 'Z'; ++c)
            all += QStringLiteral("%1=/v%1;").arg(QLatin1Char(c));
        all.chop(1);
        QTest::newRow("letters run out: an absent one's letter goes")
            << all << u"/,/new"_s << u"CD"_s
            << QString(all)
                   .replace(QStringLiteral("C=/vC"), QStringLiteral("C=/"))
                   .replace(QStringLiteral("D=/vD"), QStringLiteral("D=/new"));
    }
    void driveLetters() {
        QFETCH(QString, remembered);
        QFETCH(QString, places);
        QFETCH(QString, keys);
        QFETCH(QString, after);
        DriveLetterMap map;
        for (const QString& pair : remembered.split(u';', Qt::SkipEmptyParts))
            map.insert(pair.at(0), pair.mid(2));
        QList<VolumeInfo> volumes;
        for (const QString& place : places.split(u',')) {
            VolumeInfo v;
            (place.startsWith(QLatin1String("/dev/")) ? v.device : v.mountPoint) = place;
            volumes.append(v);
        }
        AssignDriveLetters(volumes, map);
        QString got;
        for (const VolumeInfo& v : volumes)
            got += v.key;
        QCOMPARE(got, keys);
        QStringList pairs; // in letter order
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            pairs << QString(it.key()) + u'=' + it.value();
        QCOMPARE(pairs.join(u';'), after);
    }

    void driveType_data() {
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("removable");
        QTest::addColumn<int>("code");
        QTest::newRow("CD device") << u"ext2"_s << u"/dev/sr0"_s << false << 5;
        QTest::newRow("iso9660") << u"iso9660"_s << u"/dev/loop0"_s << false << 5;
        QTest::newRow("removable stick") << u"vfat"_s << u"/dev/sdb1"_s << true << 2;
        QTest::newRow("network") << u"cifs"_s << u"//server/share"_s << false << 4;
        QTest::newRow("RAM") << u"tmpfs"_s << u"tmpfs"_s << false << 6;
        QTest::newRow("fixed") << u"ext4"_s << u"/dev/nvme0n1p2"_s << false << 3;
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

    // The accepted forms show in the scan's short names; here the ways a name is refused.
    void shortNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("isShort");
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

    // Stored names: anything that is not valid text escaped, reversibly.
    void storedNames_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("stored");
        QTest::newRow("bad byte and backslash") << QByteArray("\\\x80") << QStringLiteral("\\/x80");
        QTest::newRow("truncated sequence")
            << QByteArray("x\xe2\x82") << QStringLiteral("x/xE2/x82");
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("/xED/xA0/x80");
        // Text with a "/" that is no escape (typed, or from an index) keeps its characters.
        for (const char* text : {"a/b", "/xfe", "/x4", "/x", "x/"})
            QTest::newRow(text) << QByteArray(text) << QString::fromUtf8(text);
    }
    void storedNames() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, stored);
        std::string buffer;
        const std::string_view s =
            StoredName(std::string_view(raw.constData(), size_t(raw.size())), buffer);
        if (!raw.contains('/'))
            QCOMPARE(QString::fromUtf8(s.data(), qsizetype(s.size())), stored);
        QCOMPARE(UnescapeName(stored), raw);
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
