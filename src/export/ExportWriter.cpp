#include "ExportWriter.h"

namespace {
// Output is handed to the device in blocks of this size.
constexpr qsizetype kBlock = 1 << 20;
} // namespace

bool ParseExportFormat(const QString& text, ExportFormat* format) {
    const QString t = text.toLower();
    if (t == QLatin1String("csv"))
        *format = ExportFormat::Csv;
    else if (t == QLatin1String("html"))
        *format = ExportFormat::Html;
    else if (t == QLatin1String("jsonl"))
        *format = ExportFormat::Jsonl;
    else
        return false;
    return true;
}

QString ExportFormatSuffix(ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv:
        return QStringLiteral("csv");
    case ExportFormat::Html:
        return QStringLiteral("html");
    case ExportFormat::Jsonl:
        return QStringLiteral("jsonl");
    }
    return {};
}

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, QIODevice* out) {
    switch (format) {
    case ExportFormat::Csv:
        return MakeCsvWriter(out);
    case ExportFormat::Html:
        return MakeHtmlWriter(out);
    case ExportFormat::Jsonl:
        return MakeJsonlWriter(out);
    }
    return nullptr;
}

bool ExportWriter::finish() {
    end();
    flush();
    return !m_failed;
}

void ExportWriter::put(const QByteArray& bytes) {
    m_buffer += bytes;
    if (m_buffer.size() >= kBlock)
        flush();
}

void ExportWriter::put(const char* text) {
    m_buffer += text;
    if (m_buffer.size() >= kBlock)
        flush();
}

void ExportWriter::put(const QString& text) {
    put(text.toUtf8());
}

void ExportWriter::flush() {
    if (!m_failed && !m_buffer.isEmpty() && m_out->write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
}

QByteArray JsonString(const QString& text, bool forHtml) {
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            continue;
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        if (c < 0x20 || (forHtml && (c == '<' || c == '>' || c == '&'))) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

QByteArray CsvField(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains('"') && !utf8.contains(',') && !utf8.contains('\n') && !utf8.contains('\r'))
        return utf8;
    utf8.replace("\"", "\"\"");
    return '"' + utf8 + '"';
}
