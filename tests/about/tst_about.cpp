#include "about/frmAbout.h"
#include "about/frmSHelp.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { frmAbout::setOpenUrlForTest({}); }
    void texts();
    void links();
    void shortHelp();
};

void TestAbout::texts() {
    frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Ledra"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Ledra"));
    // Minor in two digits, patch in four.
    const QString version = about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text();
    QVERIFY2(
        QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d\\.\\d{4}$")).match(version).hasMatch(),
        qPrintable(version));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblURLC"))->text(), QStringLiteral("URL:"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblEmailC"))->text(),
             QStringLiteral("E-mail:"));
    // No made-up address is shown: without a home of its own the box shows no link at all.
    about.show();
    for (QLabel* label : about.findChildren<QLabel*>()) {
        if (label->isVisible())
            QVERIFY2(!label->text().contains(QLatin1String(".example")), qPrintable(label->text()));
    }
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("lblEmail"))->isVisible());
    auto* close = about.findChild<QPushButton*>(QStringLiteral("cmdClose"));
    QVERIFY(close && close->isVisible());
    close->click();
    QVERIFY(about.isHidden());
}

// A click on the address opens it; the pointer over it underlines it, and only it.
void TestAbout::links() {
    QStringList seen;
    frmAbout::setOpenUrlForTest([&](const QUrl& u) {
        seen << u.toString();
        return true;
    });
    frmAbout about;
    about.URL = QStringLiteral("https://example.org/ledra");
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    auto* url = about.findChild<QLabel*>(QStringLiteral("lblURL"));
    QTest::mouseClick(url, Qt::LeftButton);
    QCOMPARE(seen, QStringList({about.URL}));
    QCursor::setPos(url->mapToGlobal(url->rect().center()));
    QTRY_VERIFY_WITH_TIMEOUT(url->font().underline(), 2000);
    QVERIFY(!about.findChild<QLabel*>(QStringLiteral("lblEmail"))->font().underline());
    QCursor::setPos(about.mapToGlobal(QPoint(-50, -50)));
    QTRY_VERIFY_WITH_TIMEOUT(!url->font().underline(), 2000);
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(about.isHidden());
}

void TestAbout::shortHelp() {
    frmSHelp help;
    QCOMPARE(help.windowTitle(), QStringLiteral("Short Help"));
    const QString text = help.findChild<QPlainTextEdit*>(QStringLiteral("txtHelp"))->toPlainText();
    for (const char* heading : {">>ABOUT<<", ">>USE<<", ">>FAQ<<"})
        QVERIFY(text.contains(QLatin1String(heading)));
    QVERIFY(frmSHelp::helpText().contains(QStringLiteral("Explore...\r\n\r\n>>FAQ<<")));
    auto* close = help.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    QCOMPARE(close->text(), QStringLiteral("Close"));
    help.show();
    close->click();
    QVERIFY(help.isHidden());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
