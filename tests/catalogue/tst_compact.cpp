// Compaction on real files: the outcome, the messages, and the failures that must leave the
// catalogue whole.
#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "catalogue/frmCompact.h"
#include "catalogue/mdlCompact.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace BrowseFixture;

namespace {

const QString kQuestion =
    QStringLiteral("This action may take a while. Are you sure you wish to compact database?");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A catalogue with room to reclaim: many rows written, then most of them deleted.
bool makeSparse(const QString& path) {
    if (!createCatalogue(path) || !addImage(1, 0, QStringLiteral("Disk")))
        return false;
    Transaction t(db());
    for (int i = 1; i <= 3000; ++i) {
        if (!addItem(1, i, 0, 1, QStringLiteral("file %1 with a longer name.txt").arg(i)))
            return false;
    }
    if (!t.commit())
        return false;
    return db().Execute(QStringLiteral("DELETE FROM Items WHERE ID > 10"));
}

} // namespace

class TestCompact : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void finishedText_data();
    void finishedText();
    void compacts();
    void declined();
    void nothingToReclaim();
    void failures_data();
    void failures();
    void window();
    void commandLine();

private:
    QTemporaryDir m_dir;
    ScriptedUi m_ui;
};

void TestCompact::initTestCase() {
    QVERIFY(m_dir.isValid());
    useSettingsIn(m_dir);
}

void TestCompact::cleanup() {
    setCompactRenameForTest({});
    CloseCatalogue(nullptr);
    m_ui.clear();
}

void TestCompact::finishedText_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<qint64>("oldSize");
    QTest::addColumn<qint64>("newSize");
    QTest::addColumn<QString>("text");
    QTest::newRow("English grouping")
        << "en_US" << qint64(1234567) << qint64(617283)
        << "Compact finished!\nOld size: 1,234,567 bytes\nNew size: 617,283 bytes (50.00%)";
    QTest::newRow("German separators")
        << "de_DE" << qint64(1234567) << qint64(617283)
        << "Compact finished!\nOld size: 1.234.567 bytes\nNew size: 617.283 bytes (50,00%)";
    QTest::newRow("no change")
        << "en_US" << qint64(8192) << qint64(8192)
        << "Compact finished!\nOld size: 8,192 bytes\nNew size: 8,192 bytes (100.00%)";
}

void TestCompact::finishedText() {
    QFETCH(QString, locale);
    QFETCH(qint64, oldSize);
    QFETCH(qint64, newSize);
    QFETCH(QString, text);
    QCOMPARE(CompactFinishedText(oldSize, newSize, QLocale(locale)), text);
}

void TestCompact::compacts() {
    const QString path = m_dir.filePath(QStringLiteral("Sparse.ldr"));
    QVERIFY(makeSparse(path));
    const qint64 before = QFileInfo(path).size();
    // The compacted file keeps the catalogue's permissions.
    const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::WriteGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(path, shared));
    // A leftover of an interrupted run is replaced.
    QFile leftover(path + QStringLiteral("-Compact.ldr"));
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.write("stale");
    leftover.close();

    m_ui.answers = {Ui::Answer::Yes};
    QStringList statuses;
    const CompactOutcome out =
        CompactCatalogue(m_ui, nullptr, [&](const QString& s) { statuses << s; });
    QCOMPARE(int(out.status), int(CompactOutcome::Status::Done));
    QCOMPARE(out.oldSize, before);
    QVERIFY(out.newSize < before / 2);
    QCOMPARE(QFileInfo(path).size(), out.newSize);
    QCOMPARE(
        statuses,
        QStringList({QStringLiteral("Preparing compact..."), QStringLiteral("Compacting..."),
                     QStringLiteral("Finishing compact..."), QStringLiteral("Compact finished.")}));
    QCOMPARE(m_ui.texts(), QStringList({kQuestion, CompactFinishedText(out.oldSize, out.newSize)}));
    QCOMPARE(m_ui.shown.last().icon, Ui::Icon::Information);
    QCOMPARE(m_ui.busyDepth, 0);
    QVERIFY(CompactLeftovers(path).isEmpty());
    QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077), shared);
    // The catalogue is open again at its path, with its rows and its format marks.
    QCOMPARE(catalogue().path, path);
    QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items")).toInt(), 10);
    CloseCatalogue(nullptr);
    SetDatabaseName(path);
    QCOMPARE(OpenVerifiedDatabase(false, false), 0);
    QCOMPARE(db().scalar(QStringLiteral("PRAGMA application_id")).toInt(), kCatalogueApplicationId);
}

