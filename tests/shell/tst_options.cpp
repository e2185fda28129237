#include "common/mdlPath.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRegistry.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every field, so that two option sets compare in one step.
QStringList dump(const Options& o) {
    QStringList out;
    for (const qint32 n : {o.WindowState, o.SizeVLeft, o.SizeTreeLeft, o.NewType, o.Locale})
        out << QString::number(n);
    for (const bool b :
         {o.LoadDefaultDatabase, o.UseIcons, o.ViewToolbar, o.ViewStatusBar, o.ViewNodes,
          o.ViewTree, o.IncrementalFill, o.DetectSubFolders, o.NoCollect, o.AskForName, o.Eject,
          o.DisplaySummary, o.AutoClose, o.ScanFiles, o.ScanMSDOSName, o.ScanTime})
        out << QString::number(b);
    out << o.LastDrive << o.LastDriveVolume << o.Default;
    return out;
}

QString key(const char* subKey) {
    return kLedraKey + QLatin1Char('\\') + QLatin1String(subKey);
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void freshAccount();
    void savedValues_data();
    void savedValues();
    void roundTrip();
    void nonzeroIsTrue_data();
    void nonzeroIsTrue();
    void damagedFileKeepsDefaults();
    void languageId_data();
    void languageId();

private:
    QTemporaryDir m_config;
    QString m_folder;
};

void TestOptions::initTestCase() {
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QStandardPaths::setTestModeEnabled(false);
    m_folder = m_config.path() + QStringLiteral("/Tessaly");
}

void TestOptions::init() {
    QDir(m_folder).removeRecursively();
    DefaultOptions();
}

void TestOptions::freshAccount() {
    const Options& o = options();
    QCOMPARE(o.WindowState, 2);
    QCOMPARE(o.SizeVLeft, 160);
    QCOMPARE(o.SizeTreeLeft, 200);
    QCOMPARE(o.NewType, 1);
    QCOMPARE(o.Locale, SystemLanguageId());
    QVERIFY(o.ViewToolbar && o.ViewStatusBar && o.ViewNodes && !o.ViewTree);
    QVERIFY(o.IncrementalFill && o.DetectSubFolders);
    QVERIFY(o.LastDrive.isEmpty());
    QVERIFY(!o.NoCollect && !o.AskForName && !o.Eject && o.DisplaySummary && o.AutoClose);
    QVERIFY(o.ScanFiles && !o.ScanMSDOSName && !o.ScanTime);
    QVERIFY(o.LoadDefaultDatabase && o.UseIcons);
    QCOMPARE(o.Default, QString(PersonalFolder() + QStringLiteral("Ledra.ldr")));

    const QStringList defaults = dump(o);
    LoadOptions();
    QCOMPARE(dump(options()), defaults);
    QVERIFY(!QFileInfo::exists(m_folder)); // loading writes nothing

    SaveOptions();
    QSettings stored(RegKeyLocation(kLedraKey).file, QSettings::IniFormat);
    QCOMPARE(stored.allKeys().size(), 28);
}

void TestOptions::savedValues_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::newRow("window state") << key("Options") << "Window State"
                                  << "2";
    QTest::newRow("splitter") << key("Options") << "SizeVLeft"
                              << "160";
    QTest::newRow("tree splitter") << key("Options") << "SizeTreeLeft"
                                   << "200";
    QTest::newRow("new type") << key("Options") << "New Type"
                              << "1";
    QTest::newRow("toolbar") << key("Options\\View") << "Toolbar"
                             << "-1";
    QTest::newRow("status bar") << key("Options\\View") << "StatusBar"
                                << "-1";
    QTest::newRow("nodes") << key("Options\\View") << "Nodes"
                           << "-1";
    QTest::newRow("tree") << key("Options\\View") << "Tree"
                          << "0";
    QTest::newRow("incremental") << key("Options\\View\\Tree") << "Incremental Fill"
                                 << "-1";
    QTest::newRow("subfolders") << key("Options\\View\\Tree") << "Detect SubFolders"
                                << "-1";
    QTest::newRow("last drive") << key("Options\\New Disk") << "Last Drive"
                                << "";
    QTest::newRow("last drive volume") << key("Options\\New Disk") << "Last Drive Volume"
                                       << "";
    QTest::newRow("no collect") << key("Options\\New Disk") << "No Collect"
                                << "0";
    QTest::newRow("ask") << key("Options\\New Disk") << "Ask For Name"
                         << "0";
    QTest::newRow("eject") << key("Options\\New Disk") << "Eject"
                           << "0";
    QTest::newRow("summary") << key("Options\\New Disk") << "Display Summary"
                             << "-1";
    QTest::newRow("auto close") << key("Options\\New Disk") << "Auto Close"
                                << "-1";
    QTest::newRow("scan files") << key("Options\\New Disk") << "Scan Files"
                                << "-1";
    QTest::newRow("short names") << key("Options\\New Disk") << "Scan MSDOS Name"
                                 << "0";
    QTest::newRow("scan time") << key("Options\\New Disk") << "Scan Time"
                               << "0";
    QTest::newRow("default catalogue")
        << key("Database") << "Default" << QString(PersonalFolder() + QStringLiteral("Ledra.ldr"));
    QTest::newRow("locale") << key("Options") << "Locale" << QString::number(SystemLanguageId());
    QTest::newRow("load default") << key("Options") << "Load Default Database"
                                  << "-1";
    QTest::newRow("icons") << key("Options") << "Use Icons"
                           << "-1";
}

