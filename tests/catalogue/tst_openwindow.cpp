#include "CatalogueFixture.h"
#include "ScriptedUi.h"

#include "browser/frmMain.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "shell/mdlOptions.h"
#include "shell/mdlRecent.h"
#include "shell/mdlRegistry.h"

#include <QAction>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

// What opening and closing a catalogue shows in the real main window.
class TestOpenWindow : public QObject {
    Q_OBJECT

    TestHome m_home;

    QString makeCatalogue(const QString& name) {
        QString p = m_home.file(name);
        ScriptedUi ui;
        OpenCatalogue(p, false, false, ui, nullptr);
        CloseCatalogue(nullptr);
        return p;
    }

    static QStringList recentCaptions(frmMain& w) {
        QStringList out;
        for (QAction* a : w.findChildren<QAction*>(u"mnuFileRecent"_s)) {
            if (a->isVisible())
                out << a->data().toString();
        }
        return out;
    }

    static bool enabled(frmMain& w, const char* name) {
        auto* a = w.findChild<QAction*>(QLatin1String(name));
        return a && a->isEnabled();
    }

private slots:
    void init() {
        DefaultOptions();
        options().LoadDefaultDatabase = false;
        recentList().LoadRecent(kLedraKey + u"\\Recent"_s);
    }
    void cleanup() { CloseCatalogue(nullptr); }

    void writableOpenShowsPathCaptionAndRemembers() {
        const QString p = makeCatalogue(u"Disks/Music.2002.ldr"_s);
        frmMain w(p);
        ScriptedUi ui;
        w.setUi(&ui);
        w.Load();
        QVERIFY(ui.shown.isEmpty());
        QCOMPARE(w.windowTitle(), u"Ledra - Music"_s);
        QCOMPARE(w.findChild<QLabel*>(u"File"_s)->text(), p);
        QVERIFY(w.findChild<QLabel*>(u"ReadOnly"_s)->isHidden());
        QVERIFY(enabled(w, "mnuFileNewNode"));
        QVERIFY(enabled(w, "mnuToolsCompact"));
        QCOMPARE(options().Default, p);
        QCOMPARE(recentCaptions(w), QStringList{p});
        // The list is saved at each successful open.
        QCOMPARE(GetRegString(kLedraKey + u"\\Recent"_s, u"0"_s, QString()), p);

        CloseCatalogue(&w);
        QCOMPARE(w.windowTitle(), u"Ledra"_s);
        QCOMPARE(w.findChild<QLabel*>(u"File"_s)->text(), QString());
        QVERIFY(!enabled(w, "mnuFileNewNode"));
        QVERIFY(!enabled(w, "mnuToolsCompact"));
    }

    void readOnlyOpenKeepsTheDefault() {
        const QString p = makeCatalogue(u"ro.ldr"_s);
        options().Default = u"/somewhere/else.ldr"_s;
        frmMain w;
        ScriptedUi ui;
        w.setUi(&ui);
        w.Load();
        QString path = p;
        QVERIFY(OpenCatalogue(path, true, true, ui, &w));
        QCOMPARE(w.findChild<QLabel*>(u"File"_s)->text(), QString());
        QVERIFY(!w.findChild<QLabel*>(u"ReadOnly"_s)->isHidden());
        QCOMPARE(w.findChild<QLabel*>(u"ReadOnly"_s)->text(), u"Read-only"_s);
        QCOMPARE(options().Default, u"/somewhere/else.ldr"_s);
        QVERIFY(!enabled(w, "mnuFileNewNode"));
        QVERIFY(enabled(w, "mnuFileProperties"));
        QVERIFY(!enabled(w, "mnuToolsCompact"));
    }

    void failedOpenDropsTheRecentEntry() {
        const QString good = makeCatalogue(u"good.ldr"_s);
        const QString bad = m_home.file(u"bad.ldr"_s);
        QVERIFY(writeBytes(bad, "not a catalogue"));
        frmMain w;
        ScriptedUi ui;
        w.setUi(&ui);
        w.Load();
        QString path = bad;
        recentList().AddRecent(bad);
        recentList().AddRecent(good);
        w.showRecent(recentList().entries());
        QVERIFY(!OpenCatalogue(path, true, false, ui, &w));
        QVERIFY(ui.lastText().startsWith(u"Database error number 3343."_s));
        QCOMPARE(ui.shown.last().icon, Ui::Icon::Critical);
        QVERIFY(!recentCaptions(w).contains(bad));
        QCOMPARE(recentCaptions(w).value(0), good);
        QCOMPARE(w.windowTitle(), u"Ledra"_s);
    }

    void firstStartBuildsTheDefaultCatalogue() {
        options().LoadDefaultDatabase = true;
        options().Default = PersonalFolderForTest();
        frmMain w;
        ScriptedUi ui;
        w.setUi(&ui);
        w.Load();
        QCOMPARE(ui.texts(), QStringList{u"Database created!"_s});
        QCOMPARE(catalogue().path, options().Default);
        QCOMPARE(w.windowTitle(), u"Ledra - Ledra"_s);
    }

private:
    QString PersonalFolderForTest() { return m_home.file(u"home/Documents/Ledra.ldr"_s); }
};

QTEST_MAIN(TestOpenWindow)
#include "tst_openwindow.moc"
