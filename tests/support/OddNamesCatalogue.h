#pragma once

#include "PropFindCatalogue.h"

#include <QList>
#include <QString>

// A catalogue whose names hold everything a file format can trip over: quotes, commas, tabs,
// line breaks, "<", "&", a name read from a disk as bytes that are not UTF-8 (stored with \x
// escapes), characters beyond the first plane. Image 1 holds the odd names, image 2 an
// imported-style root row and one file.
class OddNamesCatalogue : public PropFindCatalogue {
public:
    OddNamesCatalogue();

    static QString imageName() { return QStringLiteral("Disk \"A\", <1> & co"); }

    // One item of image 1 as every export must give it back.
    struct Row {
        qint32 id;
        QString path;
        QString name;
        bool folder;
        qint64 size;
        qint64 treeSize;
        QString modified;
        QString attributes;
        QString keywords;
        QString description;
        QString comment;
    };
    // In the order written.
    static QList<Row> rows();
};
