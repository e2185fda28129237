#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary home, settings and runtime folders, set in the environment before any use.
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

// One run of ledra-cli (or another program); code -1 when it did not end within a minute.
// fileSizeLimit > 0: as on a disk with that much room for any one file.
struct CliRun {
    int code = -1;
    QString out, err;
};
CliRun runCli(const QStringList& args, qint64 fileSizeLimit = 0,
              const QString& program = QStringLiteral(LEDRA_CLI));
