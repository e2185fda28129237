#include "DiskScanSupport.h"
#include "ImportTestSupport.h"
#include "UpdateTestSupport.h"

#include "catalogue/mdlDatabase.h"
#include "disk/frmUpdateDiff.h"
#include "import/guiUpdateIndex.h"
#include "import/mdlImport.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList index(const QStringList& body) {
    return QStringList{QStringLiteral("<disktype fixed"), QStringLiteral("<Serial 12-34"),
                       QStringLiteral("<DiskLabel DATA"), QStringLiteral("<StartDir C:\\")} +
           body;
}

qint32 importIndex(const QString& path) {
    if (MarlovexLoad(path) != ImportLoad::Loaded)
        return 0;
    SilentUi ui;
    MarlovexImport import(db(), ui);
    import.options.displaySummary = false;
    return import.Run() == DiskScan::Result::Done ? import.ImageID : 0;
}

} // namespace

// An imported image brought up to date from a newer index of the same disk.
class TestUpdateIndex : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }

    void newerIndex() {
        QTemporaryDir temp;
        QVERIFY(DiskTest::openNewCatalogue(temp.filePath(QStringLiteral("c.ldr"))));
        const QString v1 = temp.filePath(QStringLiteral("v1.idx"));
        const QString v2 = temp.filePath(QStringLiteral("v2.idx"));
        QVERIFY(ImportTest::writeIndex(
            v1, index({QStringLiteral("C:\\X\\f.txt"), QStringLiteral("C:\\X\\g.txt"),
                       QStringLiteral("C:\\Y\\h.txt")})));
        QVERIFY(ImportTest::writeIndex(
            v2, index({QStringLiteral("C:\\X\\f.txt"), QStringLiteral("C:\\Y\\new.txt"),
                       QStringLiteral("C:\\Z\\g.txt")})));
        const qint32 id = importIndex(v1);
        QVERIFY(id > 0);
        QVERIFY(db().Execute(
            QStringLiteral("UPDATE Items SET Keywords='kw' WHERE Name='g.txt' AND ImageID=?"),
            {id}));
        QVERIFY(db().Execute(
            QStringLiteral("UPDATE Items SET Comment='c' WHERE Name='f.txt' AND ImageID=?"), {id}));
        const qint32 fId =
            db().scalar(QStringLiteral("SELECT ID FROM Items WHERE Name='f.txt'")).toInt();

        QCOMPARE(MarlovexLoad(v2), ImportLoad::Loaded);
        ScriptedUi ui;
        ImageUpdate u(db(), ui, id, nullptr, ImportFlavour());
        u.options.displaySummary = false;
        IdxTreeSource source;
        QCOMPARE(u.Read(source), DiskScan::Result::Done);
        QCOMPARE(
            UpdateTest::diffLines(u),
            (QStringList{QStringLiteral("+ /Y/new.txt"), QStringLiteral("+ /Z"),
                         QStringLiteral("- /Y/h.txt"), QStringLiteral("> /X/g.txt /Z/g.txt")}));
        QCOMPARE(UpdateTest::countsText(u), QStringLiteral("2 1 0 1 3"));
        QCOMPARE(u.Apply(), DiskScan::Result::Done);

        QCOMPARE(ImportTest::treeFault(id), QString());
        QCOMPARE(db().scalar(QStringLiteral("SELECT Comment FROM Items WHERE ID=? AND ImageID=?"),
                             {fId, id})
                     .toString(),
                 QStringLiteral("c"));
        QCOMPARE(db().scalar(QStringLiteral("SELECT p.Name || '|' || g.Keywords FROM Items g JOIN "
                                            "Items p ON p.ID=g.ParentID AND p.ImageID=g.ImageID "
                                            "WHERE g.Name='g.txt' AND g.ImageID=?"),
                             {id})
                     .toString(),
                 QStringLiteral("Z|kw"));
        const qint32 fresh = importIndex(v2);
        QCOMPARE(UpdateTest::pathRows(id), UpdateTest::pathRows(fresh));
        CloseDatabase();
    }

    // File > Update from Index...: the file read, the differences shown and applied.
    void updateFromIndexCommand() {
        QTemporaryDir temp;
        QVERIFY(DiskTest::openNewCatalogue(temp.filePath(QStringLiteral("c.ldr"))));
        const QString v1 = temp.filePath(QStringLiteral("v1.idx"));
        const QString v2 = temp.filePath(QStringLiteral("v2.idx"));
        QVERIFY(ImportTest::writeIndex(v1, index({QStringLiteral("C:\\X\\f.txt")})));
        QVERIFY(ImportTest::writeIndex(
            v2, index({QStringLiteral("C:\\X\\f.txt"), QStringLiteral("C:\\X\\g.txt")})));
        const qint32 id = importIndex(v1);
        int hooks = 0;
        bool shown = false;
        std::function<void()> applyWhenShown = [&] {
            if (auto* d = qobject_cast<frmUpdateDiff*>(QApplication::activeModalWidget())) {
                shown = true;
                d->findChild<QPushButton*>(QStringLiteral("cmdApply"))->click();
                return;
            }
            QTimer::singleShot(10, applyWhenShown);
        };
        QTimer::singleShot(0, applyWhenShown);
        UpdateFromIndex(
            nullptr, nullptr, id, [&](Database&, qint32) { return ++hooks == 1; }, v2);
        QVERIFY(shown);
        QCOMPARE(hooks, 1);
        QCOMPARE(db().scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=? AND "
                                            "Name='g.txt'"),
                             {id})
                     .toInt(),
                 1);
        CloseDatabase();
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestUpdateIndex)
#include "tst_updateindex.moc"
