#include "CliVerb.h"

#include "catalogue/mdlFile.h"

#include <QDir>

namespace {
QList<const CliVerb*>& registry() {
    static QList<const CliVerb*> verbs;
    return verbs;
}
} // namespace

CliVerb::CliVerb(const char* n, const char* u, CliVerbFunction r) : name(n), usage(u), run(r) {
    registry().append(this);
}

const QList<const CliVerb*>& cliVerbs() {
    return registry();
}

bool CliId(const QString& text, qint32* id) {
    bool ok = false;
    *id = text.toInt(&ok);
    return ok;
}

QString CliField(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool CliArgs::parse(const QStringList& args, const QStringList& valueOptions,
                    const QStringList& flagOptions, QString* error) {
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (optionsEnded || !a.startsWith(QLatin1String("--")) || a == QLatin1String("-")) {
            positional.append(a);
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = a.mid(2);
        QString value;
        bool hasValue = false;
        const int eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        if (valueOptions.contains(name)) {
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    *error = QStringLiteral("Option --%1 needs a value.").arg(name);
                    return false;
                }
                value = args.at(++i);
            }
            m_values.insert(name, value);
        } else if (flagOptions.contains(name) && !hasValue) {
            m_values.insert(name, QString());
        } else {
            *error = QStringLiteral("Unknown option --%1.").arg(name);
            return false;
        }
    }
    return true;
}

int CliUsage(CliContext& ctx, const QString& error, const QString& usage) {
    ctx.err << (error.isEmpty() ? usage : error) << Qt::endl;
    return ExitUsage;
}

CliCatalogue::CliCatalogue(const QString& argument, bool mustExist, bool readOnly,
                           CliContext& ctx) {
    QString path = QDir::current().absoluteFilePath(argument);
    m_open = OpenCatalogue(path, mustExist, readOnly, ctx.ui, nullptr);
}

CliCatalogue::~CliCatalogue() {
    if (m_open)
        CloseCatalogue(nullptr);
}
