#include "CliVerb.h"
#include "ScanOptionsCli.h"

#include "catalogue/mdlDatabase.h"
#include "disk/AudioCdSource.h"
#include "disk/FolderSource.h"
#include "disk/ReadAheadSource.h"
#include "disk/mdlDriveLetters.h"
#include "platform/mdlVolume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

namespace {

// The folder's own facts, with what the command line says instead.
class CliFolderSource : public FolderSource {
public:
    using FolderSource::FolderSource;
    std::optional<QString> label;
    std::optional<quint32> serial;
    std::optional<int> type;

    bool readVolume(VolumeFacts& facts) override {
        if (!FolderSource::readVolume(facts))
            return false;
        if (label)
            facts.label = *label;
        if (serial)
            facts.serial = *serial;
        if (type)
            facts.typeCode = *type;
        return true;
    }
};

int usage(CliContext& ctx, const QString& error) {
    ctx.err << (error.isEmpty()
                    ? QStringLiteral(
                          "Usage: ledra-cli scan CATALOGUE PATH [--node ID] [--name TEXT] "
                          "[--label TEXT] [--serial HEX] [--type CODE] [--[no-]files] "
                          "[--[no-]msdos-names] [--[no-]times] [--[no-]collect] "
                          "[--overwrite|--add] [--eject]")
                    : error)
            << Qt::endl;
    return ExitUsage;
}

// Catalogues the folder PATH as a new image of CATALOGUE.
int runScan(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    const QStringList values = ScanCliOptions::valueNames()
                               << QStringLiteral("label") << QStringLiteral("serial")
                               << QStringLiteral("type");
    const QStringList flags = ScanCliOptions::flagNames() << QStringLiteral("eject");
    if (!a.parse(args, values, flags, &error) || a.positional.size() != 2)
        return usage(ctx, error);
    ScanCliOptions o;
    if (!o.read(a, &error))
        return usage(ctx, error);
    o.options.eject = a.has(QStringLiteral("eject"));

    const QString catalogPath = QDir::current().absoluteFilePath(a.positional.at(0));
    const QString folder = QDir::current().absoluteFilePath(a.positional.at(1));
    CliFolderSource source(folder);
    if (a.has(QStringLiteral("serial"))) {
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
        const QString s = a.value(QStringLiteral("serial"));
        if (!hex.match(s).hasMatch())
            return usage(ctx, QStringLiteral("--serial needs 1 to 8 hexadecimal digits."));
        source.serial = s.toUInt(nullptr, 16);
    }
    if (a.has(QStringLiteral("type"))) {
        bool ok = false;
        const int t = a.value(QStringLiteral("type")).toInt(&ok);
        if (!ok || !(t == 0 || (t >= 2 && t <= 6) || t == 50))
            return usage(ctx, QStringLiteral("--type needs a drive type code: 0, 2 to 6 or 50."));
        source.type = t;
    }
    if (a.has(QStringLiteral("label")))
        source.label = a.value(QStringLiteral("label"));

    // A CD device holding an audio disc: its tracks, from the table of contents.
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISBLK(st.st_mode)) {
        QString key = QStringLiteral("?");
        for (const VolumeInfo& v : KeyedVolumes()) {
            if (v.device == folder)
                key = QString(v.key);
        }
        DeviceTocSource toc(folder);
        AudioCdSource audio(toc, key + QLatin1Char(':'), folder);
        VolumeFacts probe;
        if (!audio.readVolume(probe)) {
            ctx.err << "Drive cannot be accessed." << Qt::endl;
            return ExitFailure;
        }
        return RunScanCli(ctx, o, catalogPath, audio, [](Ui& ui, ScanProgress* progress) {
            return std::make_unique<DiskScan>(db(), ui, progress);
        });
    }
    if (!QFileInfo(folder).isDir()) {
        ctx.err << "Drive cannot be accessed." << Qt::endl;
        return ExitFailure;
    }
    // The disk is read on a second thread while the catalogue is written.
    ReadAheadSource readAhead(
        source, [folder] { return std::make_unique<FolderSource>(folder); },
        o.options.listRequest());
    return RunScanCli(ctx, o, catalogPath, readAhead, [](Ui& ui, ScanProgress* progress) {
        return std::make_unique<DiskScan>(db(), ui, progress);
    });
}

const CliVerb scanVerb("scan", "CATALOGUE PATH [options]", runScan);

} // namespace
