#include "PropFindCatalogue.h"

#include "BrowseFixture.h"
#include "ScriptedUi.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"

#include <QFile>

using namespace Qt::StringLiterals;

PropFindCatalogue::PropFindCatalogue() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + u"/config"_s));
    m_path = m_dir.path() + u"/test.ldr"_s;
    BrowseFixture::createCatalogue(m_path);
}

PropFindCatalogue::~PropFindCatalogue() {
    close();
}

bool PropFindCatalogue::isOpen() const {
    return db().isOpen() && catalogue().path == m_path;
}

bool PropFindCatalogue::reopen(bool readOnly) {
    close();
    ScriptedUi ui;
    QString p = m_path;
    return OpenCatalogue(p, true, readOnly, ui, nullptr);
}

void PropFindCatalogue::close() {
    if (db().isOpen())
        CloseCatalogue(nullptr);
}

void PropFindCatalogue::addImage(qint32 id, const QString& name, const QVariant& type,
                                 const QString& date) {
    if (!db().Execute(u"INSERT INTO Images(ID, Serial, NodeID, Type, Name, Date, Source, Label, "
                      "FileSystem) VALUES(?, '1A2B3C4D', 0, ?, ?, ?, 'D', 'DISK', 'vfat')"_s,
                      {qint64(id), type, name, date}))
        qWarning("addImage: %s", qPrintable(db().lastError().description));
}

void PropFindCatalogue::addItem(qint32 imageId, const Item& i) {
    if (!db().Execute(u"INSERT INTO Items(ID, ImageID, ParentID, Type, MSDOSName, Name, Attrib, "
                      "Size, TimeC, TimeA, TimeM, Keywords, Description, Comment) "
                      "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                      {qint64(i.id), qint64(imageId), qint64(i.parentId), i.type, i.msdosName,
                       i.name, i.attrib, i.size, i.timeC, i.timeA, i.timeM, i.keywords,
                       i.description, i.comment}))
        qWarning("addItem: %s", qPrintable(db().lastError().description));
}

QVariant PropFindCatalogue::itemValue(qint32 imageId, qint32 itemId, const char* column) const {
    return db().scalar(
        u"SELECT %1 FROM Items WHERE ImageID=? AND ID=?"_s.arg(QLatin1String(column)),
        {qint64(imageId), qint64(itemId)});
}

QVariant PropFindCatalogue::imageValue(qint32 imageId, const char* column) const {
    return db().scalar(u"SELECT %1 FROM Images WHERE ID=?"_s.arg(QLatin1String(column)),
                       {qint64(imageId)});
}
