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
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace BrowseFixture;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A catalogue with room to reclaim: many rows written, then most of them deleted.
bool makeSparse(const QString& path) {
    return createCatalogue(path) && addImage(1, 0, u"Disk"_s) &&
           db().Execute(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE "
                        "i<3000) INSERT INTO Items(ID, ImageID, ParentID, Type, Name) SELECT i, "
                        "1, 0, 1, printf('file %d with a longer name.txt', i) FROM n"_s) &&
           db().Execute(u"DELETE FROM Items WHERE ID > 10"_s);
}

int itemCount() {
    return db().scalar(u"SELECT COUNT(*) FROM Items"_s).toInt();
}

} // namespace

class TestCompact : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedUi m_ui;
    const QString kQuestion =
        u"This action may take a while. Are you sure you wish to compact database?"_s;

private slots:
    void initTestCase() { useSettingsIn(m_dir); }
    void cleanup() {
        setCompactRenameForTest({});
        CloseCatalogue(nullptr);
        m_ui.clear();
    }

    void finishedText() {
        QCOMPARE(CompactFinishedText(1234567, 617283, QLocale(u"en_US"_s)),
                 u"Compact finished!\nOld size: 1,234,567 bytes\nNew size: 617,283 bytes "
                 "(50.00%)"_s);
        QCOMPARE(CompactFinishedText(1234567, 1234567, QLocale(u"de_DE"_s)),
                 u"Compact finished!\nOld size: 1.234.567 bytes\nNew size: 1.234.567 bytes "
                 "(100,00%)"_s);
    }

    void compacts() {
        const QString path = m_dir.filePath(u"Sparse.ldr"_s);
        QVERIFY(makeSparse(path));
        const qint64 before = QFileInfo(path).size();
        // The compacted file keeps the catalogue's permissions.
        const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::WriteGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(path, shared));
        // A leftover of an interrupted run is replaced.
        QFile leftover(path + u"-Compact.ldr"_s);
        QVERIFY(leftover.open(QIODevice::WriteOnly) && leftover.write("stale") == 5);
        leftover.close();

        m_ui.answers = {Ui::Answer::No, Ui::Answer::Yes};
        QCOMPARE(int(CompactCatalogue(m_ui, nullptr, {}).status),
                 int(CompactOutcome::Status::Declined));
        QCOMPARE(QFileInfo(path).size(), before);
        QStringList statuses;
        const CompactOutcome out =
            CompactCatalogue(m_ui, nullptr, [&](const QString& s) { statuses << s; });
        QCOMPARE(int(out.status), int(CompactOutcome::Status::Done));
        QCOMPARE(out.oldSize, before);
        QVERIFY(out.newSize < before / 2);
        QCOMPARE(QFileInfo(path).size(), out.newSize);
        QCOMPARE(statuses, (QStringList{u"Preparing compact..."_s, u"Compacting..."_s,
                                        u"Finishing compact..."_s, u"Compact finished."_s}));
        QCOMPARE(m_ui.texts(), (QStringList{kQuestion, kQuestion,
                                            CompactFinishedText(out.oldSize, out.newSize)}));
        QCOMPARE(m_ui.shown.last().icon, Ui::Icon::Information);
        QCOMPARE(m_ui.busyDepth, 0);
        QVERIFY(CompactLeftovers(path).isEmpty());
        QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077), shared);
        // The catalogue is open again at its path, with its rows and its format marks.
        QCOMPARE(catalogue().path, path);
        QCOMPARE(itemCount(), 10);
        CloseCatalogue(nullptr);
        SetDatabaseName(path);
        QCOMPARE(OpenVerifiedDatabase(false, false), 0);
        QCOMPARE(db().scalar(u"PRAGMA application_id"_s).toInt(), kCatalogueApplicationId);
        // Nothing open: nothing asked.
        CloseCatalogue(nullptr);
        m_ui.clear();
        QCOMPARE(int(CompactCatalogue(m_ui, nullptr, {}).status),
                 int(CompactOutcome::Status::NotOpen));
        QVERIFY(m_ui.shown.isEmpty());
    }

    void failures_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("error");
        QTest::newRow("rename refused") << u"rename"_s << int(EngineErr::Locked);
        QTest::newRow("disk full at the rename") << u"full"_s << int(EngineErr::DiskFull);
        QTest::newRow("file vanished") << u"vanished"_s << int(EngineErr::FileNotFound);
        QTest::newRow("read-only folder") << u"readonly"_s << int(EngineErr::ReadOnly);
    }
    void failures() {
        QFETCH(QString, how);
        QFETCH(int, error);
        if (how == u"readonly"_s && geteuid() == 0)
            QSKIP("Folder permissions do not bind the superuser.");
        QTemporaryDir folder(m_dir.filePath(u"failXXXXXX"_s));
        const QString path = folder.filePath(u"Data.ldr"_s);
        const QString moved = how == u"vanished"_s ? path + u".moved"_s : path;
        QVERIFY(makeSparse(path));
        const QByteArray bytes = readAll(path);
        if (how == u"rename"_s || how == u"full"_s) {
            const int code = how == u"full"_s ? ENOSPC : EACCES;
            setCompactRenameForTest([code](const QString&, const QString&) { return code; });
        }
        if (how == u"vanished"_s)
            QVERIFY(QFile::rename(path, moved));
        if (how == u"readonly"_s)
            QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
        const CompactOutcome out = CompactCatalogue(m_ui, nullptr, {}, false);
        ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
        QCOMPARE(int(out.status), int(CompactOutcome::Status::Failed));
        QCOMPARE(out.error, error);
        QVERIFY(m_ui.lastText().startsWith(u"Unexpected error number %1.\n"_s.arg(error)));
        QCOMPARE(m_ui.shown.last().icon, Ui::Icon::Critical);
        QCOMPARE(m_ui.busyDepth, 0);
        QVERIFY(CompactLeftovers(path).isEmpty());
        QCOMPARE(readAll(moved), bytes);
        // The catalogue is still open and readable.
        QVERIFY(db().isOpen());
        QCOMPARE(itemCount(), 10);
    }

    void window() {
        QVERIFY(makeSparse(m_dir.filePath(u"Window.ldr"_s)));
        m_ui.answers = {Ui::Answer::Yes};
        frmCompact dialog(m_ui, nullptr);
        QCOMPARE(dialog.windowTitle(), u"Compact Database"_s);
        dialog.show();
        QTRY_VERIFY(dialog.isHidden());
        QCOMPARE(int(dialog.outcome().status), int(CompactOutcome::Status::Done));
        QCOMPARE(dialog.findChild<QLabel*>(u"lblStatus"_s)->text(), u"Compact finished."_s);
    }
};

QTEST_MAIN(TestCompact)
#include "tst_compact.moc"
