#include "CatalogueFixture.h"
#include "PropFindCatalogue.h"
#include "ScriptedUi.h"

#include "catalogue/mdlDatabase.h"
#include "controls/ctlLText.h"
#include "properties/frmPropImg.h"
#include "properties/frmPropItm.h"
#include "properties/mdlProperties.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using Item = PropFindCatalogue::Item;

namespace {

QString fieldText(const QList<PropField>& fields, const QString& label) {
    for (const PropField& f : fields) {
        if (f.label == label)
            return f.text;
    }
    return u"<missing>"_s;
}

ctlLText* ltx(QWidget* dialog, const char* name) {
    return dialog->findChild<ctlLText*>(QLatin1String(name));
}

QPushButton* button(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QLatin1String(name));
}

// The dialogs, talking to ui, for image 3 or an item of it.
std::unique_ptr<frmPropImg> imageDialog(Ui& ui, qint32 image) {
    auto d = std::make_unique<frmPropImg>(nullptr, nullptr);
    d->setUi(&ui);
    d->setImage(image, u"I%1"_s.arg(image));
    return d;
}
std::unique_ptr<frmPropItm> itemDialog(Ui& ui, qint32 id) {
    auto d = std::make_unique<frmPropItm>(nullptr, nullptr);
    d->setUi(&ui);
    d->setItem(3, id);
    return d;
}

} // namespace

class TestProperties : public QObject {
    Q_OBJECT

    std::unique_ptr<PropFindCatalogue> m_cat;

    QString item(qint32 id, const char* column) const {
        return m_cat->itemValue(3, id, column).toString();
    }
    QString imageName() const { return m_cat->imageValue(3, "Name").toString(); }

private slots:
    // Image 3 "Music": /Docs/2024/readme.txt (57) and /bare (58).
    void init() {
        m_cat = std::make_unique<PropFindCatalogue>();
        QVERIFY(m_cat->isOpen());
        m_cat->addImage(3, u"Music"_s, 50);
        m_cat->addItem(3, {.id = 12, .type = 0, .name = u"Docs"_s, .attrib = 16});
        m_cat->addItem(3, {.id = 13, .parentId = 12, .type = 0, .name = u"2024"_s});
        m_cat->addItem(3, {.id = 57,
                           .parentId = 13,
                           .name = u"readme.txt"_s,
                           .msdosName = u"README.TXT"_s,
                           .attrib = 33,
                           .size = 102399,
                           .timeM = u"2024-01-02 03:04:05"_s,
                           .keywords = u"backup"_s});
        m_cat->addItem(3, {.id = 58, .name = u"bare"_s, .attrib = 0});
    }
    void cleanup() { m_cat.reset(); }

    // The fields of the image and of its items, as the dialogs and ledra-cli props show them.
    void fields() {
        ImageProperties p;
        QString message;
        QCOMPARE(ReadImageProperties(db(), 3, &p, &message), ReadResult::Found);
        QList<PropField> f = p.fields();
        QCOMPARE(fieldText(f, u"Type:"_s), u"Unknown"_s);
        QCOMPARE(fieldText(f, u"Serial:"_s), u"1A2B3C4D"_s);
        // The date in the user's locale, with its seconds.
        const QString date = fieldText(f, u"Date:"_s);
        QVERIFY2(date.startsWith(QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat)),
                 qPrintable(date));
        QVERIFY2(date.contains(u"07:09"_s), qPrintable(date));
        QCOMPARE(ReadImageProperties(db(), 99, &p, &message), ReadResult::Missing);

        ItemProperties item;
        QCOMPARE(ReadItemProperties(db(), 3, 57, &item, &message), ReadResult::Found);
        f = item.fields();
        QCOMPARE(fieldText(f, u"MS-DOS Name:"_s), u"README.TXT"_s);
        QCOMPARE(fieldText(f, u"Size:"_s), QLocale().toString(100.0, 'f', 1) + u" KB");
        QCOMPARE(fieldText(f, u"Time Created:"_s), u"N/A"_s);
        QVERIFY(fieldText(f, u"Time Modified:"_s).contains(u"04:05"_s));
        QCOMPARE(fieldText(f, u"Attributes:"_s), u"Read-only, Archive"_s);

        // Empty MS-DOS name, size and times all read "N/A"; an item in the root has the path "/".
        m_cat->addItem(3, {.id = 59, .name = u"null attributes"_s, .attrib = {}});
        QCOMPARE(ReadItemProperties(db(), 3, 59, &item, &message), ReadResult::Found);
        f = item.fields();
        for (const char* label :
             {"MS-DOS Name:", "Size:", "Time Created:", "Time Modified:", "Time Accessed:"})
            QCOMPARE(fieldText(f, QLatin1String(label)), u"N/A"_s);
        QCOMPARE(fieldText(f, u"Path:"_s), u"/"_s);
        QCOMPARE(fieldText(f, u"Attributes:"_s), u"None"_s);

