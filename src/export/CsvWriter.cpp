#include "ExportWriter.h"

#include "common/mdlConvert.h"

namespace {

// RFC 4180: a header row, fields separated by commas, records ended by CR LF. The byte order
// mark makes spreadsheet programs read the file as UTF-8.
class CsvWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    void begin(const ExportFacts& facts) override {
        m_severalImages = facts.severalImages;
        put("\xEF\xBB\xBF");
        if (m_severalImages)
            put("image,");
        put("path,name,type,size,modified,attributes,keywords,description,comment\r\n");
    }

    void item(const ExportItem& i) override {
        QByteArray line;
        if (m_severalImages)
            line += CsvField(i.imageName) + ',';
        line += CsvField(i.path) + ',' + CsvField(i.name) + ',' + (i.folder ? "folder," : "file,") +
                QByteArray::number(i.size) + ',' + CsvField(i.modified) + ',' +
                CsvField(FlagsText(i.attrib, AttributeNames())) + ',' + CsvField(i.keywords) + ',' +
                CsvField(i.description) + ',' + CsvField(i.comment) + "\r\n";
        put(line);
    }

private:
    bool m_severalImages = false;
};

} // namespace

std::unique_ptr<ExportWriter> MakeCsvWriter(QIODevice* out) {
    return std::make_unique<CsvWriter>(out);
}
