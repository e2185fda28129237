#pragma once

#include "catalogue/Engine.h"

// The catalogue's name index, which lets Find answer substring and wildcard searches without
// reading every name. Its entries are written in the same transaction as the rows they cover, so
// an image and its index entries appear and vanish together.
namespace NameIndex {

// Index every item of one image. Call inside the transaction that wrote the image's rows.
bool addImage(Database& db, qint32 imageId, EngineError* error = nullptr);

// Drop one image's entries. Call inside the transaction that deletes or rewrites the image.
bool removeImage(Database& db, qint32 imageId, EngineError* error = nullptr);

} // namespace NameIndex
