#include "CliJson.h"
#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "common/mdlTrim.h"
#include "disk/mdlDriveLetters.h"

#include <optional>

namespace {

// One line per volume: key, type code, type text, label, file system, serial, mount point and
// the catalogued image of that serial (from CATALOGUE, when one is named).
int runDrives(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    if (!a.parse(args, {}, {QStringLiteral("json")}, &error) || a.positional.size() > 1) {
        return CliUsage(ctx, error, QStringLiteral("Usage: ledra-cli drives [CATALOGUE] [--json]"));
    }
    std::optional<CliCatalogue> catalogue;
    if (!a.positional.isEmpty() &&
        !catalogue.emplace(a.positional.first(), true, true, ctx).isOpen())
        return ExitFailure;
    const bool haveCatalogue = catalogue.has_value();
    for (const VolumeInfo& v : KeyedVolumes()) {
        const QString serial = SerialText(v.serial);
        QString image;
        // A volume without a serial matches no image.
        if (haveCatalogue && v.serial != 0) {
            // Several images of one serial: the first the catalogue returns, as the list shows.
            image = NullToText(
                db().scalar(QStringLiteral("SELECT Name FROM Images WHERE Serial=?"), {serial}));
        }
        if (a.has(QStringLiteral("json"))) {
            CliJson json;
            json.add("key", QString(v.key))
                .add("type", v.typeCode)
                .add("type_text", DriveTypeText(v.typeCode))
                .add("label", v.label)
                .add("file_system", v.fileSystem)
                .add("serial", serial)
                .add("mount_point", v.mountPoint);
            if (haveCatalogue)
                json.add("image", image);
            ctx.out << json.line();
            continue;
        }
        const QStringList fields = {QString(v.key),
                                    QString::number(v.typeCode),
                                    DriveTypeText(v.typeCode),
                                    v.label,
                                    v.fileSystem,
                                    serial,
                                    v.mountPoint,
                                    image};
        ctx.out << fields.join(QLatin1Char('\t')) << '\n';
    }
    return ExitOk;
}

const CliVerb drivesVerb("drives", "[CATALOGUE] [--json]", runDrives);

} // namespace
