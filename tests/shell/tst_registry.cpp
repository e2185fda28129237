#include "shell/mdlRegistry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestRegistry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void parseRegKey_data();
    void parseRegKey();
    void location_data();
    void location();
    void unknownRootFailsQuietly();
    void longFromText_data();
    void longFromText();
    void writeIfMissing();
    void textRoundTrip_data();
    void textRoundTrip();
    void bufferLength_data();
    void bufferLength();
    void untrustedFileGivesDefaults_data();
    void untrustedFileGivesDefaults();
    void deleteValue();
    void batchWritesAtEnd();

private:
    QTemporaryDir m_config;
    QString m_folder;
};

void TestRegistry::initTestCase() {
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QStandardPaths::setTestModeEnabled(false);
    m_folder = m_config.path() + QStringLiteral("/Tessaly");
}

void TestRegistry::init() {
    QDir(m_folder).removeRecursively();
}

void TestRegistry::parseRegKey_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<RegRoot>("root");
    QTest::addColumn<QString>("subKey");
    QTest::newRow("HKCU") << "HKCU\\Software\\Tessaly" << RegRoot::CurrentUser
                          << "Software\\Tessaly";
    QTest::newRow("long user") << "HKEY_CURRENT_USER\\Software" << RegRoot::CurrentUser
                               << "Software";
    QTest::newRow("lower case") << "hkcu\\x" << RegRoot::CurrentUser << "x";
    QTest::newRow("HKCR trailing") << "HKCR\\.ldr\\" << RegRoot::ClassesRoot << ".ldr";
    QTest::newRow("classes root") << "HKEY_CLASSES_ROOT\\a\\b" << RegRoot::ClassesRoot << "a\\b";
    QTest::newRow("HKLM") << "HKLM\\Soft" << RegRoot::LocalMachine << "Soft";
    QTest::newRow("local machine") << "HKEY_LOCAL_MACHINE" << RegRoot::LocalMachine << "";
    QTest::newRow("users") << "HKEY_USERS\\.DEFAULT" << RegRoot::Users << ".DEFAULT";
    QTest::newRow("perf") << "HKEY_PERFORMANCE_DATA\\x" << RegRoot::PerformanceData << "x";
    QTest::newRow("HKCC") << "HKCC\\System" << RegRoot::CurrentConfig << "System";
    QTest::newRow("current config") << "Hkey_Current_Config\\S" << RegRoot::CurrentConfig << "S";
    QTest::newRow("dyn data") << "HKEY_DYN_DATA\\x" << RegRoot::DynData << "x";
    QTest::newRow("root alone with slash") << "HKCU\\" << RegRoot::CurrentUser << "";
    QTest::newRow("HKU is no root name") << "HKU\\x" << RegRoot::None << "x";
    QTest::newRow("unknown") << "HKXX\\Software" << RegRoot::None << "Software";
    QTest::newRow("blank before root") << " HKCU\\x" << RegRoot::None << "x";
    QTest::newRow("empty") << "" << RegRoot::None << "";
}

void TestRegistry::parseRegKey() {
    QFETCH(QString, path);
    QFETCH(RegRoot, root);
    QFETCH(QString, subKey);
    QString sub = QStringLiteral("unchanged?");
    QCOMPARE(ParseRegKey(path, &sub), root);
    QCOMPARE(sub, subKey);
}

void TestRegistry::location_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("group");
    QTest::newRow("ledra sub-key") << "HKCU\\Software\\Tessaly\\Ledra\\Options\\New Disk"
                                   << "Ledra.conf"
                                   << "Options/New Disk";
    QTest::newRow("ledra itself") << "HKCU\\Software\\Tessaly\\Ledra"
                                  << "Ledra.conf"
                                  << "";
    QTest::newRow("ledra other case") << "HKEY_CURRENT_USER\\software\\TESSALY\\ledra\\Recent"
                                      << "Ledra.conf"
                                      << "Recent";
    QTest::newRow("longer product name") << "HKCU\\Software\\Tessaly\\LedraX\\a"
                                         << "HKCU.conf"
                                         << "Software/Tessaly/LedraX/a";
    QTest::newRow("other user key") << "HKCU\\Software\\Other"
                                    << "HKCU.conf"
                                    << "Software/Other";
    QTest::newRow("ledra under machine") << "HKLM\\Software\\Tessaly\\Ledra"
                                         << "HKLM.conf"
                                         << "Software/Tessaly/Ledra";
    QTest::newRow("classes") << "HKCR\\Tessaly.Ledra\\shell\\Open\\command"
                             << "HKCR.conf"
                             << "Tessaly.Ledra/shell/Open/command";
    QTest::newRow("users") << "HKEY_USERS\\x"
                           << "HKU.conf"
                           << "x";
    QTest::newRow("perf") << "HKEY_PERFORMANCE_DATA\\x"
                          << "HKPD.conf"
                          << "x";
    QTest::newRow("config") << "HKCC\\x"
                            << "HKCC.conf"
                            << "x";
    QTest::newRow("dyn") << "HKEY_DYN_DATA\\x"
                         << "HKDD.conf"
                         << "x";
}

