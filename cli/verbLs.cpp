#include "CliJson.h"
#include "CliVerb.h"

#include "browser/mdlBrowse.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlConvert.h"

#include <QSet>

namespace {

// The catalogue tree as the refresh builds it, or one folder of an image as the list shows it.
int runLs(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    qint32 imageId = 0;
    qint32 folderId = 0;
    const int n =
        a.parse(args, {}, {QStringLiteral("json")}, &error) ? int(a.positional.size()) : 0;
    const bool json = a.has(QStringLiteral("json"));
    if (n < 1 || n > 3 || (n >= 2 && !CliId(a.positional.at(1), &imageId)) ||
        (n == 3 && !CliId(a.positional.at(2), &folderId))) {
        return CliUsage(ctx, error,
                        QStringLiteral("Usage: ledra-cli ls CATALOGUE [IMAGE-ID "
                                       "[FOLDER-ID]] [--json]"));
    }
    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;

    if (n == 1) {
        QSet<QString> shown;
        for (const CatalogueEntry& e : ReadCatalogueTree(db())) {
            shown.insert(e.key);
            if (json)
                ctx.out << CliJson()
                               .add("key", e.key)
                               .add("type", e.key.startsWith(u'N') ? QStringLiteral("node")
                                                                   : QStringLiteral("image"))
                               .add("id", e.key.mid(1).toLongLong())
                               .add("name", e.text)
                               .add("parent", e.parentKey)
                               .add("depth", e.depth)
                               .line();
            else
                ctx.out << QString(e.depth * 2, u' ') << e.key << '\t' << CliField(e.text) << '\n';
        }
        // Images under nodes that never reach the top (a cycle of parents, or a missing parent)
        // cannot be placed in the tree; say so rather than let them vanish.
        QStringList hidden;
        Recordset rs =
            db().OpenRecordset(QStringLiteral("SELECT ID, Name FROM Images ORDER BY ID"));
        for (; rs.isValid() && !rs.Eof(); rs.MoveNext()) {
            const QString key = QStringLiteral("I%1").arg(rs.int64(0));
            if (!shown.contains(key))
                hidden << key + QLatin1Char('\t') + CliField(rs.text(1));
        }
        rs.Close();
        if (!hidden.isEmpty()) {
            ctx.out.flush();
            ctx.err << "Not shown: " << hidden.size()
                    << " image(s) filed under nodes that do not lead to the top of the catalogue "
                       "(a cycle of parent nodes, or a missing parent):"
                    << Qt::endl;
            for (const QString& line : std::as_const(hidden))
                ctx.err << line << Qt::endl;
        }
        return ExitOk;
    }

    const QVariant type =
        db().scalar(QStringLiteral("SELECT Type FROM Images WHERE ID=?"), {imageId});
    if (db().lastError()) {
        ctx.err << DatabaseErrorText(db().lastError().number, db().lastError().description)
                << Qt::endl;
        return ExitFailure;
    }
    if (!type.isValid()) {
        ctx.err << QStringLiteral("There is no image %1 in the catalogue.").arg(imageId)
                << Qt::endl;
        return ExitFailure;
    }
    for (const ListEntry& e :
         ReadFolderContents(db(), imageId, qint32(type.toLongLong()), folderId)) {
        if (json) {
            ctx.out << CliJson()
                           .add("key", e.key)
                           .add("type",
                                e.folder ? QStringLiteral("folder") : QStringLiteral("file"))
                           .add("id", e.key.mid(1).toLongLong())
                           .add("name", e.name)
                           .add("text", e.text)
                           .add("size", e.size)
                           .add("attrib", e.attrib)
                           .add("attributes", FlagsText(e.attrib, AttributeNames()))
                           .line();
            continue;
        }
        ctx.out << e.key << '\t' << CliField(e.text) << '\t' << SizeText(e.size) << '\t'
                << FlagsText(e.attrib, AttributeNames()) << '\n';
    }
    return ExitOk;
}

const CliVerb lsVerb("ls", "CATALOGUE [IMAGE-ID [FOLDER-ID]] [--json]", runLs);

} // namespace
