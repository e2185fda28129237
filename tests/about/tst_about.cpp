#include "about/frmAbout.h"
#include "about/frmSHelp.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void aboutAndShortHelp();
};

// Each box: its title, its texts and its Close button.
void TestAbout::aboutAndShortHelp() {
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Ledra"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Ledra"));
    // Minor in two digits, patch in four.
    const QString version = about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text();
    QVERIFY2(
        QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d\\.\\d{4}$")).match(version).hasMatch(),
        qPrintable(version));
    // No made-up address is shown: without a home of its own the box shows no link at all.
    about.show();
    for (const char* link : {"lblURLC", "lblURL", "lblEmailC", "lblEmail"})
        QVERIFY2(!about.findChild<QLabel*>(QLatin1String(link))->isVisible(), link);
    auto* close = about.findChild<QPushButton*>(QStringLiteral("cmdClose"));
    QVERIFY(close && close->isVisible());
    close->click();
    QVERIFY(about.isHidden());

    frmSHelp help;
    QCOMPARE(help.windowTitle(), QStringLiteral("Short Help"));
    const QString text = help.findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"))->toPlainText();
    for (const char* heading : {">>ABOUT<<", ">>USE<<", ">>FAQ<<"})
        QVERIFY(text.contains(QLatin1String(heading)));
    close = help.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    QCOMPARE(close->text(), QStringLiteral("Close"));
    help.show();
    close->click();
    QVERIFY(help.isHidden());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
