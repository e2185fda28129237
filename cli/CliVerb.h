#pragma once

#include "common/Ui.h"

#include <QHash>
#include <QStringList>
#include <QTextStream>

// Each verb registers itself from its own file with a static CliVerb object.
struct CliContext {
    QTextStream& out; // records, one a line, fields separated by a tab
    QTextStream& err; // messages and errors
    Ui& ui;
    bool errIsTerminal = false;
};

// Exit codes of every verb.
enum CliExit { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

using CliVerbFunction = int (*)(const QStringList& args, CliContext& ctx);

struct CliVerb {
    CliVerb(const char* name, const char* usage, CliVerbFunction run);
    const char* name;
    const char* usage;
    CliVerbFunction run;
};

const QList<const CliVerb*>& cliVerbs();

// A text as one field of a record: tabs, line breaks and backslashes inside it are written as
// \t, \n, \r and \\, so that every record stays on its line.
QString CliField(const QString& text);

// A decimal ID argument; false when the text is not one.
bool CliId(const QString& text, qint32* id);

// A refused command line: what was wrong, or the verb's usage when the parser named nothing;
// returns ExitUsage.
int CliUsage(CliContext& ctx, const QString& error, const QString& usage);

// The catalogue a verb works on, named by its argument (taken from the current folder): open
// while this lives, closed however the verb returns. A refused open has said why already.
class CliCatalogue {
public:
    CliCatalogue(const QString& argument, bool mustExist, bool readOnly, CliContext& ctx);
    ~CliCatalogue();
    CliCatalogue(const CliCatalogue&) = delete;
    CliCatalogue& operator=(const CliCatalogue&) = delete;
    bool isOpen() const { return m_open; }

private:
    bool m_open = false;
};

// Options parsing shared by the verbs: "--name VALUE", "--name=VALUE" and "--flag".
class CliArgs {
public:
    // valueOptions take a value; flagOptions do not. False (with *error) on anything unknown.
    bool parse(const QStringList& args, const QStringList& valueOptions,
               const QStringList& flagOptions, QString* error);
    QStringList positional;
    bool has(const QString& option) const { return m_values.contains(option); }
    QString value(const QString& option) const { return m_values.value(option); }

private:
    QHash<QString, QString> m_values;
};
