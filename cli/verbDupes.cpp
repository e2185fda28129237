#include "CliJson.h"
#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "export/mdlDupes.h"

namespace {

// Files of one name and size held more than once: a line per copy (group number, size, name,
// image ID, image name, path), or with --json an object per group.
int runDupes(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    qint64 minSize = 0;
    bool ok = a.parse(args, {QStringLiteral("min-size")}, {QStringLiteral("json")}, &error) &&
              a.positional.size() == 1;
    if (ok && a.has(QStringLiteral("min-size"))) {
        minSize = a.value(QStringLiteral("min-size")).toLongLong(&ok);
        if (!ok || minSize < 0) {
            ok = false;
            error = QStringLiteral("The minimum size must be a number of bytes.");
        }
    }
    if (!ok) {
        return CliUsage(ctx, error,
                        QStringLiteral("Usage: ledra-cli dupes CATALOGUE "
                                       "[--min-size BYTES] [--json]"));
    }
    const bool json = a.has(QStringLiteral("json"));
    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    qint64 number = 0;
    const bool found = FindDuplicates(
        db(), minSize,
        [&](const DuplicateGroup& g) {
            ++number;
            if (json) {
                QByteArray copies = "[";
                for (const FileCopy& c : g.copies) {
                    if (copies.size() > 1)
                        copies += ',';
                    copies += CliJson()
                                  .add("image_id", c.imageId)
                                  .add("image", c.imageName)
                                  .add("id", c.itemId)
                                  .add("path", c.path)
                                  .object();
                }
                ctx.out << CliJson()
                               .add("name", g.name)
                               .add("size", g.size)
                               .add("count", int(g.copies.size()))
                               .addRaw("copies", copies + ']')
                               .line();
                return;
            }
            for (const FileCopy& c : g.copies)
                ctx.out << number << '\t' << g.size << '\t' << CliField(g.name) << '\t' << c.imageId
                        << '\t' << CliField(c.imageName) << '\t' << CliField(c.path) << '\n';
        },
        &error);
    if (!found) {
        ctx.err << error << Qt::endl;
        return ExitFailure;
    }
    return ExitOk;
}

// The files of an image that no other image holds: item ID, size, path; or objects with --json.
int runSingleCopy(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    qint32 imageId = 0;
    if (!a.parse(args, {}, {QStringLiteral("json")}, &error) || a.positional.size() != 2 ||
        !CliId(a.positional.at(1), &imageId)) {
        return CliUsage(ctx, error,
                        QStringLiteral("Usage: ledra-cli single-copy CATALOGUE "
                                       "IMAGE-ID [--json]"));
    }
    const bool json = a.has(QStringLiteral("json"));
    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    const bool found = FindSingleCopies(
        db(), imageId,
        [&](const ImageFile& f) {
            if (json)
                ctx.out << CliJson()
                               .add("id", f.itemId)
                               .add("name", f.name)
                               .add("size", f.size)
                               .add("path", f.path)
                               .line();
            else
                ctx.out << f.itemId << '\t' << f.size << '\t' << CliField(f.path) << '\n';
        },
        &error);
    if (!found) {
        ctx.err << error << Qt::endl;
        return ExitFailure;
    }
    return ExitOk;
}

const CliVerb dupesVerb("dupes", "CATALOGUE [--min-size BYTES] [--json]", runDupes);
const CliVerb singleCopyVerb("single-copy", "CATALOGUE IMAGE-ID [--json]", runSingleCopy);

} // namespace
