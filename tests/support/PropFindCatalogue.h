#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A real catalogue file in a temporary folder, opened as the process's one catalogue, with
// helpers that write rows the way the scan and the import do.
class PropFindCatalogue {
public:
    // Points the settings at the temporary folder (before any settings use) and makes the file.
    PropFindCatalogue();
    ~PropFindCatalogue();

    bool isOpen() const;
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    // Re-opens the file, read-only or writable.
    bool reopen(bool readOnly);
    void close();

    void addImage(qint32 id, const QString& name, const QVariant& type = 3,
                  const QString& date = QStringLiteral("2024-03-05 14:07:09"));
    struct Item {
        qint32 id = 0;
        qint32 parentId = 0;
        QVariant type = 1;
        QString name = {};
        QVariant msdosName = {};
        QVariant attrib = 32;
        QVariant size = {};
        QVariant timeC = {}, timeA = {}, timeM = {};
        QVariant keywords = {}, description = {}, comment = {};
    };
    void addItem(qint32 imageId, const Item& item);
    // The stored value of one column of an item.
    QVariant itemValue(qint32 imageId, qint32 itemId, const char* column) const;
    QVariant imageValue(qint32 imageId, const char* column) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};
