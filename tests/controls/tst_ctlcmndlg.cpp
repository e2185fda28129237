#include "controls/ctlCmnDlg.h"

#include <QTest>

class TestCtlCmnDlg : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ctlCmnDlg::setTestHook({}); }
    void filters_data();
    void filters();
    void showOpenAndSave();
};

void TestCtlCmnDlg::filters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");
    QTest::newRow("two patterns, all files")
        << "Ledra (*.ldr;*.mdb)|*.ldr;*.mdb|All Files (*.*)|*.*"
        << QStringList{QStringLiteral("Ledra (*.ldr *.mdb)"), QStringLiteral("All Files (*)")};
    QTest::newRow("description without patterns")
        << "Index files|*.idx" << QStringList{QStringLiteral("Index files (*.idx)")};
    QTest::newRow("dangling description")
        << "Odd|*.x|Alone" << QStringList{QStringLiteral("Odd (*.x)")};
    QTest::newRow("empty") << "" << QStringList();
}

void TestCtlCmnDlg::filters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    QCOMPARE(ctlCmnDlg::nameFilters(filter), nameFilters);
}

// Default titles, a cancel that keeps every value, and an accept that takes the dialog's.
void TestCtlCmnDlg::showOpenAndSave() {
    bool ok = false;
    QString title;
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        title = x.title;
        x.fileName = QStringLiteral("/tmp/other");
        x.flags = 99;
        x.filterIndex = 2;
        return ok;
    });
    ctlCmnDlg dlg;
    dlg.setFileName(QStringLiteral("/tmp/kept.ldr"));
    dlg.ShowOpen();
    QCOMPARE(title, QStringLiteral("Open"));
    QCOMPARE(dlg.LastError(), ctlCmnDlg::kCancelError);
    QCOMPARE(dlg.FileName(), QStringLiteral("/tmp/kept.ldr"));
    QCOMPARE(dlg.Flags(), 0);
    ok = true;
    dlg.ShowSave();
    QCOMPARE(title, QStringLiteral("Save As"));
    QCOMPARE(dlg.LastError(), 0);
    QCOMPARE(dlg.FileName(), QStringLiteral("/tmp/other"));
    QCOMPARE(dlg.Flags(), 99);
    QCOMPARE(dlg.FilterIndex(), 2);
    dlg.setDialogTitle(QStringLiteral("Open Catalogue"));
    dlg.ShowOpen();
    QCOMPARE(title, QStringLiteral("Open Catalogue"));
}

QTEST_MAIN(TestCtlCmnDlg)
#include "tst_ctlcmndlg.moc"
