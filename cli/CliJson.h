#pragma once

#include <QByteArray>
#include <QString>

// One JSON object, written on one line for the --json output of the reading verbs. Texts are
// escaped by JSON alone: names come out exactly as stored.
class CliJson {
public:
    CliJson& add(const char* name, const QString& text);
    CliJson& add(const char* name, qint64 number);
    CliJson& add(const char* name, int number) { return add(name, qint64(number)); }
    CliJson& addBool(const char* name, bool value);
    CliJson& addNull(const char* name);
    // A value written as it is: a nested object or array already in JSON.
    CliJson& addRaw(const char* name, const QByteArray& json);

    QByteArray object() const { return m_text + '}'; }
    // The object and a line feed, as UTF-8 text.
    QString line() const { return QString::fromUtf8(object()) + u'\n'; }

private:
    void key(const char* name);
    QByteArray m_text = "{";
};
