#include "shell/mdlRecent.h"
#include "shell/mdlRegistry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kRecentKey = kLedraKey + QStringLiteral("\\Recent");

QString catalogue(int n) {
    return QStringLiteral("/data/catalogue %1.ldr").arg(n);
}

// The raw values "0".."15" under the Recent key; "-" where absent.
QStringList storedValues() {
    QStringList out;
    for (int i = 0; i < RecentList::kMaxEntries; ++i)
        out << GetRegString(kRecentKey, QString::number(i), QStringLiteral("-"));
    return out;
}

} // namespace

class TestRecent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void gapsAreClosed();
    void seventeenthDropsOldest();
    void reAddMovesToTop_data();
    void reAddMovesToTop();
    void remove();
    void unknownKeyFailsQuietly();
    void caption_data();
    void caption();

private:
    QTemporaryDir m_config;
};

void TestRecent::initTestCase() {
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QStandardPaths::setTestModeEnabled(false);
}

void TestRecent::init() {
    QDir(m_config.path() + QStringLiteral("/Tessaly")).removeRecursively();
}

void TestRecent::gapsAreClosed() {
    SetRegString(kRecentKey, QStringLiteral("0"), QStringLiteral("/a.ldr"));
    SetRegString(kRecentKey, QStringLiteral("5"), QStringLiteral("/b.ldr"));
    SetRegString(kRecentKey, QStringLiteral("9"), QStringLiteral("/c.ldr"));
    SetRegString(kRecentKey, QStringLiteral("16"), QStringLiteral("/beyond.ldr"));

    RecentList list;
    list.LoadRecent(kRecentKey);
    const QStringList expected{QStringLiteral("/a.ldr"), QStringLiteral("/b.ldr"),
                               QStringLiteral("/c.ldr")};
    QCOMPARE(list.entries(), expected);
    QCOMPARE(list.key(), kRecentKey);

    list.SaveRecent();
    QStringList stored = expected;
    while (stored.size() < RecentList::kMaxEntries)
        stored << QStringLiteral("-");
    QCOMPARE(storedValues(), stored);
}

void TestRecent::seventeenthDropsOldest() {
    RecentList list;
    list.LoadRecent(kRecentKey);
    for (int i = 1; i <= 17; ++i)
        list.AddRecent(catalogue(i));
    QCOMPARE(list.entries().size(), 16);
    QCOMPARE(list.entries().first(), catalogue(17));
    QCOMPARE(list.entries().last(), catalogue(2));

    list.SaveRecent();
    RecentList reloaded;
    reloaded.LoadRecent(kRecentKey);
    QCOMPARE(reloaded.entries(), list.entries());
}

void TestRecent::reAddMovesToTop_data() {
    QTest::addColumn<QString>("again");
    QTest::newRow("same spelling") << "/data/catalogue 3.ldr";
    QTest::newRow("other case") << "/DATA/Catalogue 3.LDR";
    QTest::newRow("surrounding blanks") << "  /data/catalogue 3.ldr ";
}

void TestRecent::reAddMovesToTop() {
    QFETCH(QString, again);
    RecentList list;
    for (int i = 1; i <= 5; ++i)
        list.AddRecent(catalogue(i));
    list.AddRecent(again);
    // The entry keeps the newest spelling, untrimmed; the others keep their order.
    const QStringList expected{again, catalogue(5), catalogue(4), catalogue(2), catalogue(1)};
    QCOMPARE(list.entries(), expected);
}

void TestRecent::remove() {
    RecentList list;
    list.LoadRecent(kRecentKey);
    list.AddRecent(catalogue(1));
    list.AddRecent(catalogue(2));
    list.SaveRecent();

    list.RemoveRecent(QStringLiteral(" /DATA/CATALOGUE 2.LDR"));
    QCOMPARE(list.entries(), QStringList{catalogue(1)});
    list.RemoveRecent(catalogue(9));
    QCOMPARE(list.entries(), QStringList{catalogue(1)});
    list.RemoveRecent(catalogue(1));
    QVERIFY(list.entries().isEmpty());

    // Only a save changes what is stored.
    QCOMPARE(storedValues().mid(0, 3),
             (QStringList{catalogue(2), catalogue(1), QStringLiteral("-")}));
}

void TestRecent::unknownKeyFailsQuietly() {
    RecentList list;
    list.LoadRecent(QStringLiteral("HKXX\\Recent"));
    list.AddRecent(catalogue(1));
    list.SaveRecent();
    QCOMPARE(list.entries().size(), 1);
    QVERIFY(!QFileInfo::exists(m_config.path() + QStringLiteral("/Tessaly")));
}

void TestRecent::caption_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    const QString exactly32 = QStringLiteral("/home/user/catalogs/music/a.ldr");
    QCOMPARE(exactly32.size(), 31); // one short, padded below
    QTest::newRow("32 characters whole") << 1 << QString(QLatin1Char('/') + exactly32)
                                         << QString(QStringLiteral("&1 /") + exactly32);
    QTest::newRow("33 characters shortened") << 2 << "/x/home/user/catalogs/music/a.ldr"
                                             << "&2 ../home/user/catalogs/music/a.ldr";
    QTest::newRow("45 characters") << 1 << "/home/user/Documents/Catalogs/Music and films.ldr"
                                   << "&1 ../Catalogs/Music and films.ldr";
    QTest::newRow("no separator in the tail") << 3 << "/a/abcdefghijklmnopqrstuvwxyz0123456789.ldr"
                                              << "&3 /a/abcdefghijklmnopqrstuvwxyz0123456789.ldr";
    QTest::newRow("separator first in the tail") << 4 << "/aaa/bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"
                                                 << "&4 ../bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";
    QTest::newRow("position 9") << 9 << "/a.ldr"
                                << "&9 /a.ldr";
    QTest::newRow("position 10") << 10 << "/a.ldr"
                                 << "1&0 /a.ldr";
    QTest::newRow("position 11") << 11 << "/a.ldr"
                                 << "/a.ldr";
    QTest::newRow("position 0") << 0 << "/a.ldr"
                                << "/a.ldr";
}

void TestRecent::caption() {
    QFETCH(int, position);
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(RecentCaption(position, path), caption);
}

QTEST_GUILESS_MAIN(TestRecent)
#include "tst_recent.moc"
