#include "shell/mdlParam.h"

#include <QTest>

class TestParam : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void hasParam_data();
    void hasParam();
    void reparseEmpties();
};

void TestParam::parse_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("records"); // "name|value;name|value"
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("setup") << "/Setup"
                           << "setup|";
    QTest::newRow("value and switch") << "/lang=HR /x"
                                      << "lang|HR;x|";
    QTest::newRow("drive path") << "C:\\Disks\\a.ldr"
                                << "c|\\Disks\\a.ldr";
    QTest::newRow("colon value") << "/setup:yes"
                                 << "setup|yes";
    QTest::newRow("first separator wins") << "/a=b:c /d:e=f"
                                          << "a|b:c;d|e=f";
    QTest::newRow("value keeps case") << "/NAME=Value"
                                      << "name|Value";
    QTest::newRow("leading text") << "catalog.ldr /x"
                                  << "|catalog.ldr;x|";
    QTest::newRow("unix path splits") << "/home/u/a.ldr"
                                      << "home|;u|;a.ldr|";
    QTest::newRow("blank stretches skipped") << "/a/ /  /b//"
                                             << "a|;b|";
    QTest::newRow("segments trimmed") << "  /  Setup  "
                                      << "setup|";
}

void TestParam::parse() {
    QFETCH(QString, commandLine);
    QFETCH(QString, records);
    ParamList list;
    list.ParseParams(commandLine);
    QStringList got;
    for (const Param& p : list.params())
        got << p.name + QLatin1Char('|') + p.value;
    QCOMPARE(got.join(QLatin1Char(';')), records);
}

void TestParam::hasParam_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("upper case switch") << "/SETUP"
                                       << "Setup" << true;
    QTest::newRow("with value") << "/setup:yes"
                                << "setup" << true;
    QTest::newRow("trimmed query") << "/setup"
                                   << "  SETUP " << true;
    QTest::newRow("prefix is not a match") << "/setups"
                                           << "setup" << false;
    QTest::newRow("value is not a name") << "/lang=setup"
                                         << "setup" << false;
    QTest::newRow("empty list") << ""
                                << "setup" << false;
    QTest::newRow("drive letter record") << "C:\\a.ldr"
                                         << "c" << true;
}

void TestParam::hasParam() {
    QFETCH(QString, commandLine);
    QFETCH(QString, name);
    QFETCH(bool, found);
    ParamList list;
    list.ParseParams(commandLine);
    QCOMPARE(list.HasParam(name), found);
}

void TestParam::reparseEmpties() {
    ParamList list;
    list.ParseParams(QStringLiteral("/a /b"));
    list.ParseParams(QString());
    QVERIFY(list.params().isEmpty());
    QVERIFY(!list.HasParam(QStringLiteral("a")));
}

QTEST_GUILESS_MAIN(TestParam)
#include "tst_param.moc"
