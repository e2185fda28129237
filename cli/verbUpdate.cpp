#include "CliVerb.h"
#include "ScanOptionsCli.h"

#include "catalogue/mdlDatabase.h"
#include "disk/FolderSource.h"
#include "disk/ReadAheadSource.h"
#include "disk/mdlUpdate.h"
#include "import/mdlImport.h"

#include <QDir>
#include <QFileInfo>

namespace {

int usage(CliContext& ctx, const QString& error) {
    ctx.err << (error.isEmpty()
                    ? QStringLiteral("Usage: ledra-cli update CATALOGUE IMAGE (PATH | --index "
                                     "FILE) [--dry-run] [--[no-]files] [--[no-]msdos-names] "
                                     "[--[no-]times] [--[no-]collect]")
                    : error)
            << Qt::endl;
    return ExitUsage;
}

QString pathText(const std::string& path) {
    return CliField(QString::fromUtf8(path.data(), qsizetype(path.size())));
}

// Brings image IMAGE of CATALOGUE up to date with the folder PATH (or a newer index file of the
// same disk), keeping the notes of its items; prints one line per difference and the counts.
int runUpdate(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    QStringList flags = ScanCliOptions::flagNames();
    flags.removeAll(QStringLiteral("overwrite"));
    flags.removeAll(QStringLiteral("add"));
    flags << QStringLiteral("dry-run");
    if (!a.parse(args, {QStringLiteral("index")}, flags, &error))
        return usage(ctx, error);
    const bool fromIndex = a.has(QStringLiteral("index"));
    if (a.positional.size() != (fromIndex ? 2 : 3))
        return usage(ctx, QString());
    ScanCliOptions o;
    if (!o.read(a, &error))
        return usage(ctx, error);
    qint32 imageId = 0;
    if (!CliId(a.positional.at(1), &imageId) || imageId <= 0)
        return usage(ctx, QStringLiteral("IMAGE needs an image ID (1 or more)."));
    const bool dryRun = a.has(QStringLiteral("dry-run"));

    // The tree is judged before the catalogue is opened, so a wrong one leaves it untouched.
    std::unique_ptr<TreeSource> source;
    std::unique_ptr<FolderSource> front;
    ScanFlavour flavour;
    if (fromIndex) {
        const QString file = QDir::current().absoluteFilePath(a.value(QStringLiteral("index")));
        if (const QString failed = ImportLoadMessage(MarlovexLoad(file)); !failed.isEmpty()) {
            ctx.err << failed << Qt::endl;
            return ExitFailure;
        }
        source = std::make_unique<IdxTreeSource>();
        flavour = ImportFlavour();
    } else {
        const QString folder = QDir::current().absoluteFilePath(a.positional.at(2));
        if (!QFileInfo(folder).isDir()) {
            ctx.err << "Drive cannot be accessed." << Qt::endl;
            return ExitFailure;
        }
        front = std::make_unique<FolderSource>(folder);
        source = std::make_unique<ReadAheadSource>(
            *front, [folder] { return std::make_unique<FolderSource>(folder); },
            o.options.listRequest());
    }

    // A dry run opens the catalogue read-only: it cannot write even by mistake.
    const CliCatalogue catalogue(a.positional.at(0), true, dryRun, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;

    std::unique_ptr<ScanProgress> progress = TerminalProgressFor(ctx);
    ImageUpdate update(db(), ctx.ui, imageId, progress.get(), flavour);
    update.options = o.options;
    const DiskScan::Result read = update.Read(*source);
    progress.reset();
    if (read != DiskScan::Result::Done)
        return ExitFailure;
    static const char* const marks[] = {"+", "-", "~", ">"};
    for (const ImageUpdate::Difference& d : update.differences()) {
        ctx.out << marks[int(d.kind)] << '\t';
        if (d.kind == ImageUpdate::Kind::Moved)
            ctx.out << pathText(update.movedFrom(d)) << '\t';
        ctx.out << pathText(update.pathOf(d)) << '\n';
    }
    const ImageUpdate::Counts& c = update.counts();
    ctx.out << "added " << c.added << "\tremoved " << c.removed << "\tchanged " << c.changed
            << "\tmoved " << c.moved << "\tkept " << c.kept << '\n';
    if (update.lostNotes() != 0)
        ctx.err << update.lostNotesText() << Qt::endl;
    if (dryRun)
        return ExitOk;
    const DiskScan::Result written = update.Apply();
    return written == DiskScan::Result::Done ? ExitOk : ExitFailure;
}

const CliVerb updateVerb("update", "CATALOGUE IMAGE (PATH | --index FILE) [options]", runUpdate);

} // namespace
