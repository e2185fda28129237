#include "CliUi.h"
#include "CliVerb.h"

#include "shell/mdlOptions.h"
#include "version.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

void printUsage(QTextStream& err) {
    err << "Usage: ledra-cli VERB ARGUMENTS..." << Qt::endl << "Verbs:" << Qt::endl;
    for (const CliVerb* v : cliVerbs())
        err << "  " << v->name << ' ' << v->usage << Qt::endl;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ledra-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printUsage(err);
        return ExitUsage;
    }
    const QString verb = args.takeFirst();
    if (verb == QLatin1String("--version")) {
        out << "ledra-cli " << LEDRA_VERSION_MAJOR << '.' << LEDRA_VERSION_MINOR << '.'
            << LEDRA_VERSION_PATCH << Qt::endl;
        return ExitOk;
    }
    for (const CliVerb* v : cliVerbs()) {
        if (verb == QLatin1String(v->name)) {
            // The command line honours the same settings the program saved.
            DefaultOptions();
            LoadOptions();
            CliUi ui(err);
            CliContext ctx{out, err, ui, bool(isatty(fileno(stderr)))};
            const int rc = v->run(args, ctx);
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "Unknown verb: " << verb << Qt::endl;
    printUsage(err);
    return ExitUsage;
}
