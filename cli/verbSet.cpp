#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "properties/mdlProperties.h"

namespace {

// Stores an item's keywords, description and comment as the item dialog's OK does; a field
// without its option keeps its stored text.
int runSet(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    qint32 imageId = 0, itemId = 0;
    const QStringList options{QStringLiteral("keywords"), QStringLiteral("description"),
                              QStringLiteral("comment")};
    const bool parsed = a.parse(args, options, {}, &error);
    if (!parsed || a.positional.size() != 3 || !CliId(a.positional.at(1), &imageId) ||
        !CliId(a.positional.at(2), &itemId)) {
        return CliUsage(ctx, error,
                        QStringLiteral("Usage: ledra-cli set CATALOGUE IMAGE-ID "
                                       "ITEM-ID [--keywords TEXT] "
                                       "[--description TEXT] [--comment TEXT]"));
    }
    if (!a.has(options[0]) && !a.has(options[1]) && !a.has(options[2])) {
        ctx.err << "Nothing to set: give --keywords, --description or --comment." << Qt::endl;
        return ExitUsage;
    }
    const CliCatalogue catalogue(a.positional.first(), true, false, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;

    ItemProperties current;
    const ReadResult read = ReadItemProperties(db(), imageId, itemId, &current, &error);
    if (read == ReadResult::Missing)
        error =
            QStringLiteral("Item %1 of image %2 is not in the catalogue.").arg(itemId).arg(imageId);
    bool ok = read == ReadResult::Found;
    if (ok) {
        ItemEdits edits;
        edits.keywords = a.has(options[0]) ? a.value(options[0]) : current.keywords;
        edits.description = a.has(options[1]) ? a.value(options[1]) : current.description;
        edits.comment = a.has(options[2]) ? a.value(options[2]) : current.comment;
        ok = StoreItemProperties(db(), imageId, itemId, edits, &error);
    }
    if (!ok) {
        ctx.err << error << Qt::endl;
        return ExitFailure;
    }
    return ExitOk;
}

const CliVerb setVerb("set",
                      "CATALOGUE IMAGE-ID ITEM-ID [--keywords T] [--description T] "
                      "[--comment T]",
                      runSet);

} // namespace
