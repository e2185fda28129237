#include "PropFindCatalogue.h"
#include "ScriptedUi.h"

#include "catalogue/mdlDatabase.h"
#include "controls/ctlLText.h"
#include "properties/frmPropImg.h"
#include "properties/frmPropItm.h"
#include "properties/mdlProperties.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using Item = PropFindCatalogue::Item;

namespace {

QString fieldText(const QList<PropField>& fields, const QString& label) {
    for (const PropField& f : fields) {
        if (f.label == label)
            return f.text;
    }
    return QStringLiteral("<missing>");
}

QString ltx(QWidget* dialog, const char* name) {
    auto* f = dialog->findChild<ctlLText*>(QLatin1String(name));
    return f ? f->Text() : QStringLiteral("<missing>");
}

} // namespace

class TestProperties : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void imageFields();
    void imageNameChecks_data();
    void imageNameChecks();
    void itemFields();
    void attributes_data();
    void attributes();
    void trackNames_data();
    void trackNames();
    void folderPathSurvivesALoop();
    void storeAsTyped();
    void readOnlyRefusesWrites();

    void imageDialog();
    void imageDialogReadOnly();
    void itemDialogTrack();
    void itemDialogMissingItem();

    void cliPropsAndSet();

private:
    std::unique_ptr<PropFindCatalogue> m_cat;
};

void TestProperties::init() {
    m_cat = std::make_unique<PropFindCatalogue>();
    QVERIFY(m_cat->isOpen());
    m_cat->addImage(3, QStringLiteral("Music"), 50);
    Item docs;
    docs.id = 12;
    docs.type = 0;
    docs.name = QStringLiteral("Docs");
    docs.attrib = 16;
    m_cat->addItem(3, docs);
    Item sub;
    sub.id = 13;
    sub.parentId = 12;
    sub.type = 0;
    sub.name = QStringLiteral("2024");
    m_cat->addItem(3, sub);
    Item file;
    file.id = 57;
    file.parentId = 13;
    file.name = QStringLiteral("readme.txt");
    file.msdosName = QStringLiteral("README.TXT");
    file.attrib = 33;
    file.size = 102399;
    file.timeM = QStringLiteral("2024-01-02 03:04:05");
    file.keywords = QStringLiteral("backup");
    m_cat->addItem(3, file);
    Item bare;
    bare.id = 58;
    bare.name = QStringLiteral("bare");
    bare.attrib = 0;
    m_cat->addItem(3, bare);
}

void TestProperties::cleanup() {
    m_cat.reset();
}

void TestProperties::imageFields() {
    ImageProperties p;
    QString message;
    QCOMPARE(ReadImageProperties(db(), 3, &p, &message), ReadResult::Found);
    const QList<PropField> f = p.fields();
    QCOMPARE(fieldText(f, QStringLiteral("Name:")), QStringLiteral("Music"));
    QCOMPARE(fieldText(f, QStringLiteral("Type:")), QStringLiteral("Unknown"));
    QCOMPARE(fieldText(f, QStringLiteral("Serial:")), QStringLiteral("1A2B3C4D"));
    // The date in the user's locale, with its seconds.
    const QString date = fieldText(f, QStringLiteral("Date:"));
    QVERIFY2(date.startsWith(QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat)),
             qPrintable(date));
    QVERIFY2(date.contains(QStringLiteral("07:09")), qPrintable(date));
    QCOMPARE(ReadImageProperties(db(), 99, &p, &message), ReadResult::Missing);
}

void TestProperties::imageNameChecks_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("blanks only") << QStringLiteral("   ") << false;
    QTest::newRow("64 characters") << QString(64, u'a') << true;
    QTest::newRow("65 characters") << QString(65, u'a') << false;
    // Counted in characters, not UTF-16 units: 64 emoji fit the column.
    QTest::newRow("64 astral characters") << QStringLiteral("\U0001F600").repeated(64) << true;
    QTest::newRow("quotes and backslash") << QStringLiteral("My \"best\" \\ disk") << true;
}

