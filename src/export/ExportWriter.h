#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

enum class ExportFormat { Csv, Html, Jsonl };

// "csv", "html" or "jsonl" (any letter case); false for anything else.
bool ParseExportFormat(const QString& text, ExportFormat* format);
// The file name extension of a format, without the dot.
QString ExportFormatSuffix(ExportFormat format);

// What a file says about where its rows come from, before the rows.
struct ExportFacts {
    QString title;                        // the image's name, or what the rows are
    QList<QPair<QString, QString>> facts; // label and text, in order
    bool severalImages = false;           // rows from more than one image carry its name
    qint32 rootId = 0;                    // the folder whose contents are written (0 the root)
    QString rootPath = QStringLiteral("/");
};

// One folder or file as it is written.
struct ExportItem {
    qint32 imageId = 0;
    QString imageName;
    qint32 id = 0;
    qint32 parentId = 0;
    bool folder = false;
    QString path; // the item's own path within its image, beginning with "/"
    QString name;
    qint64 size = 0;     // as stored: for a folder, the files directly in it
    qint64 treeSize = 0; // for a folder, everything below it; for a file its size
    QString modified;    // as stored, "yyyy-MM-dd hh:mm:ss", or empty
    qint64 attrib = 0;
    QString keywords;
    QString description;
    QString comment;
};

// Writes one export file. Output is collected and handed to the device in large blocks; a
// failing device is remembered and reported by finish().
class ExportWriter {
public:
    explicit ExportWriter(QIODevice* out) : m_out(out) {}
    virtual ~ExportWriter() = default;
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    // Whether item() looks at ExportItem::path (building paths costs time on large images).
    virtual bool needsPaths() const { return true; }
    virtual void begin(const ExportFacts& facts) = 0;
    virtual void item(const ExportItem& item) = 0;
    // Writes what is left; false when the device refused any of it.
    bool finish();

protected:
    // What a format writes after the last item (a closing part); nothing by default.
    virtual void end() {}
    void put(const QByteArray& bytes);
    void put(const char* text);
    void put(const QString& text);

private:
    void flush();

    QIODevice* m_out;
    QByteArray m_buffer;
    bool m_failed = false;
};

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, QIODevice* out);
std::unique_ptr<ExportWriter> MakeCsvWriter(QIODevice* out);
std::unique_ptr<ExportWriter> MakeJsonlWriter(QIODevice* out);
std::unique_ptr<ExportWriter> MakeHtmlWriter(QIODevice* out);

// Text as a JSON string literal, quotes included. With forHtml, "<", ">" and "&" are written as
// \u escapes too, so the literal can sit inside an HTML script element.
QByteArray JsonString(const QString& text, bool forHtml = false);
// The CSV field for a text: quoted, with inner quotes doubled, when it holds a quote, a comma or
// a line break.
QByteArray CsvField(const QString& text);
