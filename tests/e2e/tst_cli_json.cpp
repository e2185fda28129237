#include "CatalogueFixture.h"
#include "OddNamesCatalogue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

// --json of every reading verb: each line one object Qt reads back, names exactly as stored.
class TestCliJson : public QObject {
    Q_OBJECT

    std::unique_ptr<OddNamesCatalogue> m_cat;

    // The objects printed (the catalogue path goes second); none if a line is not one object.
    QList<QJsonObject> objects(QStringList args) {
        args.insert(1, m_cat->path());
        const CliRun r = runCli(args << u"--json"_s);
        QList<QJsonObject> out;
        // A name's bytes that are not UTF-8 must not reach the text as they are.
        if (r.code != 0 || !r.out.endsWith(u'\n') || r.out.contains(QChar::ReplacementCharacter))
            return out;
        for (const QString& line : r.out.chopped(1).split(u'\n')) {
            const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8());
            if (!doc.isObject())
                return {};
            out.append(doc.object());
        }
        return out;
    }

private slots:
    void initTestCase() { m_cat = std::make_unique<OddNamesCatalogue>(); }
    void cleanupTestCase() { m_cat.reset(); }

    void fields_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("line");
        QTest::addColumn<QJsonObject>("expected"); // fields of that line
        const auto rows = OddNamesCatalogue::rows();
        const QString image = OddNamesCatalogue::imageName();
        QTest::newRow("info") << QStringList{u"info"_s} << 1 << 0
                              << QJsonObject{{u"nodes"_s, 0}, {u"images"_s, 2}, {u"items"_s, 9}};
        QTest::newRow("ls tree") << QStringList{u"ls"_s} << 2 << 0
                                 << QJsonObject{{u"key"_s, u"I1"_s},  {u"type"_s, u"image"_s},
                                                {u"id"_s, 1},         {u"name"_s, image},
                                                {u"parent"_s, u""_s}, {u"depth"_s, 0}};
        // Folders first, then files, each by name.
        QTest::newRow("ls folder: folder")
            << QStringList{u"ls"_s, u"1"_s, u"1"_s} << 3 << 0
            << QJsonObject{
                   {u"key"_s, u"F4"_s}, {u"type"_s, u"folder"_s}, {u"name"_s, rows[3].name}};
        QTest::newRow("ls folder: file") << QStringList{u"ls"_s, u"1"_s, u"1"_s} << 3 << 2
                                         << QJsonObject{{u"key"_s, u"K2"_s},
                                                        {u"type"_s, u"file"_s},
                                                        {u"id"_s, 2},
                                                        {u"name"_s, rows[1].name},
                                                        {u"text"_s, rows[1].name},
                                                        {u"size"_s, 4},
                                                        {u"attrib"_s, 33},
                                                        {u"attributes"_s, u"Read-only, Archive"_s}};
        QTest::newRow("find") << QStringList{u"find"_s, u"--name"_s, u"bad*"_s} << 1 << 0
                              << QJsonObject{{u"key"_s, u"I1I5I4"_s},
                                             {u"image_id"_s, 1},
                                             {u"id"_s, 5},
                                             {u"parent_id"_s, 4},
                                             {u"type"_s, u"file"_s},
                                             {u"image"_s, image},
                                             {u"name"_s, u"bad\\xFF\\xFEname"_s},
                                             {u"path"_s, rows[4].path}};
        // Text beyond ASCII must come out as UTF-8.
        QTest::newRow("find, not ASCII")
            << QStringList{u"find"_s, u"--name"_s, u"emoji*"_s} << 1 << 0
            << QJsonObject{{u"name"_s, rows[5].name}, {u"path"_s, rows[5].path}};
        QTest::newRow("props image")
            << QStringList{u"props"_s, u"1"_s} << 1 << 0
            << QJsonObject{
                   {u"name"_s, image}, {u"file_system"_s, u"vfat"_s}, {u"serial"_s, u"1A2B3C4D"_s}};
        QTest::newRow("props item") << QStringList{u"props"_s, u"1"_s, u"2"_s} << 1 << 0
                                    << QJsonObject{{u"name"_s, rows[1].name},
                                                   {u"stored_name"_s, rows[1].name},
                                                   {u"description"_s, rows[1].description},
                                                   {u"comment"_s, rows[1].comment},
                                                   {u"ms_dos_name"_s, u"N/A"_s}};
    }
    void fields() {
        QFETCH(QStringList, args);
        QFETCH(int, lines);
        QFETCH(int, line);
        QFETCH(QJsonObject, expected);
        const QList<QJsonObject> o = objects(args);
        QCOMPARE(o.size(), lines);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(o[line][it.key()], it.value());
    }

    // The machine's volumes differ; every line must still be a whole object.
    void drives() {
        const QList<QJsonObject> o = objects({u"drives"_s});
        QVERIFY(!o.isEmpty());
        for (const QJsonObject& d : o) {
            QCOMPARE(d[u"key"].toString().size(), 1);
            QCOMPARE(d[u"serial"].toString().size(), 8);
            QVERIFY(d[u"type"].isDouble() && d.contains(u"image"_s));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliJson)
#include "tst_cli_json.moc"