        // The same item asked for under another image is not there.
        QCOMPARE(ReadItemProperties(db(), 4, 57, &item, &message), ReadResult::Missing);

        // Damaged rows whose parents point at each other must not hang the dialog.
        m_cat->addItem(3, {.id = 70, .parentId = 71, .type = 0, .name = u"a"_s});
        m_cat->addItem(3, {.id = 71, .parentId = 70, .type = 0, .name = u"b"_s});
        m_cat->addItem(3, {.id = 72, .parentId = 70, .name = u"c"_s});
        QCOMPARE(ReadItemProperties(db(), 3, 72, &item, &message), ReadResult::Found);
        QCOMPARE(item.path, u"/b/a"_s);
    }

    void imageNameChecks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("blanks only") << u"   "_s << false;
        QTest::newRow("65 characters") << QString(65, u'a') << false;
        // Counted in characters, not UTF-16 units: 64 emoji fit the column.
        QTest::newRow("64 astral characters") << u"\U0001F600"_s.repeated(64) << true;
    }
    void imageNameChecks() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QString message;
        QCOMPARE(StoreImageProperties(db(), 3, name, u"c"_s, &message), accepted);
        QCOMPARE(imageName(), accepted ? name : u"Music"_s);
        QCOMPARE(message.isEmpty(), accepted);
    }

    // How a stored name reads, and what a track's typed title is stored as.
    void readAndStore_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("titled track, cleared")
            << u"12: Intro.cda"_s << u"12"_s << u"Intro"_s << QString() << u"12: .cda"_s;
        QTest::newRow("one digit is no track")
            << u"Track5.cda"_s << QString() << u"Track5.cda"_s << QString() << QString();
        QTest::newRow("no blank after colon")
            << u"05:Intro.cda"_s << QString() << u"05:Intro.cda"_s << QString() << QString();
        QTest::newRow("other file")
            << u"Track05.wav"_s << QString() << u"Track05.wav"_s << QString() << QString();
    }
    void readAndStore() {
        QFETCH(QString, stored);
        QFETCH(QString, number);
        m_cat->addItem(3, {.id = 91, .name = stored});
        ItemProperties p;
        QString message;
        QCOMPARE(ReadItemProperties(db(), 3, 91, &p, &message), ReadResult::Found);
        QCOMPARE(p.trackNumber, number);
        QTEST(p.name, "shown");
        if (number.isEmpty())
            return;
        QFETCH(QString, typed);
        ItemEdits edits;
        edits.trackName = TrackStoredName(p.trackNumber, typed);
        QVERIFY2(StoreItemProperties(db(), 3, 91, edits, &message), qPrintable(message));
        QTEST(item(91, "Name"), "storedAfter");
    }

    void storeAsTyped() {
        ItemEdits edits;
        edits.keywords = u"a\"b'c\\d"_s;
        edits.description = u"\"; DROP TABLE Items; --"_s;
        edits.comment = u"line 1\nline 2"_s;
        QString message;
        QVERIFY2(StoreItemProperties(db(), 3, 57, edits, &message), qPrintable(message));
        QCOMPARE(item(57, "Keywords"), edits.keywords);
        QCOMPARE(item(57, "Description"), edits.description);
        QCOMPARE(item(57, "Comment"), edits.comment);

        // Too long for its column: refused with the engine's word, nothing stored.
        edits.keywords = QString(65, u'k');
        QVERIFY(!StoreItemProperties(db(), 3, 57, edits, &message));
        QVERIFY2(message.contains(u"3163"_s), qPrintable(message));
        QCOMPARE(item(57, "Keywords"), u"a\"b'c\\d"_s);

        // An item deleted meanwhile is reported, not silently "stored".
        QVERIFY(!StoreItemProperties(db(), 3, 999, ItemEdits{}, &message));
        QCOMPARE(message, u"The item no longer exists in the catalogue."_s);
    }

    // The image dialog locks what cannot change, refuses an empty name with a word and stores on
    // OK; read-only, it hides OK and locks every field, and even an OK that gets through (or a
    // store called directly) writes nothing.
    void imageDialogAndReadOnly() {
        ScriptedUi ui;
        auto dialog = imageDialog(ui, 3);
        QVERIFY(dialog->Load());
        QCOMPARE(ltx(dialog.get(), "ltxSource")->Text(), u"D"_s);
        ctlLText* name = ltx(dialog.get(), "ltxName");
        QCOMPARE(name->Text(), u"Music"_s);
        QVERIFY(!name->Locked());
        QVERIFY(ltx(dialog.get(), "ltxLabel")->Locked());
        QVERIFY(!button(dialog.get(), "cmdOK")->isHidden());
        name->setText(QString());
        dialog->cmdOK_Click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(ui.lastText(), u"Enter a name for the image."_s);
        QCOMPARE(imageName(), u"Music"_s);
        name->setText(u"Music \"live\""_s);
        dialog->findChild<QPlainTextEdit*>(u"txtComment"_s)->setPlainText(u"two\nlines"_s);
        dialog->cmdOK_Click();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(imageName(), u"Music \"live\""_s);
        QCOMPARE(m_cat->imageValue(3, "Comment").toString(), u"two\nlines"_s);

        // A store says why it refused, not the engine's word for a read-only file.
        QVERIFY(m_cat->reopen(true));
        const QString readOnly = u"The catalogue is open read-only; nothing was changed."_s;
        QString message;
        QVERIFY(!StoreImageProperties(db(), 3, u"New"_s, QString(), &message));
        QCOMPARE(message, readOnly);
        QVERIFY(!StoreItemProperties(db(), 3, 57, ItemEdits{}, &message));
        QCOMPARE(message, readOnly);
        dialog = imageDialog(ui, 3);
        QVERIFY(dialog->Load());
        QVERIFY(button(dialog.get(), "cmdOK")->isHidden());
        QCOMPARE(button(dialog.get(), "cmdCancel")->text(), u"Close"_s);
        QVERIFY(ltx(dialog.get(), "ltxName")->Locked());
        QVERIFY(dialog->findChild<QPlainTextEdit*>(u"txtComment"_s)->isReadOnly());
        ltx(dialog.get(), "ltxName")->setText(u"X"_s);
        dialog->cmdOK_Click();
        auto itemDlg = itemDialog(ui, 57);
        QVERIFY(itemDlg->Load());
        QVERIFY(button(itemDlg.get(), "cmdOK")->isHidden());
        for (const char* field : {"ltxName", "ltxKeywords", "ltxDescription"})
            QVERIFY2(ltx(itemDlg.get(), field)->Locked(), field);
        QCOMPARE(imageName(), u"Music \"live\""_s);

        // A vanished image is reported, not shown with empty fields.
        QVERIFY(!imageDialog(ui, 42)->Load());
        QCOMPARE(ui.lastText(), u"The image no longer exists in the catalogue."_s);
    }

    // A track's title can change and the dialog opens on it; an ordinary file's name cannot.
    void itemDialogTrack() {
        m_cat->addItem(3, {.id = 5, .name = u"Track05.cda"_s});
        ScriptedUi ui;
        auto track = itemDialog(ui, 5);
        QDialog& dialog = *track;
        QVERIFY(track->Load());
        ctlLText* name = ltx(&dialog, "ltxName");
        QCOMPARE(name->Text(), u"Track05"_s);
        QVERIFY(!name->Locked());
        // The first field that can change has the focus.
        auto focusedIn = [](QDialog& d, const char* field) {
            d.show();
            QWidget* f = d.focusWidget();
            auto* target = d.findChild<QWidget*>(QLatin1String(field));
            return f && (f == target || target->isAncestorOf(f));
        };
        QVERIFY(focusedIn(dialog, "ltxName"));
        QVERIFY(ltx(&dialog, "ltxPath")->Locked());
        QCOMPARE(ltx(&dialog, "ltxImage")->Text(), u"Music"_s);
        name->setText(u"Intro"_s);
        ltx(&dialog, "ltxKeywords")->setText(u"live"_s);
        track->cmdOK_Click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(item(5, "Name"), u"05: Intro.cda"_s);
        QCOMPARE(item(5, "Keywords"), u"live"_s);

        auto file = itemDialog(ui, 57);
        QVERIFY(file->Load());
        QVERIFY(ltx(file.get(), "ltxName")->Locked());
        QVERIFY(focusedIn(*file, "ltxKeywords"));
        QCOMPARE(ltx(file.get(), "ltxPath")->Text(), u"/Docs/2024"_s);
        file->cmdOK_Click();
        QCOMPARE(item(57, "Name"), u"readme.txt"_s);

        // An item deleted after the dialog was made is reported when it loads.
        auto goneItem = itemDialog(ui, 57);
        db().Execute(u"DELETE FROM Items WHERE ID=57"_s);
        QVERIFY(!goneItem->Load());
        QCOMPARE(ui.lastText(), u"The item no longer exists in the catalogue."_s);
    }

    void cliPropsAndSet() {
        m_cat->close();
        const QString cat = m_cat->path();
        QCOMPARE(
            runCli({u"set"_s, cat, u"3"_s, u"57"_s, u"--comment"_s, u"tab\there \"q\""_s}).code, 0);
        CliRun r = runCli({u"props"_s, cat, u"3"_s, u"57"_s});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines.at(0), u"Image:\tMusic"_s);
        // Untouched fields keep their text; the comment's tab is escaped to keep one line.
        QCOMPARE(lines.at(9), u"Keywords:\tbackup"_s);
        QCOMPARE(lines.at(11), u"Comment:\ttab\\there \"q\""_s);

        r = runCli({u"props"_s, cat, u"3"_s, u"999"_s});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err.trimmed(), u"Item 999 of image 3 is not in the catalogue."_s);
        QCOMPARE(runCli({u"set"_s, cat, u"3"_s, u"57"_s}).code, 2);
        QCOMPARE(runCli({u"props"_s, cat, u"x"_s}).code, 2);
    }
};

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