void TestRegistry::location() {
    QFETCH(QString, path);
    QFETCH(QString, file);
    QFETCH(QString, group);
    const RegLocation location = RegKeyLocation(path);
    QCOMPARE(location.file, QString(m_folder + QLatin1Char('/') + file));
    QCOMPARE(location.group, group);
}

void TestRegistry::unknownRootFailsQuietly() {
    const QString key = QStringLiteral("HKXX\\Software\\Tessaly\\Ledra");
    QVERIFY(RegKeyLocation(key).file.isEmpty());
    SetRegLong(key, QStringLiteral("n"), 5);
    SetRegString(key, QStringLiteral("s"), QStringLiteral("text"));
    QCOMPARE(GetRegLong(key, QStringLiteral("n"), 9, true), 9);
    QCOMPARE(GetRegString(key, QStringLiteral("s"), QStringLiteral("d"), true),
             QStringLiteral("d"));
    DeleteRegValue(key, QStringLiteral("n"));
    QVERIFY(!QFileInfo::exists(m_folder));
}

void TestRegistry::longFromText_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("true") << "-1" << -1;
    QTest::newRow("signed min") << "-2147483648" << std::numeric_limits<qint32>::min();
    QTest::newRow("signed max") << "2147483647" << std::numeric_limits<qint32>::max();
    QTest::newRow("unsigned all ones wraps") << "4294967295" << -1;
    QTest::newRow("unsigned above signed wraps")
        << "2147483648" << std::numeric_limits<qint32>::min();
    QTest::newRow("too large") << "4294967296" << 7;
    QTest::newRow("too small") << "-2147483649" << 7;
    QTest::newRow("fraction") << "1.5" << 7;
    QTest::newRow("trailing letters") << "12abc" << 7;
    QTest::newRow("word") << "yes" << 7;
    QTest::newRow("empty") << "" << 7;
}

void TestRegistry::longFromText() {
    QFETCH(QString, stored);
    QFETCH(qint32, expected);
    const QString key = kLedraKey + QStringLiteral("\\Options");
    SetRegString(key, QStringLiteral("Value"), stored);
    QCOMPARE(GetRegLong(key, QStringLiteral("Value"), 7), expected);
}

void TestRegistry::writeIfMissing() {
    const QString key = kLedraKey + QStringLiteral("\\Options\\View");
    QCOMPARE(GetRegLong(key, QStringLiteral("n"), 12), 12);
    QVERIFY(!QFileInfo::exists(m_folder)); // a plain read writes nothing

    QCOMPARE(GetRegLong(key, QStringLiteral("n"), 12, true), 12);
    QCOMPARE(GetRegLong(key, QStringLiteral("n"), 0), 12);
    QCOMPARE(GetRegLong(key, QStringLiteral("n"), 99, true), 12); // present: left alone

    QCOMPARE(GetRegString(key, QStringLiteral("s"), QStringLiteral("d"), true),
             QStringLiteral("d"));
    QCOMPARE(GetRegString(key, QStringLiteral("s"), QString()), QStringLiteral("d"));
}

void TestRegistry::textRoundTrip_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const QString ledra = kLedraKey + QStringLiteral("\\Recent");
    QTest::newRow("blanks kept") << ledra << "0"
                                 << "  /home/u/a.ldr ";
    QTest::newRow("commas") << ledra << "1"
                            << "/data/Music, films.ldr";
    QTest::newRow("at sign") << ledra << "2"
                             << "@Variant(x)";
    QTest::newRow("number-like") << ledra << "3"
                                 << "-1";
    QTest::newRow("non-latin") << ledra << "4"
                               << "/home/ana/Čitanka Ω.ldr";
    QTest::newRow("quotes and backslash") << ledra << "5"
                                          << "a \"b\" c\\d;e#f";
    QTest::newRow("empty text") << ledra << "6"
                                << "";
    QTest::newRow("default value") << "HKCR\\Tessaly.Ledra"
                                   << ""
                                   << "Ledra Catalog File";
    QTest::newRow("key path with trailing slash") << "HKCR\\.ldr\\"
                                                  << ""
                                                  << "Tessaly.Ledra";
    QTest::newRow("ledra root itself") << kLedraKey << "Top"
                                       << "t";
}

