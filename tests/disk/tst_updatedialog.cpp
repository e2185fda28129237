#include "DiskScanSupport.h"
#include "UpdateTestSupport.h"

#include "catalogue/mdlDatabase.h"
#include "disk/frmUpdate.h"
#include "disk/frmUpdateDiff.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace DiskTest;
using namespace UpdateTest;

namespace {

class ListedVolumes : public VolumeSource {
public:
    QList<VolumeInfo> list;
    QList<VolumeInfo> volumes() override { return list; }
};

struct Fixture {
    QTemporaryDir temp;
    QString tree;
    qint32 image = 0;
    Fixture() {
        tree = temp.path() + QStringLiteral("/tree");
        makeTree(tree, {QStringLiteral("a/x.txt"), QStringLiteral("a/sub/deep.txt"),
                        QStringLiteral("b/y.txt"), QStringLiteral("z.txt")});
        openNewCatalogue(temp.path() + QStringLiteral("/c.ldr"));
        SilentUi ui;
        FixedSource src(tree);
        DiskScan scan(db(), ui);
        scan.options.displaySummary = false;
        scan.NewDisk(src);
        image = scan.ImageID;
        db().Execute(QStringLiteral("UPDATE Items SET Comment='note' WHERE Name='y.txt'"));
        // Removed (with its note), moved, added.
        QFile::remove(tree + QStringLiteral("/b/y.txt"));
        QDir().rename(tree + QStringLiteral("/a/sub"), tree + QStringLiteral("/b/sub"));
        makeTree(tree, {QStringLiteral("c/new.txt")});
    }
};

template <typename T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

} // namespace

class TestUpdateDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }
    void cleanup() { CloseDatabase(); }

    // The counts, the warning, the list and its filters; Apply accepts.
    void differencesDialog() {
        Fixture fx;
        ScriptedUi ui;
        ImageUpdate u(db(), ui, fx.image);
        FixedSource src(fx.tree);
        QCOMPARE(u.Read(src), DiskScan::Result::Done);
        frmUpdateDiff dialog(nullptr, u);
        QCOMPARE(child<QLabel>(&dialog, "lblCounts")->text(),
                 QStringLiteral("Added 2, removed 1, changed 0, moved 2, kept 4."));
        dialog.show();
        QLabel* lost = child<QLabel>(&dialog, "lblLostNotes");
        QVERIFY(lost->isVisible());
        QCOMPARE(lost->text(), QStringLiteral("1 removed item has keywords or comments"));
        UpdateDiffModel* m = dialog.model();
        QCOMPARE(m->rowCount(), 5);

        auto* kind = child<QComboBox>(&dialog, "cboKind");
        kind->setCurrentIndex(kind->findText(QStringLiteral("Removed")));
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->index(0, UpdateDiffModel::ColChange).data().toString(),
                 QStringLiteral("Removed (notes lost)"));
        QCOMPARE(m->index(0, UpdateDiffModel::ColPath).data().toString(),
                 QStringLiteral("/b/y.txt"));

        kind->setCurrentIndex(kind->findText(QStringLiteral("Moved")));
        auto* filter = child<QLineEdit>(&dialog, "txtFilter");
        QTest::keyClicks(filter, QStringLiteral("DEEP"));
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->index(0, UpdateDiffModel::ColPath).data().toString(),
                 QStringLiteral("/a/sub/deep.txt"));
        QCOMPARE(m->index(0, UpdateDiffModel::ColNewPath).data().toString(),
                 QStringLiteral("/b/sub/deep.txt"));
        filter->clear();
        kind->setCurrentIndex(0);
        QCOMPARE(m->rowCount(), 5);

        child<QPushButton>(&dialog, "cmdApply")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void applyOrCancel_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("Cancel") << QStringLiteral("cmdCancel");
        QTest::newRow("Apply") << QStringLiteral("cmdApply");
    }
    // Cancel in the differences dialog leaves the catalogue exactly as it was; Apply writes,
    // with the name index hook inside the transaction.
    void applyOrCancel() {
        QFETCH(QString, button);
        Fixture fx;
        const QString before = catalogueDump();
        frmUpdate form(nullptr, nullptr, fx.image);
        ScriptedUi ui;
        form.setUi(&ui);
        int hooks = 0;
        form.afterRows = [&](Database& d, qint32 id) {
            ++hooks;
            return d.scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ImageID=? AND "
                                           "Name='new.txt'"),
                            {id})
                       .toInt() == 1;
        };
        bool reviewed = false;
        form.review = [&](frmUpdateDiff& diff) {
            reviewed = true;
            child<QPushButton>(&diff, button.toLatin1().constData())->click();
            return diff.result() == QDialog::Accepted;
        };
        FixedSource src(fx.tree);
        const bool apply = button == QLatin1String("cmdApply");
        QCOMPARE(form.Run(src), apply ? DiskScan::Result::Done : DiskScan::Result::Cancelled);
        QVERIFY(reviewed);
        QCOMPARE(hooks, apply ? 1 : 0);
        if (apply) {
            const qint32 fresh = [&] {
                SilentUi silent;
                FixedSource again(fx.tree);
                DiskScan scan(db(), silent);
                scan.options.displaySummary = false;
                scan.NewDisk(again);
                return scan.ImageID;
            }();
            QCOMPARE(pathRows(fx.image), pathRows(fresh));
        } else {
            QCOMPARE(catalogueDump(), before);
        }
        QVERIFY(!form.Busy);
    }

    // Cancel pressed while the disk is read: no differences shown, nothing written.
    void cancelWhileReading() {
        Fixture fx;
        const QString before = catalogueDump();
        frmUpdate form(nullptr, nullptr, fx.image);
        PauseHookUi ui;
        form.setUi(&ui);
        ui.onPause = [&] {
            if (ui.pauses == 4)
                child<QPushButton>(&form, "cmdCancel")->click();
        };
        bool reviewed = false;
        form.review = [&](frmUpdateDiff&) { return reviewed = true; };
        FixedSource src(fx.tree);
        QCOMPARE(form.Run(src), DiskScan::Result::Cancelled);
        QVERIFY(!reviewed);
        QCOMPARE(catalogueDump(), before);
    }

    void findDisk_data() {
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("startsThere");
        QTest::newRow("mounted") << 0x1234u << QStringLiteral("DISK") << true << false;
        QTest::newRow("a folder of the volume")
            << 0x1234u << QStringLiteral("OTHER") << false << true;
        QTest::newRow("not mounted") << 0x9999u << QStringLiteral("DISK") << false << false;
    }
    // The disk is found by its serial; otherwise the user is asked where it is.
    void findDisk() {
        QFETCH(quint32, serial);
        QFETCH(QString, label);
        QFETCH(bool, found);
        QFETCH(bool, startsThere);
        Fixture fx;
        ListedVolumes volumes;
        VolumeInfo v;
        v.key = QLatin1Char('D');
        v.mountPoint = fx.tree;
        v.serial = serial;
        v.label = label;
        volumes.list << v;
        frmUpdate form(nullptr, nullptr, fx.image, &volumes);
        QStringList asked;
        form.pickFolder = [&](const QString& start) {
            asked << start;
            return QStringLiteral("/picked");
        };
        const QString root = form.findDisk();
        QCOMPARE(root, found ? fx.tree : QStringLiteral("/picked"));
        QCOMPARE(asked, found ? QStringList() : QStringList{startsThere ? fx.tree : QString()});
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestUpdateDialog)
#include "tst_updatedialog.moc"
