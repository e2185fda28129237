#include "mdlStartArgs.h"

#include "common/mdlPath.h"

StartArgs ParseStartArgs(const QStringList& args) {
    StartArgs out;
    QStringList parts;
    bool switches = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (switches && arg == QLatin1String("--screenshots")) {
            if (i + 1 >= args.size()) {
                out.action = StartArgs::Action::UsageError;
                out.error = QStringLiteral("--screenshots needs a folder");
                return out;
            }
            out.action = StartArgs::Action::Screenshots;
            out.pictureDir = AbsolutePath(args.at(++i));
            continue;
        }
        if (switches && arg == QLatin1String("--")) {
            switches = false;
            continue;
        }
        const QString lower = arg.trimmed().toLower();
        const bool setup = lower == QLatin1String("/setup") || lower == QLatin1String("--setup") ||
                           lower.startsWith(QLatin1String("/setup:")) ||
                           lower.startsWith(QLatin1String("/setup="));
        if (switches && setup) {
            out.action = StartArgs::Action::Setup;
            return out;
        }
        if (switches && (lower == QLatin1String("--help") || lower == QLatin1String("-h"))) {
            out.action = StartArgs::Action::Help;
            return out;
        }
        if (switches && lower == QLatin1String("--version")) {
            out.action = StartArgs::Action::Version;
            return out;
        }
        // Anything else that looks like an option is refused rather than taken for a file name.
        if (switches && arg.size() > 1 && arg.startsWith(u'-')) {
            out.action = StartArgs::Action::UsageError;
            out.error = QStringLiteral("Unknown option: %1").arg(arg);
            return out;
        }
        parts.append(arg);
    }
    out.path = AbsolutePath(parts.join(u' '));
    return out;
}

QString StartUsage() {
    return QStringLiteral(
        "Usage: ledra [CATALOGUE]\n"
        "       ledra --setup | /Setup\n"
        "\n"
        "Opens CATALOGUE (a .ldr file, made when missing), or the last one used.\n"
        "\n"
        "  --setup, /Setup  add a launcher entry and open .ldr files with Ledra\n"
        "  --help           show this text\n"
        "  --version        show the version\n"
        "  --screenshots DIR  write pictures of every window to DIR and end\n"
        "  --               what follows is a file name, even if it starts "
        "with -\n");
}
