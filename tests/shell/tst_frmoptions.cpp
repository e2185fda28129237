#include "shell/frmOptions.h"
#include "shell/mdlOptions.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestFrmOptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { DefaultOptions(); }
    void loadsAndSaves_data();
    void loadsAndSaves();
    void detectFollowsIncremental();
    void cancelChangesNothing();

private:
    QCheckBox* box(frmOptions& f, const char* name) {
        return f.findChild<QCheckBox*>(QLatin1String(name));
    }
    QTemporaryDir m_dir;
};

void TestFrmOptions::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
}

void TestFrmOptions::loadsAndSaves_data() {
    QTest::addColumn<bool>("value");
    QTest::newRow("all on") << true;
    QTest::newRow("all off") << false;
}

void TestFrmOptions::loadsAndSaves() {
    QFETCH(bool, value);
    Options& o = options();
    o.IncrementalFill = o.DetectSubFolders = o.UseIcons = o.LoadDefaultDatabase = value;
    frmOptions f;
    QCOMPARE(f.windowTitle(), QStringLiteral("Options"));
    for (const char* name :
         {"chkTreeIncrementalFill", "chkTreeDetectSubFolders", "chkUseIcons", "chkLoadLastFile"})
        QCOMPARE(box(f, name)->isChecked(), value);
    for (const char* name :
         {"chkTreeIncrementalFill", "chkTreeDetectSubFolders", "chkUseIcons", "chkLoadLastFile"})
        box(f, name)->setChecked(!value);
    f.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(f.result(), int(QDialog::Accepted));
    QCOMPARE(o.IncrementalFill, !value);
    QCOMPARE(o.DetectSubFolders, !value);
    QCOMPARE(o.UseIcons, !value);
    QCOMPARE(o.LoadDefaultDatabase, !value);
}

void TestFrmOptions::detectFollowsIncremental() {
    options().IncrementalFill = false;
    options().DetectSubFolders = true;
    frmOptions f;
    QCheckBox* detect = box(f, "chkTreeDetectSubFolders");
    QVERIFY(!detect->isEnabled());
    QVERIFY(detect->isChecked());
    box(f, "chkTreeIncrementalFill")->setChecked(true);
    QVERIFY(detect->isEnabled());
    box(f, "chkTreeIncrementalFill")->setChecked(false);
    QVERIFY(!detect->isEnabled());
    // Greyed, it keeps its value.
    f.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QVERIFY(options().DetectSubFolders);
}

void TestFrmOptions::cancelChangesNothing() {
    frmOptions f;
    box(f, "chkUseIcons")->setChecked(false);
    auto* cancel = f.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    cancel->click();
    QVERIFY(options().UseIcons);
}

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