void TestRegistry::textRoundTrip() {
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, text);
    SetRegString(key, name, text);
    QCOMPARE(GetRegString(key, name, QStringLiteral("<missing>")), text);
}

void TestRegistry::bufferLength_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("bufferLength");
    QTest::addColumn<bool>("fits");
    QTest::newRow("4095 in default buffer") << 4095 << 0 << true;
    QTest::newRow("4096 in default buffer") << 4096 << 0 << false;
    QTest::newRow("negative means default") << 4095 << -3 << true;
    QTest::newRow("4 in 5") << 4 << 5 << true;
    QTest::newRow("5 in 5") << 5 << 5 << false;
    QTest::newRow("empty in 1") << 0 << 1 << true;
}

void TestRegistry::bufferLength() {
    QFETCH(int, length);
    QFETCH(int, bufferLength);
    QFETCH(bool, fits);
    const QString key = kLedraKey + QStringLiteral("\\Options");
    const QString text(length, QLatin1Char('x'));
    SetRegString(key, QStringLiteral("s"), text);
    const QString read =
        GetRegString(key, QStringLiteral("s"), QStringLiteral("d"), false, bufferLength);
    QCOMPARE(read, fits ? text : QStringLiteral("d"));
}

void TestRegistry::untrustedFileGivesDefaults_data() {
    QTest::addColumn<bool>("asFolder");
    QTest::newRow("damaged file") << false;
    QTest::newRow("unreadable (a folder)") << true;
}

void TestRegistry::untrustedFileGivesDefaults() {
    QFETCH(bool, asFolder);
    const QString file = RegKeyLocation(kLedraKey).file;
    QVERIFY(QDir().mkpath(m_folder));
    if (asFolder) {
        QVERIFY(QDir().mkpath(file));
    } else {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        // An unclosed section header; the values around it still parse.
        out.write("[Options]\nSizeVLeft=300\n[View\nToolbar=0\n");
    }
    const QString key = kLedraKey + QStringLiteral("\\Options");
    QCOMPARE(GetRegLong(key, QStringLiteral("SizeVLeft"), 160), 160);
    QCOMPARE(GetRegString(key, QStringLiteral("SizeVLeft"), QStringLiteral("d")),
             QStringLiteral("d"));
}

void TestRegistry::deleteValue() {
    const QString key = kLedraKey + QStringLiteral("\\Recent");
    SetRegString(key, QStringLiteral("0"), QStringLiteral("a"));
    SetRegString(key, QStringLiteral("1"), QStringLiteral("b"));
    DeleteRegValue(key, QStringLiteral("0"));
    DeleteRegValue(key, QStringLiteral("7"));
    DeleteRegValue(QStringLiteral("HKLM\\Nothing"), QStringLiteral("0"));
    QCOMPARE(GetRegString(key, QStringLiteral("0"), QStringLiteral("gone")),
             QStringLiteral("gone"));
    QCOMPARE(GetRegString(key, QStringLiteral("1"), QString()), QStringLiteral("b"));
    QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("/HKLM.conf")));
}

void TestRegistry::batchWritesAtEnd() {
    const QString key = kLedraKey + QStringLiteral("\\Recent");
    SetRegString(key, QStringLiteral("0"), QStringLiteral("old"));
    SetRegString(key, QStringLiteral("1"), QStringLiteral("gone"));
    const QString file = RegKeyLocation(key).file;
    const auto contents = [&file] {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    const QByteArray before = contents();
    {
        const RegWriteBatch batch;
        DeleteRegValue(key, QStringLiteral("0"));
        DeleteRegValue(key, QStringLiteral("1"));
        SetRegString(key, QStringLiteral("0"), QStringLiteral("new"));
        SetRegLong(kLedraKey + QStringLiteral("\\Options"), QStringLiteral("n"), -1);
        SetRegString(QStringLiteral("HKCR\\.ldr"), QString(), QStringLiteral("Tessaly.Ledra"));
        QCOMPARE(contents(), before);
        QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("/HKCR.conf")));
    }
    QCOMPARE(GetRegString(key, QStringLiteral("0"), QString()), QStringLiteral("new"));
    QCOMPARE(GetRegString(key, QStringLiteral("1"), QStringLiteral("-")), QStringLiteral("-"));
    QCOMPARE(GetRegLong(kLedraKey + QStringLiteral("\\Options"), QStringLiteral("n"), 0), -1);
    QCOMPARE(GetRegString(QStringLiteral("HKCR\\.ldr"), QString(), QString()),
             QStringLiteral("Tessaly.Ledra"));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
