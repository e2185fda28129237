#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary home for a test: settings, documents and runtime folders inside one temporary
// folder, set in the environment before anything asks for them.
class TestHome {
public:
    TestHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// Writes bytes to a file, making its folder; false when it cannot.
bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);