void TestProperties::imageNameChecks() {
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QString message;
    QCOMPARE(StoreImageProperties(db(), 3, name, QStringLiteral("c"), &message), accepted);
    QCOMPARE(m_cat->imageValue(3, "Name").toString(), accepted ? name : QStringLiteral("Music"));
    QCOMPARE(message.isEmpty(), accepted);
}

void TestProperties::itemFields() {
    ItemProperties p;
    QString message;
    QCOMPARE(ReadItemProperties(db(), 3, 57, &p, &message), ReadResult::Found);
    QList<PropField> f = p.fields();
    QCOMPARE(fieldText(f, QStringLiteral("Image:")), QStringLiteral("Music"));
    QCOMPARE(fieldText(f, QStringLiteral("Path:")), QStringLiteral("/Docs/2024"));
    QCOMPARE(fieldText(f, QStringLiteral("MS-DOS Name:")), QStringLiteral("README.TXT"));
    QCOMPARE(fieldText(f, QStringLiteral("Size:")), QLocale().toString(100.0, 'f', 1) + u" KB");
    QCOMPARE(fieldText(f, QStringLiteral("Time Created:")), QStringLiteral("N/A"));
    QVERIFY(fieldText(f, QStringLiteral("Time Modified:")).contains(QStringLiteral("04:05")));
    QCOMPARE(fieldText(f, QStringLiteral("Keywords:")), QStringLiteral("backup"));

    // Empty MS-DOS name, size and times all read "N/A"; an item in the root has the path "/".
    QCOMPARE(ReadItemProperties(db(), 3, 58, &p, &message), ReadResult::Found);
    f = p.fields();
    for (const char* label :
         {"MS-DOS Name:", "Size:", "Time Created:", "Time Modified:", "Time Accessed:"})
        QCOMPARE(fieldText(f, QLatin1String(label)), QStringLiteral("N/A"));
    QCOMPARE(fieldText(f, QStringLiteral("Path:")), QStringLiteral("/"));

    // The same item asked for under another image is not there.
    QCOMPARE(ReadItemProperties(db(), 4, 57, &p, &message), ReadResult::Missing);
}

void TestProperties::attributes_data() {
    QTest::addColumn<QVariant>("attrib");
    QTest::addColumn<QString>("text");
    QTest::newRow("read-only archive") << QVariant(33) << QStringLiteral("Read-only, Archive");
    QTest::newRow("none") << QVariant(0) << QStringLiteral("None");
    QTest::newRow("null reads as none") << QVariant() << QStringLiteral("None");
    QTest::newRow("directory hidden") << QVariant(18) << QStringLiteral("Hidden, Directory");
    QTest::newRow("volume label only") << QVariant(8) << QString();
}

void TestProperties::attributes() {
    QFETCH(QVariant, attrib);
    QFETCH(QString, text);
    Item i;
    i.id = 90;
    i.name = QStringLiteral("a");
    i.attrib = attrib;
    m_cat->addItem(3, i);
    ItemProperties p;
    QString message;
    QCOMPARE(ReadItemProperties(db(), 3, 90, &p, &message), ReadResult::Found);
    QCOMPARE(p.attributes, text);
}

void TestProperties::trackNames_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("storedAfter");
    QTest::newRow("plain, titled")
        << QStringLiteral("Track05.cda") << QStringLiteral("05") << QStringLiteral("Track05")
        << QStringLiteral("Intro") << QStringLiteral("05: Intro.cda");
    QTest::newRow("plain, unchanged")
        << QStringLiteral("Track05.cda") << QStringLiteral("05") << QStringLiteral("Track05")
        << QStringLiteral("Track05") << QStringLiteral("05: Track05.cda");
    QTest::newRow("titled, cleared")
        << QStringLiteral("05: Intro.cda") << QStringLiteral("05") << QStringLiteral("Intro")
        << QString() << QStringLiteral("05: .cda");
    QTest::newRow("title with quote")
        << QStringLiteral("12: Old.cda") << QStringLiteral("12") << QStringLiteral("Old")
        << QStringLiteral("Say \"hi\"") << QStringLiteral("12: Say \"hi\".cda");
    QTest::newRow("one digit is no track")
        << QStringLiteral("Track5.cda") << QString() << QStringLiteral("Track5.cda") << QString()
        << QString();
    QTest::newRow("no blank after colon")
        << QStringLiteral("05:Intro.cda") << QString() << QStringLiteral("05:Intro.cda")
        << QString() << QString();
    QTest::newRow("other file") << QStringLiteral("Track05.wav") << QString()
                                << QStringLiteral("Track05.wav") << QString() << QString();
}

