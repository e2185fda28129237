#include "OddNamesCatalogue.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// --json of every reading verb: each line one object that Qt's JSON parser reads back, with names
// exactly as stored.
class TestCliJson : public QObject {
    Q_OBJECT

    std::unique_ptr<OddNamesCatalogue> m_cat;

    // The objects printed for the arguments (the catalogue path goes second); fails on any line
    // that is not one whole JSON object.
    QList<QJsonObject> objects(const QStringList& args) {
        QProcess p;
        QStringList full = args;
        full.insert(1, m_cat->path());
        full << u"--json"_s;
        p.start(QStringLiteral(LEDRA_CLI), full);
        p.waitForFinished(60000);
        if (p.exitCode() != 0)
            qWarning("%s", p.readAllStandardError().constData());
        QList<QJsonObject> out;
        const QByteArray text = p.readAllStandardOutput();
        if (!text.endsWith('\n'))
            return out;
        for (const QByteArray& line : text.chopped(1).split('\n')) {
            QJsonParseError error;
            const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
            if (error.error != QJsonParseError::NoError || !doc.isObject()) {
                qWarning("not an object: %s", line.constData());
                return {};
            }
            out.append(doc.object());
        }
        return out;
    }

private slots:
    void initTestCase() { m_cat = std::make_unique<OddNamesCatalogue>(); }
    void cleanupTestCase() { m_cat.reset(); }

    void info() {
        const QList<QJsonObject> o = objects({u"info"_s});
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0], QJsonObject({{u"nodes"_s, 0}, {u"images"_s, 2}, {u"items"_s, 9}}));
    }

    void lsTree() {
        const QList<QJsonObject> o = objects({u"ls"_s});
        QCOMPARE(o.size(), 2);
        QCOMPARE(o[0][u"key"].toString(), u"I1"_s);
        QCOMPARE(o[0][u"type"].toString(), u"image"_s);
        QCOMPARE(o[0][u"id"].toInteger(), 1);
        QCOMPARE(o[0][u"name"].toString(), OddNamesCatalogue::imageName());
        QCOMPARE(o[1][u"name"].toString(), u"Other"_s);
    }

    void lsFolder() {
        const QList<QJsonObject> o = objects({u"ls"_s, u"1"_s, u"1"_s});
        const auto rows = OddNamesCatalogue::rows();
        // Folders first, then files, each by name.
        QCOMPARE(o.size(), 3);
        QCOMPARE(o[0][u"key"].toString(), u"F4"_s);
        QCOMPARE(o[0][u"type"].toString(), u"folder"_s);
        QCOMPARE(o[0][u"name"].toString(), rows[3].name);
        QCOMPARE(o[1][u"name"].toString(), rows[2].name);
        QCOMPARE(o[2][u"name"].toString(), rows[1].name);
        QCOMPARE(o[2][u"id"].toInteger(), 2);
        QCOMPARE(o[2][u"size"].toInteger(), 4);
        QCOMPARE(o[2][u"attrib"].toInteger(), 33);
        QCOMPARE(o[2][u"attributes"].toString(), u"Read-only, Archive"_s);
    }

    void find() {
        const QList<QJsonObject> o = objects({u"find"_s, u"--name"_s, u"bad*"_s});
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0][u"key"].toString(), u"I1I5I4"_s);
        QCOMPARE(o[0][u"image_id"].toInteger(), 1);
        QCOMPARE(o[0][u"id"].toInteger(), 5);
        QCOMPARE(o[0][u"parent_id"].toInteger(), 4);
        QCOMPARE(o[0][u"type"].toString(), u"file"_s);
        QCOMPARE(o[0][u"image"].toString(), OddNamesCatalogue::imageName());
        QCOMPARE(o[0][u"name"].toString(), u"bad\\xFF\\xFEname"_s);
        QCOMPARE(o[0][u"path"].toString(), OddNamesCatalogue::rows()[4].path);
    }

    void props() {
        QList<QJsonObject> o = objects({u"props"_s, u"1"_s});
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0][u"name"].toString(), OddNamesCatalogue::imageName());
        QCOMPARE(o[0][u"file_system"].toString(), u"vfat"_s);
        QCOMPARE(o[0][u"serial"].toString(), u"1A2B3C4D"_s);
        o = objects({u"props"_s, u"1"_s, u"2"_s});
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0][u"name"].toString(), u"tab\there.txt"_s);
        QCOMPARE(o[0][u"stored_name"].toString(), u"tab\there.txt"_s);
        QCOMPARE(o[0][u"description"].toString(), u"<b>&amp;</b>"_s);
        QCOMPARE(o[0][u"comment"].toString(), u"line1\r\nline2 \"q\""_s);
        QVERIFY(o[0].contains(u"ms_dos_name"_s));
    }

    void drives() {
        const QList<QJsonObject> o = objects({u"drives"_s});
        QVERIFY(!o.isEmpty());
        for (const QJsonObject& d : o) {
            QCOMPARE(d[u"key"].toString().size(), 1);
            QVERIFY(d[u"type"].isDouble());
            QCOMPARE(d[u"serial"].toString().size(), 8);
            QVERIFY(d.contains(u"image"_s) && d.contains(u"mount_point"_s));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliJson)
#include "tst_cli_json.moc"
