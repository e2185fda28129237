#include "ExportWriter.h"

#include "common/mdlConvert.h"

namespace {

QByteArray textOrNull(const QString& text) {
    return text.isEmpty() ? QByteArray("null") : JsonString(text);
}

// One JSON object a line, one line per item; no header, so files can be joined with cat.
class JsonlWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    void begin(const ExportFacts& facts) override { m_severalImages = facts.severalImages; }

    void item(const ExportItem& i) override {
        QByteArray line = "{";
        if (m_severalImages)
            line += "\"image_id\":" + QByteArray::number(i.imageId) +
                    ",\"image\":" + JsonString(i.imageName) + ',';
        line += "\"id\":" + QByteArray::number(i.id) + ",\"path\":" + JsonString(i.path) +
                ",\"name\":" + JsonString(i.name) +
                ",\"type\":" + (i.folder ? "\"folder\"" : "\"file\"") +
                ",\"size\":" + QByteArray::number(i.size) +
                ",\"modified\":" + textOrNull(i.modified) +
                ",\"attrib\":" + QByteArray::number(i.attrib) +
                ",\"attributes\":" + JsonString(FlagsText(i.attrib, AttributeNames())) +
                ",\"keywords\":" + JsonString(i.keywords) +
                ",\"description\":" + JsonString(i.description) +
                ",\"comment\":" + JsonString(i.comment) + "}\n";
        put(line);
    }

private:
    bool m_severalImages = false;
};

} // namespace

std::unique_ptr<ExportWriter> MakeJsonlWriter(QIODevice* out) {
    return std::make_unique<JsonlWriter>(out);
}
