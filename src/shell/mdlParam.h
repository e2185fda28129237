#pragma once

#include <QList>
#include <QString>

// Command-line switches: "/name", "/name:value", "/name=value"; a first segment before any "/"
// is a record with an empty name.
struct Param {
    QString name;
    QString value;
};

class ParamList {
public:
    void ParseParams(const QString& commandLine);
    bool HasParam(const QString& name) const;
    const QList<Param>& params() const { return m_params; }

private:
    QList<Param> m_params;
};