void TestProperties::trackNames() {
    QFETCH(QString, stored);
    QFETCH(QString, number);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QString, storedAfter);
    Item i;
    i.id = 91;
    i.name = stored;
    m_cat->addItem(3, i);
    ItemProperties p;
    QString message;
    QCOMPARE(ReadItemProperties(db(), 3, 91, &p, &message), ReadResult::Found);
    QCOMPARE(p.trackNumber, number);
    QCOMPARE(p.name, shown);
    if (number.isEmpty())
        return;
    ItemEdits edits;
    edits.trackName = TrackStoredName(p.trackNumber, typed);
    QVERIFY2(StoreItemProperties(db(), 3, 91, edits, &message), qPrintable(message));
    QCOMPARE(m_cat->itemValue(3, 91, "Name").toString(), storedAfter);
}

void TestProperties::folderPathSurvivesALoop() {
    // Damaged rows whose parents point at each other must not hang the dialog.
    Item a;
    a.id = 70;
    a.parentId = 71;
    a.type = 0;
    a.name = QStringLiteral("a");
    Item b = a;
    b.id = 71;
    b.parentId = 70;
    b.name = QStringLiteral("b");
    m_cat->addItem(3, a);
    m_cat->addItem(3, b);
    Item c;
    c.id = 72;
    c.parentId = 70;
    c.name = QStringLiteral("c");
    m_cat->addItem(3, c);
    ItemProperties p;
    QString message;
    QCOMPARE(ReadItemProperties(db(), 3, 72, &p, &message), ReadResult::Found);
    QCOMPARE(p.path, QStringLiteral("/b/a"));
}

void TestProperties::storeAsTyped() {
    ItemEdits edits;
    edits.keywords = QStringLiteral("a\"b'c\\d");
    edits.description = QStringLiteral("\"; DROP TABLE Items; --");
    edits.comment = QStringLiteral("line 1\nline 2");
    QString message;
    QVERIFY2(StoreItemProperties(db(), 3, 57, edits, &message), qPrintable(message));
    QCOMPARE(m_cat->itemValue(3, 57, "Keywords").toString(), edits.keywords);
    QCOMPARE(m_cat->itemValue(3, 57, "Description").toString(), edits.description);
    QCOMPARE(m_cat->itemValue(3, 57, "Comment").toString(), edits.comment);
    QCOMPARE(m_cat->itemValue(3, 57, "Name").toString(), QStringLiteral("readme.txt"));

    // Too long for its column: refused with the engine's word, nothing stored.
    edits.keywords = QString(65, u'k');
    QVERIFY(!StoreItemProperties(db(), 3, 57, edits, &message));
    QVERIFY2(message.contains(QStringLiteral("3163")), qPrintable(message));
    QCOMPARE(m_cat->itemValue(3, 57, "Keywords").toString(), QStringLiteral("a\"b'c\\d"));

    // An item deleted meanwhile is reported, not silently "stored".
    QVERIFY(!StoreItemProperties(db(), 3, 999, ItemEdits{}, &message));
    QCOMPARE(message, QStringLiteral("The item no longer exists in the catalogue."));
}

void TestProperties::readOnlyRefusesWrites() {
    QVERIFY(m_cat->reopen(true));
    QString message;
    QVERIFY(!StoreImageProperties(db(), 3, QStringLiteral("New"), QString(), &message));
    ItemEdits edits;
    edits.keywords = QStringLiteral("x");
    QVERIFY(!StoreItemProperties(db(), 3, 57, edits, &message));
    QCOMPARE(m_cat->imageValue(3, "Name").toString(), QStringLiteral("Music"));
    QCOMPARE(m_cat->itemValue(3, 57, "Keywords").toString(), QStringLiteral("backup"));
}

