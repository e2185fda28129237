#include "CliJson.h"
#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "properties/mdlProperties.h"

namespace {

// The fields of the image or item properties dialog: label, tab, the text shown.
int runProps(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    qint32 imageId = 0, itemId = 0;
    const bool parsed = a.parse(args, {}, {QStringLiteral("json")}, &error);
    if (!parsed || a.positional.size() < 2 || a.positional.size() > 3 ||
        !CliId(a.positional.at(1), &imageId) ||
        (a.positional.size() == 3 && !CliId(a.positional.at(2), &itemId))) {
        return CliUsage(ctx, error,
                        QStringLiteral("Usage: ledra-cli props CATALOGUE IMAGE-ID [ITEM-ID] "
                                       "[--json]"));
    }
    const CliCatalogue catalogue(a.positional.first(), true, true, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;

    QList<PropField> fields;
    QString storedName;
    ReadResult result;
    if (a.positional.size() == 3) {
        ItemProperties p;
        result = ReadItemProperties(db(), imageId, itemId, &p, &error);
        fields = p.fields();
        storedName = p.storedName;
        if (result == ReadResult::Missing)
            error = QStringLiteral("Item %1 of image %2 is not in the catalogue.")
                        .arg(itemId)
                        .arg(imageId);
    } else {
        ImageProperties p;
        result = ReadImageProperties(db(), imageId, &p, &error);
        fields = p.fields();
        if (result == ReadResult::Missing)
            error = QStringLiteral("Image %1 is not in the catalogue.").arg(imageId);
    }
    if (result != ReadResult::Found) {
        ctx.err << error << Qt::endl;
        return ExitFailure;
    }
    if (a.has(QStringLiteral("json"))) {
        // One object; each field named after its label: "MS-DOS Name:" gives ms_dos_name.
        CliJson json;
        for (const PropField& f : std::as_const(fields)) {
            QString key = f.label.toLower();
            key.remove(u':');
            key.replace(u' ', u'_').replace(u'-', u'_');
            json.add(key.toUtf8().constData(), f.text);
        }
        if (a.positional.size() == 3)
            json.add("stored_name", storedName);
        ctx.out << json.line();
        return ExitOk;
    }
    for (const PropField& f : std::as_const(fields))
        ctx.out << f.label << '\t' << CliField(f.text) << '\n';
    return ExitOk;
}

const CliVerb propsVerb("props", "CATALOGUE IMAGE-ID [ITEM-ID] [--json]", runProps);

} // namespace
