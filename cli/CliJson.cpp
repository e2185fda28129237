#include "CliJson.h"

#include "export/ExportWriter.h"

void CliJson::key(const char* name) {
    if (m_text.size() > 1)
        m_text += ',';
    m_text += JsonString(QString::fromUtf8(name)) + ':';
}

CliJson& CliJson::add(const char* name, const QString& text) {
    key(name);
    m_text += JsonString(text);
    return *this;
}

CliJson& CliJson::add(const char* name, qint64 number) {
    key(name);
    m_text += QByteArray::number(number);
    return *this;
}

CliJson& CliJson::addBool(const char* name, bool value) {
    key(name);
    m_text += value ? "true" : "false";
    return *this;
}

CliJson& CliJson::addNull(const char* name) {
    key(name);
    m_text += "null";
    return *this;
}

CliJson& CliJson::addRaw(const char* name, const QByteArray& json) {
    key(name);
    m_text += json;
    return *this;
}