void TestCompact::declined() {
    const QString path = m_dir.filePath(QStringLiteral("Declined.ldr"));
    QVERIFY(makeSparse(path));
    const QByteArray bytes = readAll(path);
    m_ui.answers = {Ui::Answer::No};
    const CompactOutcome out = CompactCatalogue(m_ui, nullptr, {});
    QCOMPARE(int(out.status), int(CompactOutcome::Status::Declined));
    QCOMPARE(readAll(path), bytes);
    QVERIFY(db().isOpen());
    QCOMPARE(m_ui.texts(), QStringList({kQuestion}));
    // Nothing open: nothing asked.
    CloseCatalogue(nullptr);
    m_ui.clear();
    QCOMPARE(int(CompactCatalogue(m_ui, nullptr, {}).status), int(CompactOutcome::Status::NotOpen));
    QVERIFY(m_ui.shown.isEmpty());
}

void TestCompact::nothingToReclaim() {
    const QString path = m_dir.filePath(QStringLiteral("Tight.ldr"));
    QVERIFY(createCatalogue(path));
    QVERIFY(db().Execute(QStringLiteral("VACUUM")));
    const CompactOutcome out = CompactCatalogue(m_ui, nullptr, {}, false);
    QCOMPARE(int(out.status), int(CompactOutcome::Status::Done));
    QVERIFY(out.newSize * 100 >= out.oldSize * 95);
    QVERIFY(out.message.endsWith(QStringLiteral("%)")));
}

void TestCompact::failures_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("error");
    QTest::newRow("rename refused") << "rename" << int(EngineErr::Locked);
    QTest::newRow("disk full at the rename") << "full" << int(EngineErr::DiskFull);
    QTest::newRow("file vanished") << "vanished" << int(EngineErr::FileNotFound);
    QTest::newRow("read-only folder") << "readonly" << int(EngineErr::ReadOnly);
}

void TestCompact::failures() {
    QFETCH(QString, how);
    QFETCH(int, error);
    if (how == QLatin1String("readonly") && geteuid() == 0)
        QSKIP("Folder permissions do not bind the superuser.");
    QTemporaryDir folder(m_dir.filePath(QStringLiteral("failXXXXXX")));
    const QString path = folder.filePath(QStringLiteral("Data.ldr"));
    QVERIFY(makeSparse(path));
    const QByteArray bytes = readAll(path);
    if (how == QLatin1String("rename"))
        setCompactRenameForTest([](const QString&, const QString&) { return EACCES; });
    if (how == QLatin1String("full"))
        setCompactRenameForTest([](const QString&, const QString&) { return ENOSPC; });
    if (how == QLatin1String("vanished"))
        QVERIFY(QFile::rename(path, path + QStringLiteral(".moved")));
    if (how == QLatin1String("readonly"))
        QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);

    const CompactOutcome out = CompactCatalogue(m_ui, nullptr, {}, false);
    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    QCOMPARE(int(out.status), int(CompactOutcome::Status::Failed));
    if (error)
        QCOMPARE(out.error, error);
    QVERIFY(
        m_ui.lastText().startsWith(QStringLiteral("Unexpected error number %1.\n").arg(out.error)));
    QCOMPARE(m_ui.shown.last().icon, Ui::Icon::Critical);
    QCOMPARE(m_ui.busyDepth, 0);
    QVERIFY(CompactLeftovers(path).isEmpty());
    if (how == QLatin1String("vanished"))
        QCOMPARE(readAll(path + QStringLiteral(".moved")), bytes);
    else
        QCOMPARE(readAll(path), bytes);
    // The catalogue is still open and readable.
    QVERIFY(db().isOpen());
    QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items")).toInt(), 10);
}

void TestCompact::window() {
    const QString path = m_dir.filePath(QStringLiteral("Window.ldr"));
    QVERIFY(makeSparse(path));
    m_ui.answers = {Ui::Answer::Yes};
    frmCompact dialog(m_ui, nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Compact Database"));
    dialog.show();
    QTRY_VERIFY(dialog.isHidden());
    QCOMPARE(int(dialog.outcome().status), int(CompactOutcome::Status::Done));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("Compact finished."));
}

void TestCompact::commandLine() {
    const QString path = m_dir.filePath(QStringLiteral("Cli.ldr"));
    QVERIFY(makeSparse(path));
    CloseCatalogue(nullptr);
    QProcess p;
    p.start(QStringLiteral(LEDRA_CLI), {QStringLiteral("compact"), path});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("Compact finished!"));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("Old size: ")));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("New size: ")));

    p.start(QStringLiteral(LEDRA_CLI),
            {QStringLiteral("compact"), m_dir.filePath(QStringLiteral("missing.ldr"))});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("missing.ldr"))));
}

QTEST_MAIN(TestCompact)
#include "tst_compact.moc"
