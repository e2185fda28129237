#include "mdlProperties.h"

#include "catalogue/mdlFile.h"
#include "common/mdlConvert.h"
#include "common/mdlTrim.h"
#include "search/NameIndex.h"
#include "search/mdlFind.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace {

const QString kNotAvailable = QStringLiteral("N/A");

QString engineMessage(const EngineError& e) {
    return DatabaseErrorText(e.number, e.description);
}

QString orNotAvailable(const QString& text) {
    return text.isEmpty() ? kNotAvailable : text;
}

QString readOnlyMessage() {
    return QStringLiteral("The catalogue is open read-only; nothing was changed.");
}

int characters(const QString& text) {
    // The engine counts code points, not UTF-16 units.
    return int(text.toUcs4().size());
}

} // namespace

QString ImageTypeText(qint64 type) {
    switch (type) {
    case 2:
        return QStringLiteral("Removable");
    case 3:
        return QStringLiteral("Fixed");
    case 4:
        return QStringLiteral("Remote");
    case 5:
        return QStringLiteral("CD-ROM");
    case 6:
        return QStringLiteral("RAM");
    default:
        return QStringLiteral("Unknown");
    }
}

QString GeneralDateText(const QString& stored) {
    const QDateTime dt = TextToDateTime(stored);
    if (!dt.isValid())
        return stored;
    const QLocale locale;
    // The locale's long time form carries the zone name; a catalogue's times have none.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(dt.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(dt.time(), timeFormat.trimmed());
}

QList<PropField> ImageProperties::fields() const {
    return {
        {QStringLiteral("ltxName"), QStringLiteral("Name:"), name},
        {QStringLiteral("ltxLabel"), QStringLiteral("Label:"), label},
        {QStringLiteral("ltxType"), QStringLiteral("Type:"), type},
        {QStringLiteral("ltxFS"), QStringLiteral("File System:"), fileSystem},
        {QStringLiteral("ltxSerial"), QStringLiteral("Serial:"), serial},
        {QStringLiteral("ltxDate"), QStringLiteral("Date:"), date},
        {QStringLiteral("ltxSource"), QStringLiteral("Source:"), source},
        {QStringLiteral("txtComment"), QStringLiteral("Comment:"), comment},
    };
}

ReadResult ReadImageProperties(Database& db, qint32 imageId, ImageProperties* out,
                               QString* message) {
    Recordset rs = db.OpenRecordset(QStringLiteral("SELECT Name, Label, Type, FileSystem, Serial, "
                                                   "Date, Source, Comment FROM Images WHERE ID=?"),
                                    {qint64(imageId)});
    if (!rs.isValid()) {
        *message = engineMessage(rs.error());
        return ReadResult::Failed;
    }
    if (rs.Eof())
        return ReadResult::Missing;
    out->name = NullToText(rs.value(0));
    out->label = NullToText(rs.value(1));
    out->type = ImageTypeText(NullToLong(rs.value(2)));
    out->fileSystem = NullToText(rs.value(3));
    out->serial = NullToText(rs.value(4));
    out->date = GeneralDateText(NullToText(rs.value(5)));
    out->source = NullToText(rs.value(6));
    out->comment = NullToText(rs.value(7));
    return ReadResult::Found;
}

QString CheckImageName(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("Enter a name for the image.");
    if (characters(name) > kImageNameMax)
        return QStringLiteral("The image name is too long: at most %1 characters.")
            .arg(kImageNameMax);
    return {};
}

bool StoreImageProperties(Database& db, qint32 imageId, const QString& name, const QString& comment,
                          QString* message) {
    *message = CheckImageName(name);
    if (!message->isEmpty())
        return false;
    if (db.isReadOnly()) {
        *message = readOnlyMessage();
        return false;
    }
    if (!db.Execute(QStringLiteral("UPDATE Images SET Name=?, Comment=? WHERE ID=?"),
                    {name, comment, qint64(imageId)})) {
        *message = engineMessage(db.lastError());
        return false;
    }
    if (db.changes() == 0) {
        *message = QStringLiteral("The image no longer exists in the catalogue.");
        return false;
    }
    return true;
}

