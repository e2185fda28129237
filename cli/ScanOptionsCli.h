#pragma once

#include "CliVerb.h"

#include "disk/mdlScan.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The options the scan and import verbs share: where the image goes, its name, what is
// recorded, and what to do with an image of the same disk.
struct ScanCliOptions {
    ScanOptions options;
    qint32 nodeId = 0;
    std::optional<QString> name;
    bool overwrite = false;
    bool add = false;

    static QStringList valueNames();
    static QStringList flagNames();
    // Reads them from parsed arguments, starting from the "New Disk" settings; false with
    // *error on a bad value or two options that exclude each other.
    bool read(const CliArgs& args, QString* error);
};

// Opens the catalogue and writes the tree as an image with the options: the node must exist,
// and without --overwrite or --add an image of the same serial ends the run. Prints the image
// ID and the summary. Messages go to standard error; the exit code is the verb's.
// scan: builds the scan with the Ui and progress the verb must use.
using MakeScan = std::function<std::unique_ptr<DiskScan>(Ui& ui, ScanProgress* progress)>;
int RunScanCli(CliContext& ctx, const ScanCliOptions& o, const QString& cataloguePath,
               TreeSource& source, const MakeScan& makeScan);

// The one-line progress on standard error while a tree is walked; null when that is not a
// terminal.
std::unique_ptr<ScanProgress> TerminalProgressFor(CliContext& ctx);
