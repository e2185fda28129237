#include "CatalogueFixture.h"

#include "shell/mdlRegistry.h"
#include "shell/mdlSetup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

// The set-up switch writes a launcher entry and the ".ldr" association into a temporary home.
class TestSetup : public QObject {
    Q_OBJECT

    TestHome m_home;

private slots:
    void writesLauncherAndFileType() {
        const QString exe = u"/opt/My Apps/ledra"_s;
        const SetupResult r = RunSetup(exe);
        // The shared folder of the test home is writable, so it is preferred.
        QCOMPARE(r.desktopEntry, m_home.file(u"shared/applications/ledra.desktop"_s));
        const QString entry = QString::fromUtf8(readBytes(r.desktopEntry));
        QVERIFY(entry.startsWith(u"[Desktop Entry]\n"_s));
        QVERIFY(entry.contains(u"Exec=\"/opt/My Apps/ledra\" %f\n"_s));
        QVERIFY(entry.contains(u"Path=/opt/My Apps\n"_s));
        QVERIFY(entry.contains(u"Comment=Tessaly Ledra\n"_s));
        QVERIFY(entry.contains(u"MimeType=application/x-ledra-catalog;\n"_s));
        // The launcher shows Ledra's own icon, installed beside it.
        QVERIFY(entry.contains(u"Icon=ledra\n"_s));
        QCOMPARE(r.icon, m_home.file(u"shared/icons/hicolor/scalable/apps/ledra.svg"_s));
        QVERIFY(readBytes(r.icon).contains("<svg"));
        const QString mime = QString::fromUtf8(readBytes(r.mimePackage));
        QVERIFY(mime.contains(u"<glob pattern=\"*.ldr\"/>"_s));
        QVERIFY(mime.contains(u"Ledra Catalog File"_s));

        QCOMPARE(GetRegString(u"HKCR\\Tessaly.Ledra"_s, QString(), QString()),
                 u"Ledra Catalog File"_s);
        QCOMPARE(GetRegString(u"HKCR\\Tessaly.Ledra\\DefaultIcon"_s, QString(), QString()),
                 exe + u",1"_s);
        QCOMPARE(GetRegString(u"HKCR\\Tessaly.Ledra\\shell\\Open\\command"_s, QString(), QString()),
                 exe + u" %1"_s);
        QCOMPARE(GetRegString(u"HKCR\\.ldr"_s, QString(), QString()), u"Tessaly.Ledra"_s);
    }

    void fallsBackToTheUserFolder() {
        // A shared folder that cannot take a file sends the entry to the user's own folder.
        const QString shared = m_home.file(u"shared/applications"_s);
        QDir(shared).removeRecursively();
        QVERIFY(writeBytes(m_home.file(u"shared-file"_s), "x"));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_home.file(u"shared-file"_s)));
        const SetupResult r = RunSetup(u"/usr/bin/ledra"_s);
        QCOMPARE(r.desktopEntry, m_home.file(u"data/applications/ledra.desktop"_s));
        QVERIFY(QFile::exists(m_home.file(u"data/mime/packages/ledra-catalog.xml"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_home.file(u"shared"_s)));
    }

    void theExecutableRunsSetupAndEnds() {
        QProcess p;
        p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        p.start(QStringLiteral(LEDRA_EXE), {u"/SETUP"_s});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QString entry =
            QString::fromUtf8(readBytes(m_home.file(u"shared/applications/ledra.desktop"_s)));
        QVERIFY(entry.contains(QStringLiteral(LEDRA_EXE)));
        // Nothing but the association was written to the settings store: no options.
        QVERIFY(!QFile::exists(m_home.file(u"config/Tessaly/Ledra.conf"_s)));
    }
};

QTEST_GUILESS_MAIN(TestSetup)
#include "tst_setup.moc"
