#include "CliVerb.h"
#include "ScanOptionsCli.h"

#include "catalogue/mdlDatabase.h"
#include "import/mdlImport.h"

#include <QDir>

namespace {

int usage(CliContext& ctx, const QString& error) {
    ctx.err << (error.isEmpty()
                    ? QStringLiteral("Usage: ledra-cli import CATALOGUE FILE [--node ID] "
                                     "[--name TEXT] [--[no-]files] [--[no-]msdos-names] "
                                     "[--[no-]times] [--[no-]collect] [--overwrite|--add]")
                    : error)
            << Qt::endl;
    return ExitUsage;
}

// Imports the index FILE as a new image of CATALOGUE.
int runImport(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    if (!a.parse(args, ScanCliOptions::valueNames(), ScanCliOptions::flagNames(), &error) ||
        a.positional.size() != 2)
        return usage(ctx, error);
    ScanCliOptions o;
    if (!o.read(a, &error))
        return usage(ctx, error);

    const QString catalogPath = QDir::current().absoluteFilePath(a.positional.at(0));
    const QString file = QDir::current().absoluteFilePath(a.positional.at(1));
    // The file is judged before the catalogue is opened, so a wrong one leaves it untouched.
    if (const QString failed = ImportLoadMessage(MarlovexLoad(file)); !failed.isEmpty()) {
        ctx.err << failed << Qt::endl;
        return ExitFailure;
    }
    IdxTreeSource source;
    return RunScanCli(ctx, o, catalogPath, source, [](Ui& ui, ScanProgress* progress) {
        return std::make_unique<MarlovexImport>(db(), ui, progress);
    });
}

const CliVerb importVerb("import", "CATALOGUE FILE [options]", runImport);

} // namespace
