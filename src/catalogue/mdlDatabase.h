#pragma once

#include "catalogue/Engine.h"

#include <QString>

// The one open catalogue of the process.
struct OpenCatalogueState {
    Database db;
    QString path;          // empty while none is open
    bool readOnly = false; // opened read-only
};

OpenCatalogueState& catalogue();
inline Database& db() {
    return catalogue().db;
}

// Catalogue format marks.
constexpr int kCatalogueApplicationId = 0x4C647261; // "Ldra"
constexpr int kCatalogueSchemaVersion = 2;

// Width of Items.Name: the longest stored form of a file name (255 bytes, each written as four
// characters when it is not text). Catalogues of format 1 kept 128.
constexpr int kItemNameChars = 1020;

// The statement that makes the Items table under the given name.
QString ItemsTableStatement(const QString& table);

void SetDatabaseName(const QString& path);
// 0 opened and probed, -1 newly built, else the engine error number that ended the attempt.
qint32 OpenVerifiedDatabase(bool creationAllowed, bool readOnly);
// 0 on success, else the engine error number.
qint32 CreateNewDatabase();
void CloseDatabase();

// The tables of the name index (kept by the search), made when missing. A catalogue from before
// the index gets them empty, which marks each of its images as not indexed yet.
bool CreateNameIndexTables(Database& d, EngineError* error = nullptr);

// Work another layer attaches to a writable open (indexing what is not indexed yet, showing its
// progress in the main window's status bar when there is one) and to a compaction (rebuilding
// what depends on row numbers). Empty until set; the layer that keeps the index sets them.
class MainView;
class Ui;
using CatalogueHook = void (*)(Database& d, Ui* ui, MainView* view);
CatalogueHook& WritableOpenHook();
CatalogueHook& CompactedHook();

// One image's name index entries, dropped in the caller's transaction when its rows go.
bool DropNameIndexEntries(Database& d, qint32 imageId, EngineError* error = nullptr);
// Indexes the rows of an image just written, in the writer's transaction; set by the layer that
// keeps the index. While unset a new image has no entries, and Find reads its names instead.
using ImageIndexHook = bool (*)(Database& d, qint32 imageId, EngineError* error);
ImageIndexHook& ImageWrittenHook();

// MAX(ID)+1 of "Nodes" or "Images"; 1 for an empty table.
qint32 NewID(const QString& table);

// The engine's description of the last error, for "Database error number N." messages.
QString LastErrorDescription();
