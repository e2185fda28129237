#include "mdlFind.h"

#include "catalogue/Wildcard.h"
#include "catalogue/mdlFile.h"
#include "common/MainView.h"
#include "common/mdlTrim.h"

#include <QSet>

namespace {

// Longer patterns are refused: no name of a file is longer than 255 characters (its stored form
// aside), and the matching time grows with the pattern's length on every row searched.
constexpr int kMaxPatternLength = 255;

// The most folders a path shows; a deeper path shows its innermost ones after "…/".
constexpr int kMaxDepth = 4096;

struct Field {
    const QString FindCriteria::*text;
    const char* column;
    const char* caption;
};

constexpr Field kFields[] = {
    {&FindCriteria::name, "Items.Name", "Name"},
    {&FindCriteria::msdosName, "Items.MSDOSName", "MS-DOS Name"},
    {&FindCriteria::keywords, "Items.Keywords", "Keywords"},
    {&FindCriteria::description, "Items.Description", "Description"},
    {&FindCriteria::comment, "Items.Comment", "Comment"},
};

} // namespace

bool FindCriteria::isEmpty() const {
    return name.isEmpty() && msdosName.isEmpty() && keywords.isEmpty() && description.isEmpty() &&
           comment.isEmpty();
}

QString FindMatch::key() const {
    return QStringLiteral("I%1I%2I%3").arg(imageId).arg(itemId).arg(parentId);
}

bool BuildFindQuery(const FindCriteria& criteria, FindQuery* query, QString* message) {
    QStringList conditions;
    QVariantList params;
    for (const Field& f : kFields) {
        const QString& pattern = criteria.*(f.text);
        if (pattern.isEmpty())
            continue;
        if (pattern.size() > kMaxPatternLength) {
            *message = QStringLiteral("The %1 field is too long: at most %2 characters.")
                           .arg(QLatin1String(f.caption))
                           .arg(kMaxPatternLength);
            return false;
        }
        QString error;
        if (!WildcardPattern::compile(pattern, &error)) {
            *message = QStringLiteral("%1: %2").arg(QLatin1String(f.caption), error);
            return false;
        }
        // The pattern is a bound value: quotes and backslashes in it are searched as typed.
        conditions << QStringLiteral("LEDRA_LIKE(?, %1)").arg(QLatin1String(f.column));
        params << pattern;
    }
    if (conditions.isEmpty()) {
        *message = QStringLiteral("Enter at least one search field.");
        return false;
    }
    // Rows come in the order they were written (rowid): deterministic, and the scan can stop at
    // the limit instead of sorting every match. Types other than folder and file are never
    // listed, so they must not use up the limit either.
    query->sql = QStringLiteral("SELECT Images.ID AS ImageID, Items.ID AS ItemID, "
                                "Items.ParentID AS ItemParentID, Items.Type AS ItemType, "
                                "Images.Name AS ImageName, Items.Name AS ItemName "
                                "FROM Items INNER JOIN Images ON Images.ID=Items.ImageID WHERE ") +
                 conditions.join(QStringLiteral(" AND ")) +
                 QStringLiteral(" AND IFNULL(Items.Type, 0) IN (0, 1) "
                                "ORDER BY Items.rowid LIMIT %1")
                     .arg(kFindLimit);
    query->params = params;
    return true;
}

bool RunFind(Database& db, const FindCriteria& criteria, QList<FindMatch>* matches,
             QString* message, bool* engineError) {
    matches->clear();
    if (engineError)
        *engineError = false;
    FindQuery query;
    if (!BuildFindQuery(criteria, &query, message))
        return false;
    Recordset rs = db.OpenRecordset(query.sql, query.params);
    auto failed = [&](const EngineError& e) {
        matches->clear();
        if (engineError)
            *engineError = true;
        *message = DatabaseErrorText(e.number, e.description);
        return false;
    };
    if (!rs.isValid())
        return failed(rs.error().number ? rs.error() : db.lastError());
    for (; !rs.Eof(); rs.MoveNext()) {
        FindMatch m;
        m.imageId = qint32(rs.int64(0));
        m.itemId = qint32(rs.int64(1));
        m.parentId = qint32(rs.int64(2));
        m.type = qint32(rs.int64(3));
        m.imageName = rs.text(4);
        m.itemName = rs.text(5);
        matches->append(m);
    }
    if (rs.error())
        return failed(rs.error());
    return true;
}

bool ParseMatchKey(const QString& key, qint32* imageId, qint32* itemId, qint32* parentId) {
    if (!key.startsWith(u'I'))
        return false;
    const QStringList parts = key.mid(1).split(u'I');
    if (parts.size() != 3)
        return false;
    bool ok[3];
    const qint32 a = parts[0].toInt(&ok[0]);
    const qint32 b = parts[1].toInt(&ok[1]);
    const qint32 c = parts[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2])
        return false;
    *imageId = a;
    *itemId = b;
    *parentId = c;
    return true;
}

QString FolderPath(Database& db, qint32 imageId, qint32 folderId) {
    QStringList names;
    QSet<qint32> seen;
    qint32 id = folderId;
    bool shortened = false;
    while (id > 0 && !seen.contains(id)) {
        if (names.size() == kMaxDepth) {
            shortened = true;
            break;
        }
        seen.insert(id);
        Recordset rs = db.OpenRecordset(
            QStringLiteral("SELECT ParentID, Name FROM Items WHERE ID=? AND ImageID=?"),
            {qint64(id), qint64(imageId)});
        if (!rs.isValid() || rs.Eof())
            break;
        names.prepend(rs.text(1));
        id = rs.isNull(0) ? 0 : qint32(rs.int64(0));
    }
    return (shortened ? QStringLiteral("\u2026/") : QStringLiteral("/")) + names.join(u'/');
}

QString ItemFullPath(Database& db, qint32 imageId, qint32 parentId, qint32 itemId,
                     const QString& name) {
    // The root folder's own row (ID 0 under -1) is the root itself.
    if (itemId == 0 && parentId < 0)
        return QStringLiteral("/");
    const QString folder = FolderPath(db, imageId, parentId);
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

void ShowMatch(MainView& view, qint32 imageId, qint32 itemId, qint32 parentId, qint32 type) {
    const QString image = QStringLiteral("I%1").arg(imageId);
    view.showCatalogueEntry(image);
    view.setCurrentImageId(imageId);
    // The root folder's entry is K0, also for the root row of an imported image.
    const qint32 folder = parentId < 0 ? 0 : parentId;
    if (view.isFolderTreeVisible())
        view.showFolderEntry(QStringLiteral("K%1").arg(folder));
    view.FillFiles(folder);
    view.selectListEntry((type == 0 ? QStringLiteral("F%1") : QStringLiteral("K%1")).arg(itemId));
    view.setListActive(true);
}