QList<PropField> ItemProperties::fields() const {
    return {
        {QStringLiteral("ltxImage"), QStringLiteral("Image:"), image},
        {QStringLiteral("ltxName"), QStringLiteral("Name:"), name},
        {QStringLiteral("ltxPath"), QStringLiteral("Path:"), path},
        {QStringLiteral("ltxMSDOSName"), QStringLiteral("MS-DOS Name:"), msdosName},
        {QStringLiteral("ltxSize"), QStringLiteral("Size:"), size},
        {QStringLiteral("ltxTimeC"), QStringLiteral("Time Created:"), timeC},
        {QStringLiteral("ltxTimeM"), QStringLiteral("Time Modified:"), timeM},
        {QStringLiteral("ltxTimeA"), QStringLiteral("Time Accessed:"), timeA},
        {QStringLiteral("ltxAttrib"), QStringLiteral("Attributes:"), attributes},
        {QStringLiteral("ltxKeywords"), QStringLiteral("Keywords:"), keywords},
        {QStringLiteral("ltxDescription"), QStringLiteral("Description:"), description},
        {QStringLiteral("txtComment"), QStringLiteral("Comment:"), comment},
    };
}

bool SplitTrackName(const QString& storedName, QString* number, QString* title) {
    static const QRegularExpression plain(QStringLiteral("^Track([0-9]{2})\\.cda$"));
    static const QRegularExpression titled(QStringLiteral("^([0-9]{2}): (.*)\\.cda$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = plain.match(storedName); m.hasMatch()) {
        *number = m.captured(1);
        *title = storedName.left(7);
        return true;
    }
    if (const auto m = titled.match(storedName); m.hasMatch()) {
        *number = m.captured(1);
        *title = m.captured(2);
        return true;
    }
    return false;
}

QString TrackStoredName(const QString& number, const QString& title) {
    return number + QStringLiteral(": ") + title + QStringLiteral(".cda");
}

ReadResult ReadItemProperties(Database& db, qint32 imageId, qint32 itemId, ItemProperties* out,
                              QString* message) {
    Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT ID, ParentID, Type, MSDOSName, Name, Attrib, Size, TimeC, TimeA, "
                       "TimeM, Keywords, Description, Comment FROM Items "
                       "WHERE ID=? AND ImageID=?"),
        {qint64(itemId), qint64(imageId)});
    if (!rs.isValid()) {
        *message = engineMessage(rs.error());
        return ReadResult::Failed;
    }
    if (rs.Eof())
        return ReadResult::Missing;
    out->parentId = NullToLong(rs.value(1));
    out->type = NullToLong(rs.value(2));
    out->msdosName = orNotAvailable(NullToText(rs.value(3)));
    out->storedName = NullToText(rs.value(4));
    out->attributes = FlagsText(NullToLong(rs.value(5)), AttributeNames());
    out->size = rs.isNull(6) ? kNotAvailable : SizeText(rs.int64(6), -1);
    out->timeC = orNotAvailable(GeneralDateText(NullToText(rs.value(7))));
    out->timeA = orNotAvailable(GeneralDateText(NullToText(rs.value(8))));
    out->timeM = orNotAvailable(GeneralDateText(NullToText(rs.value(9))));
    out->keywords = NullToText(rs.value(10));
    out->description = NullToText(rs.value(11));
    out->comment = NullToText(rs.value(12));
    rs.Close();

    out->trackNumber.clear();
    out->name = out->storedName;
    QString number, title;
    if (SplitTrackName(out->storedName, &number, &title)) {
        out->trackNumber = number;
        out->name = title;
    }
    out->image = NullToText(
        db.scalar(QStringLiteral("SELECT Name FROM Images WHERE ID=?"), {qint64(imageId)}));
    out->path = FolderPath(db, imageId, out->parentId);
    return ReadResult::Found;
}

bool StoreItemProperties(Database& db, qint32 imageId, qint32 itemId, const ItemEdits& edits,
                         QString* message) {
    if (db.isReadOnly()) {
        *message = readOnlyMessage();
        return false;
    }
    bool ok;
    if (edits.trackName) {
        // A new name is a new entry in the name index: the image's entries are made again in
        // the same transaction (an audio CD has a few dozen items).
        Transaction transaction(db);
        ok = transaction.isActive() &&
             db.Execute(QStringLiteral("UPDATE Items SET Name=?, Keywords=?, Description=?, "
                                       "Comment=? WHERE ID=? AND ImageID=?"),
                        {*edits.trackName, edits.keywords, edits.description, edits.comment,
                         qint64(itemId), qint64(imageId)});
        if (ok && db.changes() > 0)
            ok = NameIndex::addImage(db, imageId) && transaction.commit();
        else if (ok)
            ok = transaction.commit();
    } else {
        ok = db.Execute(
            QStringLiteral("UPDATE Items SET Keywords=?, Description=?, Comment=? "
                           "WHERE ID=? AND ImageID=?"),
            {edits.keywords, edits.description, edits.comment, qint64(itemId), qint64(imageId)});
    }
    if (!ok) {
        *message = engineMessage(db.lastError());
        return false;
    }
    if (db.changes() == 0) {
        *message = QStringLiteral("The item no longer exists in the catalogue.");
        return false;
    }
    return true;
}
