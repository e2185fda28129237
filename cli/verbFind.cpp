#include "CliJson.h"
#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "search/mdlFind.h"

namespace {

const char kUsage[] = "Usage: ledra-cli find CATALOGUE [--name PATTERN] [--msdos-name PATTERN] "
                      "[--keywords PATTERN] [--description PATTERN] [--comment PATTERN] "
                      "[--limit N] [--count] [--json]";

// Prints the matches (at most --limit, 100 unless told; 0 for all): key, type, image name,
// item name, path within the image. With --count, only the number of matches.
int runFind(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    const QStringList options{QStringLiteral("name"),     QStringLiteral("msdos-name"),
                              QStringLiteral("keywords"), QStringLiteral("description"),
                              QStringLiteral("comment"),  QStringLiteral("limit")};
    if (!a.parse(args, options, {QStringLiteral("count"), QStringLiteral("json")}, &error) ||
        a.positional.size() != 1) {
        return CliUsage(ctx, error, QLatin1String(kUsage));
    }
    FindOptions findOptions;
    if (a.has(QStringLiteral("limit"))) {
        bool ok = false;
        const QString text = a.value(QStringLiteral("limit"));
        findOptions.limit = text.toInt(&ok);
        if (!ok || findOptions.limit < 0 || text.startsWith(u'+')) {
            ctx.err
                << QStringLiteral("The limit must be a whole number, 0 or more: \"%1\".").arg(text)
                << Qt::endl;
            return ExitUsage;
        }
    }
    const bool countOnly = a.has(QStringLiteral("count"));
    if (countOnly) {
        // Every match is counted; one is enough to keep.
        findOptions.limit = 1;
        findOptions.count = FindCount::Exact;
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

    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    FindOutcome outcome;
    if (!RunFind(db(), criteria, findOptions, &outcome, &error)) {
        ctx.err << error << Qt::endl;
        return ExitFailure;
    }
    if (countOnly) {
        ctx.out << outcome.total << '\n';
    } else {
        for (const FindMatch& m : std::as_const(outcome.matches)) {
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
    }
    return ExitOk;
}

const CliVerb findVerb("find",
                       "CATALOGUE [--name P] [--msdos-name P] [--keywords P] [--description P] "
                       "[--comment P] [--limit N] [--count] [--json]",
                       runFind);

} // namespace
