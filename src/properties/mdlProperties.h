#pragma once

#include "catalogue/Engine.h"
#include "catalogue/mdlDatabase.h"

#include <QList>
#include <QString>

#include <optional>

// One line of a properties dialog: the control, the label it shows and the text in it. The
// dialogs fill themselves from these lists and the command line prints them, so both show the
// same texts.
struct PropField {
    QString control;
    QString label;
    QString text;
};

// The drive kind text of Images.Type.
QString ImageTypeText(qint64 type);
// A stored date-time ("yyyy-MM-dd hh:mm:ss") as the user's locale writes a date and a time with
// seconds; text that is not a date-time is shown as stored.
QString GeneralDateText(const QString& stored);

// Column widths the dialogs enforce before the engine would refuse.
constexpr int kImageNameMax = 64;
constexpr int kItemKeywordsMax = 64;
constexpr int kItemDescriptionMax = 128;
constexpr int kItemNameMax = kItemNameChars;

struct ImageProperties {
    QString name;
    QString label;
    QString type;
    QString fileSystem;
    QString serial;
    QString date;
    QString source;
    QString comment;

    QList<PropField> fields() const;
};

enum class ReadResult { Found, Missing, Failed };

// Reads one image; Failed leaves the engine's error in *message.
ReadResult ReadImageProperties(Database& db, qint32 imageId, ImageProperties* out,
                               QString* message);
// Empty when the name can be stored, else the reason to tell the user.
QString CheckImageName(const QString& name);
// Stores the name and comment as typed. False with a message for the user when the name is
// refused, the catalogue is read-only, the image is gone or the engine fails.
bool StoreImageProperties(Database& db, qint32 imageId, const QString& name, const QString& comment,
                          QString* message);

struct ItemProperties {
    qint32 parentId = 0;
    qint32 type = 0;
    QString image;
    QString storedName; // Items.Name as stored
    QString name;       // as the dialog shows it: the title of an audio track
    QString path;       // the item's folder within its image
    QString msdosName;
    QString size;
    QString timeC;
    QString timeM;
    QString timeA;
    QString attributes;
    QString keywords;
    QString description;
    QString comment;
    // Audio CD tracks ("Track05.cda", "05: Intro.cda") carry their two-digit number here and
    // get an editable title; empty for every other item.
    QString trackNumber;

    bool isTrack() const { return !trackNumber.isEmpty(); }
    QList<PropField> fields() const;
};

ReadResult ReadItemProperties(Database& db, qint32 imageId, qint32 itemId, ItemProperties* out,
                              QString* message);

// The number and the title shown for a stored track name; false when it is not a track's name.
bool SplitTrackName(const QString& storedName, QString* number, QString* title);
// The name a track is stored under: "05: Intro.cda".
QString TrackStoredName(const QString& number, const QString& title);

struct ItemEdits {
    QString keywords;
    QString description;
    QString comment;
    // Set for an audio track: the title to store with the track number.
    std::optional<QString> trackName;
};

// Stores the user fields of an item (and a track's new name). False with a message for the user
// when the catalogue is read-only, the item is gone or the engine refuses the values.
bool StoreItemProperties(Database& db, qint32 imageId, qint32 itemId, const ItemEdits& edits,
                         QString* message);
