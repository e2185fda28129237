#pragma once

#include <QList>
#include <QString>

#include <functional>

class Database;

// Files are taken for copies of each other when name (exactly, letter case counts) and size
// agree; folders never are.

struct FileCopy {
    qint32 imageId = 0;
    QString imageName;
    qint32 itemId = 0;
    qint32 parentId = 0;
    QString path; // within the image, beginning with "/"
};

// Files of one name and size held more than once, on several images or within one.
struct DuplicateGroup {
    QString name;
    qint64 size = 0;
    QList<FileCopy> copies; // by image ID, then item ID
};

// Hands each group to found, largest size first (then by name), keeping only the group at hand
// in memory. Files smaller than minSize are left out. False with a message when the engine fails.
bool FindDuplicates(Database& db, qint64 minSize,
                    const std::function<void(const DuplicateGroup&)>& found, QString* message);

// One file of an image.
struct ImageFile {
    qint32 itemId = 0;
    qint32 parentId = 0;
    QString name;
    qint64 size = 0;
    QString path;
};

// The files of an image that no other image holds under the same name and size (copies within
// the image itself do not count): what is lost if that disk is lost. In the image's walk order.
// False with a message for an unknown image or an engine failure.
bool FindSingleCopies(Database& db, qint32 imageId,
                      const std::function<void(const ImageFile&)>& found, QString* message);
