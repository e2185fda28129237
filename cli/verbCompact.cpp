#include "CliVerb.h"

#include "catalogue/mdlCompact.h"

namespace {

// Compacts without asking; the final message goes to standard output, errors to standard error.
int runCompact(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    if (!a.parse(args, {}, {}, &error) || a.positional.size() != 1) {
        return CliUsage(ctx, error, QStringLiteral("Usage: ledra-cli compact CATALOGUE"));
    }
    const CliCatalogue catalogue(a.positional.first(), true, false, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    const CompactOutcome outcome = CompactCatalogue(ctx.ui, nullptr, {}, false, false);
    if (outcome.status != CompactOutcome::Status::Done)
        return ExitFailure;
    ctx.out << outcome.message << '\n';
    return ExitOk;
}

const CliVerb compactVerb("compact", "CATALOGUE", runCompact);

} // namespace
