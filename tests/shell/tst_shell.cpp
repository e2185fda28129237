#include "CatalogueFixture.h"

#include "common/mdlPath.h"
#include "shell/frmOptions.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRecent.h"
#include "shell/mdlRegistry.h"
#include "shell/mdlSetup.h"
#include "shell/mdlStartArgs.h"

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kRecentKey = kLedraKey + u"\\Recent"_s;

QString catalogue(int n) {
    return u"/data/catalogue %1.ldr"_s.arg(n);
}

// The raw values "0".."15" under the Recent key; "-" where absent.
QStringList storedValues() {
    QStringList out;
    for (int i = 0; i < RecentList::kMaxEntries; ++i)
        out << GetRegString(kRecentKey, QString::number(i), u"-"_s);
    return out;
}

} // namespace

// The settings store and the options and recent list kept in it, the options dialog, the one-time
// set-up that writes the ".ldr" association, and the command line.
class TestShell : public QObject {
    Q_OBJECT

    TestHome m_home;
    const QString m_folder = m_home.file(u"config/Tessaly"_s);
    const QString m_key = kLedraKey + u"\\Options"_s;

private slots:
    void init() {
        QDir(m_folder).removeRecursively();
        DefaultOptions();
    }

    void location_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("file"); // "" for no file
        QTest::addColumn<QString>("group");
        QTest::newRow("ledra sub-key") << u"HKCU\\Software\\Tessaly\\Ledra\\Options\\New Disk"_s
                                       << u"Ledra.conf"_s << u"Options/New Disk"_s;
        QTest::newRow("longer product name") << u"HKCU\\Software\\Tessaly\\LedraX\\a"_s
                                             << u"HKCU.conf"_s << u"Software/Tessaly/LedraX/a"_s;
        QTest::newRow("classes, trailing slash")
            << u"HKCR\\.ldr\\"_s << u"HKCR.conf"_s << u".ldr"_s;
        QTest::newRow("unknown root") << u"HKXX\\Software"_s << QString() << QString();
    }

    void location() {
        QFETCH(QString, path);
        QFETCH(QString, file);
        QFETCH(QString, group);
        const RegLocation location = RegKeyLocation(path);
        QCOMPARE(location.file, file.isEmpty() ? QString() : m_folder + u'/' + file);
        QCOMPARE(location.group, group);
        if (file.isEmpty()) { // nothing is written, everything reads as its default
            SetRegLong(path, u"n"_s, 5);
            QCOMPARE(GetRegLong(path, u"n"_s, 9), 9);
            QVERIFY(!QFileInfo::exists(m_folder));
        }
    }

    // A number is read from its stored text: DWORD spellings wrap, anything else is the default.
    void numbersAndDefaults() {
        for (const QString& c : u"-1=-1| 2147483647=2147483647|-2147483648=-2147483648|"
                                "4294967295=-1|2147483648=-2147483648|4294967296=7|"
                                "-2147483649=7|1.5=7|12abc=7|=7"_s.split(u'|')) {
            SetRegString(m_key, u"Value"_s, c.section(u'=', 0, 0));
            QVERIFY2(GetRegLong(m_key, u"Value"_s, 7) == c.section(u'=', 1).toInt(), qPrintable(c));
        }
    }

    // Texts read back as written; the 4096-character buffer also holds the terminating NUL.
    void textRoundTrip_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("blanks kept") << kRecentKey << u"0"_s << u"  /home/u/a.ldr "_s << true;
        QTest::newRow("at sign") << kRecentKey << u"2"_s << u"@Variant(x)"_s << true;
        QTest::newRow("non-latin, quotes, backslash")
            << kRecentKey << u"5"_s << u"Čitanka Ω \"b\" c\\d;e#f\nx"_s << true;
        QTest::newRow("empty text") << kRecentKey << u"6"_s << QString() << true;
        QTest::newRow("default value")
            << u"HKCR\\.ldr\\"_s << QString() << u"Tessaly.Ledra"_s << true;
        QTest::newRow("4095 in default buffer") << m_key << u"s"_s << QString(4095, u'x') << true;
        QTest::newRow("4096 in default buffer") << m_key << u"s"_s << QString(4096, u'x') << false;
    }

    void textRoundTrip() {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, fits);
        SetRegString(key, name, text);
        SetRegString(key + u"\\Sub"_s, name, u"other"_s); // a sub-key's value is another value
        QCOMPARE(GetRegString(key, name, u"<missing>"_s), fits ? text : u"<missing>"_s);
    }

    void untrustedFileGivesDefaults_data() {
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("damaged file") << false;
        QTest::newRow("unreadable (a folder)") << true;
    }

    void untrustedFileGivesDefaults() {
        QFETCH(bool, asFolder);
        const QString file = RegKeyLocation(kLedraKey).file;
        // An unclosed section header; the values around it still parse.
        QVERIFY(asFolder ? QDir().mkpath(file)
                         : writeBytes(file, "[Options]\nSizeVLeft=300\n[View\nToolbar=0\n"));
        for (int pass = 0; pass < 2; ++pass) { // the second read comes from Qt's cache
            QCOMPARE(GetRegLong(m_key, u"SizeVLeft"_s, 160), 160);
            QCOMPARE(GetRegString(m_key, u"SizeVLeft"_s, u"d"_s), u"d"_s);
        }
    }

    // Deletes, and a batch that writes each file once at its end.
    void deleteAndBatch() {
        SetRegString(kRecentKey, u"0"_s, u"old"_s);
        SetRegString(kRecentKey, u"1"_s, u"gone"_s);
        SetRegString(kRecentKey, u"2"_s, u"kept"_s);
        const QString file = RegKeyLocation(kRecentKey).file;
        const QByteArray before = readBytes(file);
        {
            const RegWriteBatch batch;
            DeleteRegValue(kRecentKey, u"0"_s);
            DeleteRegValue(kRecentKey, u"1"_s);
            DeleteRegValue(kRecentKey, u"7"_s);
            SetRegString(kRecentKey, u"0"_s, u"new"_s);
            SetRegLong(m_key, u"n"_s, -1);
            QCOMPARE(readBytes(file), before);
        }
        QCOMPARE(GetRegString(kRecentKey, u"0"_s, QString()), u"new"_s);
        QCOMPARE(GetRegString(kRecentKey, u"1"_s, u"-"_s), u"-"_s);
        QCOMPARE(GetRegString(kRecentKey, u"2"_s, u"-"_s), u"kept"_s);
        QCOMPARE(GetRegLong(m_key, u"n"_s, 0), -1);

        DeleteRegValue(kRecentKey, u"2"_s); // outside a batch at once
        QCOMPARE(GetRegString(kRecentKey, u"2"_s, u"-"_s), u"-"_s);
    }

    // A fresh account: the defaults, stored under their names as 0 / -1 for booleans; then values
    // other than the defaults read back as they were saved.
    void defaultsAndRoundTrip() {
        LoadOptions();
        QVERIFY(!QFileInfo::exists(m_folder)); // loading writes nothing

        SaveOptions();
        const QString file = RegKeyLocation(kLedraKey).file;
        QSettings stored(file, QSettings::IniFormat);
        QStringList got;
        for (const QString& key : stored.allKeys())
            got << key + u'=' + stored.value(key).toString();
        got.sort();
        QCOMPARE(got.join(u';'),
                 u"Database/Default=%1Ledra.ldr;Options/Load Default Database=-1;Options/Locale=%2;"
                 "Options/New Disk/Ask For Name=0;Options/New Disk/Auto Close=-1;"
                 "Options/New Disk/Display Summary=-1;Options/New Disk/Eject=0;"
                 "Options/New Disk/Last Drive Volume=;Options/New Disk/Last Drive=;"
                 "Options/New Disk/No Collect=0;Options/New Disk/Scan Files=-1;"
                 "Options/New Disk/Scan MSDOS Name=0;Options/New Disk/Scan Time=0;"
                 "Options/New Type=1;Options/SizeTreeLeft=200;Options/SizeVLeft=160;"
                 "Options/Use Icons=-1;Options/View/List Columns=;Options/View/List Sort=;"
                 "Options/View/List View=1;Options/View/Nodes=-1;Options/View/StatusBar=-1;"
                 "Options/View/Toolbar=-1;Options/View/Tree/Detect SubFolders=-1;"
                 "Options/View/Tree/Incremental Fill=-1;Options/View/Tree=0;"
                 "Options/Window Geometry=;Options/Window State=2"_s.arg(PersonalFolder())
                     .arg(SystemLanguageId()));

        Options& o = options();
        o.WindowState = 0, o.SizeVLeft = -5, o.SizeTreeLeft = 321, o.NewType = 2, o.Locale = 1050;
        o.ListView = 2, o.ListColumns = u"10,20,30,40"_s, o.ListSort = u"2,1"_s;
        o.WindowGeometry = u"AdnQywADAAA="_s, o.LastDrive = u"D"_s;
        o.LastDriveVolume = u"/media/ann/STICK \"2\" "_s; // a volume name may end in a blank
        o.Default = u"/data/My catalogs/Music, films.ldr"_s;
        o.ViewTree = o.NoCollect = o.AskForName = o.Eject = o.ScanMSDOSName = o.ScanTime = true;
        o.ViewToolbar = o.ViewStatusBar = o.ViewNodes = o.IncrementalFill = false;
        o.DetectSubFolders = o.DisplaySummary = o.AutoClose = o.ScanFiles = false;
        o.UseIcons = o.LoadDefaultDatabase = false;
        SaveOptions();
        const QByteArray saved = readBytes(file);
        DefaultOptions();
        LoadOptions();
        SaveOptions();
        QCOMPARE(readBytes(file), saved);
    }

    // A boolean is true for any non-zero number; it is stored back as -1 or 0.
    void storedBooleans() {
        const QString newDisk = kLedraKey + u"\\Options\\New Disk"_s;
        const std::pair<const char*, bool> cases[] = {
            {"1", true}, {"4294967295", true}, {"0", false}, {"yes", false}};
        for (const auto& [stored, value] : cases) {
            DefaultOptions(); // Eject: False
            SetRegString(newDisk, u"Eject"_s, QLatin1String(stored));
            LoadOptions();
            QCOMPARE(options().Eject, value);
            SaveOptions();
            QCOMPARE(GetRegString(newDisk, u"Eject"_s, QString()), value ? u"-1"_s : u"0"_s);
        }
    }

    // OK stores the four boxes, Cancel nothing; Detect Sub Folders follows Incremental Fill and
    // keeps its value while greyed.
    void optionsDialog() {
        Options& o = options();
        for (const bool value : {true, false}) {
            o.IncrementalFill = o.DetectSubFolders = o.UseIcons = o.LoadDefaultDatabase = value;
            for (const char* button : {"cmdCancel", "cmdOK"}) {
                frmOptions f;
                QCheckBox* detect = f.findChild<QCheckBox*>(u"chkTreeDetectSubFolders"_s);
                QCOMPARE(detect->isEnabled(), value);
                for (const char* name : {"chkTreeIncrementalFill", "chkTreeDetectSubFolders",
                                         "chkUseIcons", "chkLoadLastFile"}) {
                    QCheckBox* box = f.findChild<QCheckBox*>(QLatin1String(name));
                    QCOMPARE(box->isChecked(), value);
                    box->setChecked(!value);
                }
                QCOMPARE(detect->isEnabled(), !value);
                f.findChild<QPushButton*>(QLatin1String(button))->click();
            }
            QCOMPARE((QList<bool>{o.IncrementalFill, o.DetectSubFolders, o.UseIcons,
                                  o.LoadDefaultDatabase}),
                     QList<bool>(4, !value));
        }
        o.IncrementalFill = false;
        o.DetectSubFolders = true;
        frmOptions f;
        f.findChild<QPushButton*>(u"cmdOK"_s)->click();
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QVERIFY(o.DetectSubFolders);
    }

    // Gaps in the store are closed, the list holds 16, a path already listed (in any case, with
    // blanks) moves to the top, and only a save writes.
    void listAndStore() {
        for (const char* n : {"0", "5", "9", "16"})
            SetRegString(kRecentKey, QLatin1String(n), u"/a%1.ldr"_s.arg(QLatin1String(n)));
        RecentList list;
        list.LoadRecent(kRecentKey);
        QCOMPARE(list.entries(), (QStringList{u"/a0.ldr"_s, u"/a5.ldr"_s, u"/a9.ldr"_s}));

        QStringList expected{u"/a0.ldr"_s}; // the oldest two dropped
        for (int i = 1; i <= 15; ++i)
            list.AddRecent(catalogue(i)), expected.prepend(catalogue(i));
        QCOMPARE(list.entries(), expected);

        const QString again = u" /DATA/Catalogue 3.LDR"_s; // kept as last spelled
        list.AddRecent(again);
        expected.removeAt(12);
        expected.prepend(again);
        QCOMPARE(list.entries(), expected);

        list.RemoveRecent(u"/A0.ldr "_s);
        list.RemoveRecent(catalogue(99));
        expected.removeLast();
        QCOMPARE(list.entries(), expected);
        QCOMPARE(storedValues().at(5), u"/a5.ldr"_s);

        list.SaveRecent();
        QCOMPARE(storedValues(), expected + QStringList{u"-"_s});
        RecentList reloaded;
        reloaded.LoadRecent(kRecentKey);
        QCOMPARE(reloaded.entries(), expected);
    }

    // Positions 1-10 get an access key; a path over 32 characters shows its tail from a "/".
    void caption_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("32 characters whole, position 0")
            << 0 << u"/home/user/catalogs/musics/a.ldr"_s << u"/home/user/catalogs/musics/a.ldr"_s;
        QTest::newRow("33 characters shortened, position 1")
            << 1 << u"/x/home/user/catalogs/music/a.ldr"_s
            << u"&1 ../home/user/catalogs/music/a.ldr"_s;
        QTest::newRow("no separator in the tail, position 9")
            << 9 << u"/a/abcdefghijklmnopqrstuvwxyz0123456789.ldr"_s
            << u"&9 /a/abcdefghijklmnopqrstuvwxyz0123456789.ldr"_s;
        QTest::newRow("separator first in the tail, position 10")
            << 10 << u"/aaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"_s
            << u"1&0 ../bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"_s;
        QTest::newRow("position 11") << 11 << u"/a.ldr"_s << u"/a.ldr"_s;
    }

    void caption() {
        QFETCH(int, position);
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(RecentCaption(position, path), caption);
    }

    // The set-up switch writes a launcher entry and the ".ldr" association.
    void setupWritesLauncherAndFileType() {
        const QString exe = u"/opt/My Apps/ledra"_s;
        const SetupResult r = RunSetup(exe);
        // The shared folder of the test home is writable, so it is preferred.
        QCOMPARE(r.desktopEntry, m_home.file(u"shared/applications/ledra.desktop"_s));
        const QString entry = QString::fromUtf8(readBytes(r.desktopEntry));
        for (const QString& line :
             {u"[Desktop Entry]\n"_s, u"Exec=\"/opt/My Apps/ledra\" %f\n"_s,
              u"Path=/opt/My Apps\n"_s, u"Comment=Tessaly Ledra\n"_s,
              u"MimeType=application/x-ledra-catalog;\n"_s, u"Icon=ledra\n"_s})
            QVERIFY2(entry.contains(line), qPrintable(line));
        // The launcher shows Ledra's own icon, installed beside it.
        QCOMPARE(r.icon, m_home.file(u"shared/icons/hicolor/scalable/apps/ledra.svg"_s));
        QVERIFY(readBytes(r.icon).contains("<svg"));
        const QByteArray mime = readBytes(r.mimePackage);
        QVERIFY(mime.contains("<glob pattern=\"*.ldr\"/>") && mime.contains("Ledra Catalog File"));

        const QString classes = u"HKCR\\Tessaly.Ledra"_s;
        QCOMPARE(GetRegString(classes, QString(), QString()), u"Ledra Catalog File"_s);
        QCOMPARE(GetRegString(classes + u"\\DefaultIcon"_s, QString(), QString()), exe + u",1"_s);
        QCOMPARE(GetRegString(classes + u"\\shell\\Open\\command"_s, QString(), QString()),
                 exe + u" %1"_s);
        QCOMPARE(GetRegString(u"HKCR\\.ldr"_s, QString(), QString()), u"Tessaly.Ledra"_s);
    }

    // The executable's set-up switch, with a shared folder that cannot take a file: the entry
    // goes to the user's own folder, and nothing but the association is written to the store.
    void theExecutableRunsSetupAndEnds() {
        QVERIFY(writeBytes(m_home.file(u"shared-file"_s), "x"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DATA_DIRS"_s, m_home.file(u"shared-file"_s));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LEDRA_EXE), {u"/SETUP"_s});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(readBytes(m_home.file(u"data/applications/ledra.desktop"_s))
                    .contains(QByteArrayLiteral(LEDRA_EXE)));
        QVERIFY(QFile::exists(m_home.file(u"data/mime/packages/ledra-catalog.xml"_s)));
        QVERIFY(!QFile::exists(m_home.file(u"config/Tessaly/Ledra.conf"_s)));
    }

    // The program's arguments: switches are whole arguments, paths are made absolute.
    void startArgs_data() {
        using A = StartArgs::Action;
        QTest::addColumn<QString>("args"); // split at blanks
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("path");
        const QString here = QDir::currentPath();
        QTest::newRow("nothing") << QString() << int(A::Open) << QString();
        QTest::newRow("/Setup") << u"/Setup"_s << int(A::Setup) << QString();
        QTest::newRow("--SETUP") << u"--SETUP"_s << int(A::Setup) << QString();
        QTest::newRow("/setup:yes") << u"/setup:yes"_s << int(A::Setup) << QString();
        QTest::newRow("a file named setup in a folder SETUP")
            << u"/media/SETUP/setup"_s << int(A::Open) << u"/media/SETUP/setup"_s;
        QTest::newRow("relative made absolute, blanks join the parts")
            << u"disks/../My Disks.ldr"_s << int(A::Open) << here + u"/My Disks.ldr"_s;
        QTest::newRow("--screenshots DIR CATALOGUE")
            << u"--screenshots /tmp/pics /tmp/a.ldr"_s << int(A::Screenshots) << u"/tmp/a.ldr"_s;
        QTest::newRow("--screenshots without a folder")
            << u"--screenshots"_s << int(A::UsageError) << QString();
        QTest::newRow("-- then a name with a dash")
            << u"-- --help"_s << int(A::Open) << here + u"/--help"_s;
    }

    void startArgs() {
        QFETCH(QString, args);
        QFETCH(int, action);
        QFETCH(QString, path);
        const StartArgs parsed = ParseStartArgs(args.split(u' ', Qt::SkipEmptyParts));
        QCOMPARE(int(parsed.action), action);
        QCOMPARE(parsed.path, path);
        QCOMPARE(parsed.error.isEmpty(), action != int(StartArgs::Action::UsageError));
        if (action == int(StartArgs::Action::Screenshots))
            QCOMPARE(parsed.pictureDir, u"/tmp/pics"_s);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
