#include "controls/ctlCmnDlg.h"

#include <QTest>

class TestCtlCmnDlg : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ctlCmnDlg::setTestHook({}); }
    void fileTitle_data();
    void fileTitle();
    void filters_data();
    void filters();
    void defaultTitles_data();
    void defaultTitles();
    void cancelKeepsValues();
    void unknownAction();
    void colourAndFont();
    void storedSet();
};

void TestCtlCmnDlg::fileTitle_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("full path") << "/home/ann/Disks/Music.ldr"
                               << "Music.ldr";
    QTest::newRow("bare name") << "Music.ldr"
                               << "Music.ldr";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("folder") << "/home/ann/"
                            << "";
}

void TestCtlCmnDlg::fileTitle() {
    QFETCH(QString, name);
    QFETCH(QString, title);
    ctlCmnDlg dlg;
    dlg.setFileName(name);
    QCOMPARE(dlg.FileTitle(), title);
}

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

void TestCtlCmnDlg::defaultTitles_data() {
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("dialogTitle");
    QTest::addColumn<QString>("shown");
    QTest::newRow("open") << 1 << ""
                          << "Open";
    QTest::newRow("save") << 2 << ""
                          << "Save As";
    QTest::newRow("own title") << 1 << "Open..."
                               << "Open...";
}

void TestCtlCmnDlg::defaultTitles() {
    QFETCH(int, action);
    QFETCH(QString, dialogTitle);
    QFETCH(QString, shown);
    QString seen;
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        seen = x.title;
        x.fileName = QStringLiteral("/tmp/chosen.ldr");
        x.filterIndex = 2;
        return true;
    });
    ctlCmnDlg dlg;
    dlg.setDialogTitle(dialogTitle);
    dlg.setAction(action);
    QCOMPARE(seen, shown);
    QCOMPARE(dlg.LastError(), 0);
    QCOMPARE(dlg.FileName(), QStringLiteral("/tmp/chosen.ldr"));
    QCOMPARE(dlg.FileTitle(), QStringLiteral("chosen.ldr"));
    QCOMPARE(dlg.FilterIndex(), 2);
}

void TestCtlCmnDlg::cancelKeepsValues() {
    bool ok = false;
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange& x) {
        x.fileName = QStringLiteral("/tmp/other");
        x.flags = 99;
        return ok;
    });
    ctlCmnDlg dlg;
    dlg.setFileName(QStringLiteral("/tmp/kept.ldr"));
    dlg.ShowOpen();
    QCOMPARE(dlg.LastError(), ctlCmnDlg::kCancelError);
    QCOMPARE(dlg.FileName(), QStringLiteral("/tmp/kept.ldr"));
    QCOMPARE(dlg.Flags(), 0);
    ok = true;
    dlg.ShowOpen();
    QCOMPARE(dlg.LastError(), 0);
    QCOMPARE(dlg.Flags(), 99);
}

void TestCtlCmnDlg::unknownAction() {
    int calls = 0;
    ctlCmnDlg::setTestHook([&](ctlCmnDlg::Exchange&) {
        ++calls;
        return false;
    });
    ctlCmnDlg dlg;
    dlg.ShowSave();
    QCOMPARE(dlg.LastError(), ctlCmnDlg::kCancelError);
    dlg.setAction(7);
    dlg.setAction(0);
    QCOMPARE(calls, 1);
    QCOMPARE(dlg.LastError(), ctlCmnDlg::kCancelError);
    // Help without a file fails as a cancel.
    ctlCmnDlg::setTestHook({});
    dlg.ShowHelp();
    QCOMPARE(dlg.LastError(), ctlCmnDlg::kCancelError);
}

void TestCtlCmnDlg::colourAndFont() {
    ctlCmnDlg::setTestHook([](ctlCmnDlg::Exchange& x) {
        if (x.operation == ctlCmnDlg::ActionColor) {
            // Handed in as 0x00BBGGRR.
            if (x.color != 0x00332211u)
                return false;
            x.color = 0x00FF0000u;
        } else {
            if (x.font.pointSize() != 12 || !x.font.bold())
                return false;
            x.font.setBold(false);
            x.font.setItalic(true);
            x.font.setPointSize(20);
        }
        return true;
    });
    ctlCmnDlg dlg;
    dlg.setColor(0x00332211u);
    dlg.ShowColor();
    QCOMPARE(dlg.LastError(), 0);
    QCOMPARE(dlg.Color(), 0x00FF0000u);
    dlg.setFontSize(12);
    dlg.setFontBold(true);
    dlg.ShowFont();
    QCOMPARE(dlg.LastError(), 0);
    QVERIFY(!dlg.FontBold());
    QVERIFY(dlg.FontItalic());
    QCOMPARE(dlg.FontSize(), 20);
}

void TestCtlCmnDlg::storedSet() {
    ctlCmnDlg dlg;
    QVERIFY(dlg.writeProperties().isEmpty());
    QCOMPARE(dlg.FontSize(), 8);
    QCOMPARE(dlg.MaxFileSize(), 260);
    QVERIFY(dlg.PrinterDefault());
    dlg.setFilter(QStringLiteral("All|*.*"));
    dlg.setCopies(3);
    QVERIFY(dlg.isChanged());
    const QVariantMap out = dlg.writeProperties();
    QCOMPARE(out.keys(), QStringList({QStringLiteral("Copies"), QStringLiteral("Filter")}));
    ctlCmnDlg copy;
    copy.readProperties(out);
    QCOMPARE(copy.Copies(), 3);
    QCOMPARE(copy.Filter(), QStringLiteral("All|*.*"));
    QVERIFY(!copy.isChanged());
}

QTEST_MAIN(TestCtlCmnDlg)
#include "tst_ctlcmndlg.moc"