void TestProperties::imageDialog() {
    ScriptedUi ui;
    frmPropImg dialog(nullptr, nullptr);
    dialog.setUi(&ui);
    dialog.setImage(3, QStringLiteral("I3"));
    QVERIFY(dialog.Load());
    QCOMPARE(ltx(&dialog, "ltxName"), QStringLiteral("Music"));
    QCOMPARE(ltx(&dialog, "ltxType"), QStringLiteral("Unknown"));
    QCOMPARE(ltx(&dialog, "ltxSource"), QStringLiteral("D"));
    auto* name = dialog.findChild<ctlLText*>(QStringLiteral("ltxName"));
    QVERIFY(!name->Locked());
    QVERIFY(dialog.findChild<ctlLText*>(QStringLiteral("ltxLabel"))->Locked());
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isHidden());

    // An empty name is refused at OK: the dialog stays open and nothing is stored.
    name->setText(QString());
    dialog.cmdOK_Click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(ui.lastText(), QStringLiteral("Enter a name for the image."));
    QCOMPARE(m_cat->imageValue(3, "Name").toString(), QStringLiteral("Music"));

    name->setText(QStringLiteral("Music \"live\""));
    dialog.findChild<QPlainTextEdit*>(QStringLiteral("txtComment"))
        ->setPlainText(QStringLiteral("two\nlines"));
    dialog.cmdOK_Click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(m_cat->imageValue(3, "Name").toString(), QStringLiteral("Music \"live\""));
    QCOMPARE(m_cat->imageValue(3, "Comment").toString(), QStringLiteral("two\nlines"));

    // A vanished image is reported, not shown with empty fields.
    frmPropImg gone(nullptr, nullptr);
    gone.setUi(&ui);
    gone.setImage(42, QStringLiteral("I42"));
    QVERIFY(!gone.Load());
    QCOMPARE(ui.lastText(), QStringLiteral("The image no longer exists in the catalogue."));
}

void TestProperties::imageDialogReadOnly() {
    QVERIFY(m_cat->reopen(true));
    ScriptedUi ui;
    frmPropImg dialog(nullptr, nullptr);
    dialog.setUi(&ui);
    dialog.setImage(3, QStringLiteral("I3"));
    QVERIFY(dialog.Load());
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isHidden());
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("Close"));
    QVERIFY(dialog.findChild<ctlLText*>(QStringLiteral("ltxName"))->Locked());
    QVERIFY(dialog.findChild<QPlainTextEdit*>(QStringLiteral("txtComment"))->isReadOnly());
    // Even an OK that gets through writes nothing.
    dialog.findChild<ctlLText*>(QStringLiteral("ltxName"))->setText(QStringLiteral("X"));
    dialog.cmdOK_Click();
    QCOMPARE(m_cat->imageValue(3, "Name").toString(), QStringLiteral("Music"));

    frmPropItm item(nullptr, nullptr);
    item.setUi(&ui);
    item.setItem(3, 57);
    QVERIFY(item.Load());
    QVERIFY(item.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isHidden());
    for (const char* name : {"ltxName", "ltxKeywords", "ltxDescription"})
        QVERIFY2(item.findChild<ctlLText*>(QLatin1String(name))->Locked(), name);
}

