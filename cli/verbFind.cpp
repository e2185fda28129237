#include "CliJson.h"
#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "search/mdlFind.h"

#include <QDir>

namespace {

// Prints at most 100 matches: key, type, image name, item name, path within the image.
int runFind(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    const QStringList options{QStringLiteral("name"), QStringLiteral("msdos-name"),
                              QStringLiteral("keywords"), QStringLiteral("description"),
                              QStringLiteral("comment")};
    if (!a.parse(args, options, {QStringLiteral("json")}, &error) || a.positional.size() != 1) {
        ctx.err << (error.isEmpty()
                        ? QStringLiteral("Usage: ledra-cli find CATALOGUE [--name PATTERN] "
                                         "[--msdos-name PATTERN] [--keywords PATTERN] "
                                         "[--description PATTERN] [--comment PATTERN] [--json]")
                        : error)
                << Qt::endl;
        return ExitUsage;
    }
    FindCriteria criteria;
    criteria.name = a.value(QStringLiteral("name"));
    criteria.msdosName = a.value(QStringLiteral("msdos-name"));
    criteria.keywords = a.value(QStringLiteral("keywords"));
    criteria.description = a.value(QStringLiteral("description"));
    criteria.comment = a.value(QStringLiteral("comment"));
    FindQuery query;
    if (!BuildFindQuery(criteria, &query, &error)) {
        ctx.err << error << Qt::endl;
        return ExitUsage;
    }

    QString path = QDir::current().absoluteFilePath(a.positional.first());
    if (!OpenCatalogue(path, true, true, ctx.ui, nullptr))
        return ExitFailure;
    QList<FindMatch> matches;
    if (!RunFind(db(), criteria, &matches, &error)) {
        ctx.err << error << Qt::endl;
        CloseCatalogue(nullptr);
        return ExitFailure;
    }
    for (const FindMatch& m : std::as_const(matches)) {
        if (a.has(QStringLiteral("json"))) {
            ctx.out << CliJson()
                           .add("key", m.key())
                           .add("image_id", m.imageId)
                           .add("id", m.itemId)
                           .add("parent_id", m.parentId)
                           .add("type",
                                m.type == 0 ? QStringLiteral("folder") : QStringLiteral("file"))
                           .add("image", m.imageName)
                           .add("name", m.itemName)
                           .add("path",
                                ItemFullPath(db(), m.imageId, m.parentId, m.itemId, m.itemName))
                           .line();
            continue;
        }
        ctx.out << m.key() << '\t' << m.type << '\t' << CliField(m.imageName) << '\t'
                << CliField(m.itemName) << '\t'
                << CliField(ItemFullPath(db(), m.imageId, m.parentId, m.itemId, m.itemName))
                << '\n';
    }
    CloseCatalogue(nullptr);
    return ExitOk;
}

const CliVerb findVerb("find",
                       "CATALOGUE [--name P] [--msdos-name P] [--keywords P] [--description P] "
                       "[--comment P] [--json]",
                       runFind);

} // namespace
