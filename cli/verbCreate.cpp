#include "CliJson.h"
#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"

namespace {

// Builds a new empty catalogue; an existing file is opened and validated, never overwritten.
int runCreate(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    if (!a.parse(args, {}, {}, &error) || a.positional.size() != 1) {
        return CliUsage(ctx, error, QStringLiteral("Usage: ledra-cli create CATALOGUE"));
    }
    const CliCatalogue catalogue(a.positional.first(), false, false, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    return ExitOk;
}

// Row counts of the three tables (with --json one object of the three). Never creates a file.
int runInfo(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    if (!a.parse(args, {}, {QStringLiteral("json")}, &error) || a.positional.size() != 1) {
        return CliUsage(ctx, error, QStringLiteral("Usage: ledra-cli info CATALOGUE [--json]"));
    }
    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    const char* tables[] = {"Nodes", "Images", "Items"};
    const char* labels[] = {"nodes", "images", "items"};
    CliJson json;
    for (int i = 0; i < 3; ++i) {
        const QVariant n =
            db().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(tables[i])));
        if (!n.isValid()) {
            ctx.err << DatabaseErrorText(db().lastError().number, db().lastError().description)
                    << Qt::endl;
            return ExitFailure;
        }
        if (a.has(QStringLiteral("json")))
            json.add(labels[i], n.toLongLong());
        else
            ctx.out << labels[i] << '\t' << n.toLongLong() << '\n';
    }
    if (a.has(QStringLiteral("json")))
        ctx.out << json.line();
    return ExitOk;
}

const CliVerb createVerb("create", "CATALOGUE", runCreate);
const CliVerb infoVerb("info", "CATALOGUE [--json]", runInfo);

} // namespace