void TestProperties::itemDialogTrack() {
    Item track;
    track.id = 5;
    track.name = QStringLiteral("Track05.cda");
    m_cat->addItem(3, track);
    ScriptedUi ui;
    frmPropItm dialog(nullptr, nullptr);
    dialog.setUi(&ui);
    dialog.setItem(3, 5);
    QVERIFY(dialog.Load());
    auto* name = dialog.findChild<ctlLText*>(QStringLiteral("ltxName"));
    QCOMPARE(name->Text(), QStringLiteral("Track05"));
    QVERIFY(!name->Locked());
    // The dialog opens on the first field that can change: the track's title here.
    auto focusedIn = [](QDialog& d, const char* field) {
        d.show();
        QWidget* f = d.focusWidget();
        auto* target = d.findChild<QWidget*>(QLatin1String(field));
        return f && (f == target || target->isAncestorOf(f));
    };
    QVERIFY(focusedIn(dialog, "ltxName"));
    QVERIFY(dialog.findChild<ctlLText*>(QStringLiteral("ltxPath"))->Locked());
    QCOMPARE(ltx(&dialog, "ltxImage"), QStringLiteral("Music"));
    name->setText(QStringLiteral("Intro"));
    dialog.findChild<ctlLText*>(QStringLiteral("ltxKeywords"))->setText(QStringLiteral("live"));
    dialog.cmdOK_Click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(m_cat->itemValue(3, 5, "Name").toString(), QStringLiteral("05: Intro.cda"));
    QCOMPARE(m_cat->itemValue(3, 5, "Keywords").toString(), QStringLiteral("live"));

    // An ordinary file's name stays locked and unchanged.
    frmPropItm file(nullptr, nullptr);
    file.setUi(&ui);
    file.setItem(3, 57);
    QVERIFY(file.Load());
    QVERIFY(file.findChild<ctlLText*>(QStringLiteral("ltxName"))->Locked());
    QVERIFY(focusedIn(file, "ltxKeywords"));
    QCOMPARE(ltx(&file, "ltxPath"), QStringLiteral("/Docs/2024"));
    file.cmdOK_Click();
    QCOMPARE(m_cat->itemValue(3, 57, "Name").toString(), QStringLiteral("readme.txt"));
}

void TestProperties::itemDialogMissingItem() {
    ScriptedUi ui;
    frmPropItm dialog(nullptr, nullptr);
    dialog.setUi(&ui);
    dialog.setItem(3, 57);
    db().Execute(QStringLiteral("DELETE FROM Items WHERE ID=57"));
    QVERIFY(!dialog.Load());
    QCOMPARE(ui.lastText(), QStringLiteral("The item no longer exists in the catalogue."));
}

void TestProperties::cliPropsAndSet() {
    m_cat->close();
    auto run = [&](const QStringList& args, QString* out, QString* err) {
        QProcess p;
        p.start(QStringLiteral(LEDRA_CLI), args);
        if (!p.waitForFinished(60000))
            return -1;
        *out = QString::fromUtf8(p.readAllStandardOutput());
        *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    QString out, err;
    QCOMPARE(run({QStringLiteral("set"), m_cat->path(), QStringLiteral("3"), QStringLiteral("57"),
                  QStringLiteral("--comment"), QStringLiteral("tab\there \"q\"")},
                 &out, &err),
             0);
    QCOMPARE(
        run({QStringLiteral("props"), m_cat->path(), QStringLiteral("3"), QStringLiteral("57")},
            &out, &err),
        0);
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines.at(0), QStringLiteral("Image:\tMusic"));
    QCOMPARE(lines.at(2), QStringLiteral("Path:\t/Docs/2024"));
    QCOMPARE(lines.at(5), QStringLiteral("Time Created:\tN/A"));
    QCOMPARE(lines.at(8), QStringLiteral("Attributes:\tRead-only, Archive"));
    // Untouched fields keep their text; the comment's tab is escaped to keep one line.
    QCOMPARE(lines.at(9), QStringLiteral("Keywords:\tbackup"));
    QCOMPARE(lines.at(11), QStringLiteral("Comment:\ttab\\there \"q\""));

    QCOMPARE(run({QStringLiteral("props"), m_cat->path(), QStringLiteral("3")}, &out, &err), 0);
    QVERIFY(out.startsWith(QStringLiteral("Name:\tMusic\nLabel:\tDISK\nType:\tUnknown\n")));

    QCOMPARE(
        run({QStringLiteral("props"), m_cat->path(), QStringLiteral("3"), QStringLiteral("999")},
            &out, &err),
        1);
    QCOMPARE(err.trimmed(), QStringLiteral("Item 999 of image 3 is not in the catalogue."));
    QCOMPARE(run({QStringLiteral("set"), m_cat->path(), QStringLiteral("3"), QStringLiteral("57")},
                 &out, &err),
             2);
    QCOMPARE(run({QStringLiteral("props"), m_cat->path(), QStringLiteral("x")}, &out, &err), 2);
}

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