void TestOptions::savedValues() {
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, stored);
    SaveOptions();
    QCOMPARE(GetRegString(key, name, QStringLiteral("<missing>")), stored);
}

void TestOptions::roundTrip() {
    Options& o = options();
    o.WindowState = 0;
    o.SizeVLeft = -5;
    o.NewType = 2;
    o.Locale = 1050;
    o.ViewTree = true;
    o.ViewNodes = false;
    o.DetectSubFolders = false;
    o.LastDrive = QStringLiteral("D");
    o.LastDriveVolume = QStringLiteral("/media/ann/STICK \"2\"");
    o.Eject = true;
    o.ScanTime = true;
    o.UseIcons = false;
    o.Default = QStringLiteral("/data/My catalogs/Music, films.ldr");
    const QStringList saved = dump(o);
    SaveOptions();

    DefaultOptions();
    QVERIFY(dump(options()) != saved);
    LoadOptions();
    QCOMPARE(dump(options()), saved);
}

void TestOptions::nonzeroIsTrue_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("value");
    QTest::newRow("one") << "1" << true;
    QTest::newRow("all bits") << "4294967295" << true;
    QTest::newRow("minus one") << "-1" << true;
    QTest::newRow("two") << "2" << true;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("not a number keeps default") << "yes" << false;
}

void TestOptions::nonzeroIsTrue() {
    QFETCH(QString, stored);
    QFETCH(bool, value);
    const QString newDisk = key("Options\\New Disk");
    SetRegString(newDisk, QStringLiteral("Eject"), stored); // default False
    LoadOptions();
    QCOMPARE(options().Eject, value);
    SaveOptions();
    QCOMPARE(GetRegString(newDisk, QStringLiteral("Eject"), QString()),
             value ? QStringLiteral("-1") : QStringLiteral("0"));
}

void TestOptions::damagedFileKeepsDefaults() {
    const QString file = RegKeyLocation(kLedraKey).file;
    QVERIFY(QDir().mkpath(m_folder));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[Options]\nWindow State=0\nSizeVLeft=999\n[Options/View\nToolbar=0\n");
    out.close();

    const QStringList defaults = dump(options());
    LoadOptions();
    QCOMPARE(dump(options()), defaults);
}

void TestOptions::languageId_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint32>("id");
    QTest::newRow("en_US") << "en_US" << 1033;
    QTest::newRow("en_GB") << "en_GB" << 2057;
    QTest::newRow("de_DE") << "de_DE" << 1031;
    QTest::newRow("de_AT") << "de_AT" << 3079;
    QTest::newRow("fr_FR") << "fr_FR" << 1036;
    QTest::newRow("es_ES") << "es_ES" << 3082;
    QTest::newRow("pt_BR") << "pt_BR" << 1046;
    QTest::newRow("pt_PT") << "pt_PT" << 2070;
    QTest::newRow("hr_HR") << "hr_HR" << 1050;
    QTest::newRow("sr_RS") << "sr_RS" << 2074;
    QTest::newRow("zh_CN") << "zh_CN" << 2052;
    QTest::newRow("zh_TW") << "zh_TW" << 1028;
    QTest::newRow("nb_NO") << "nb_NO" << 1044;
    QTest::newRow("ja_JP") << "ja_JP" << 1041;
    QTest::newRow("language only: de") << "de" << 1031;
    QTest::newRow("unlisted territory: de_LU") << "de_LU" << 1031;
    QTest::newRow("unlisted territory: en_IN") << "en_IN" << 1033;
    QTest::newRow("C locale") << "C" << 1033;
    QTest::newRow("unknown language") << "sw_KE" << 1033;
}

void TestOptions::languageId() {
    QFETCH(QString, locale);
    QFETCH(qint32, id);
    QCOMPARE(LanguageIdOf(QLocale(locale)), id);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
