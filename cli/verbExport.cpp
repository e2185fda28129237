#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "export/mdlExport.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

const QString kUsage = QStringLiteral("Usage: ledra-cli export CATALOGUE IMAGE-ID [--folder ID] "
                                      "--format csv|html|jsonl [-o FILE]");

// One image, or everything below one of its folders, as CSV, HTML or JSON Lines; to standard
// output unless a file is named.
int runExport(const QStringList& args, CliContext& ctx) {
    // "-o" is the short form of "--output"; after "--" everything is a name.
    QStringList given = args;
    for (qsizetype i = 0; i < given.size() && given.at(i) != QLatin1String("--"); ++i) {
        if (given.at(i) == QLatin1String("-o"))
            given[i] = QStringLiteral("--output");
    }
    CliArgs a;
    QString error;
    qint32 imageId = 0, folderId = 0;
    ExportFormat format = ExportFormat::Csv;
    const bool parsed = a.parse(
        given, {QStringLiteral("folder"), QStringLiteral("format"), QStringLiteral("output")}, {},
        &error);
    if (parsed) {
        if (a.positional.size() != 2 || !CliId(a.positional.at(1), &imageId))
            error = kUsage;
        else if (!a.has(QStringLiteral("format")))
            error = QStringLiteral("Option --format is needed: csv, html or jsonl.");
        else if (!ParseExportFormat(a.value(QStringLiteral("format")), &format))
            error = QStringLiteral("Unknown format %1: use csv, html or jsonl.")
                        .arg(a.value(QStringLiteral("format")));
        else if (a.has(QStringLiteral("folder")) &&
                 (!CliId(a.value(QStringLiteral("folder")), &folderId) || folderId < 0))
            error = QStringLiteral("The folder must be a folder ID.");
        else if (a.has(QStringLiteral("output")) && a.value(QStringLiteral("output")).isEmpty())
            error = QStringLiteral("Option --output needs a file name.");
    }
    if (!error.isEmpty()) {
        ctx.err << error << Qt::endl;
        return ExitUsage;
    }

    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    ExportScope scope;
    scope.kind = ExportScope::Kind::Folder;
    scope.imageId = imageId;
    scope.folderId = folderId;
    ExportResult result;
    if (a.has(QStringLiteral("output"))) {
        const QString file = QDir::current().absoluteFilePath(a.value(QStringLiteral("output")));
        result = ExportToFile(db(), scope, format, file, {}, &error);
    } else {
        ctx.out.flush();
        QFile out;
        out.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        std::unique_ptr<ExportWriter> writer = MakeExportWriter(format, &out);
        result = RunExport(db(), scope, *writer, {}, &error);
        out.flush();
    }
    if (result != ExportResult::Done) {
        ctx.err << error << Qt::endl;
        return ExitFailure;
    }
    return ExitOk;
}

const CliVerb exportVerb("export",
                         "CATALOGUE IMAGE-ID [--folder ID] --format csv|html|jsonl [-o FILE]",
                         runExport);

} // namespace
