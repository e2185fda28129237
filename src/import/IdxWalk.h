#pragma once

#include <QString>

#include <functional>

// Walks the loaded index from a root folder (e.g. "C:\") the way the import does: each folder
// is listed completely, each name asked about with IdxGetAttr before the next listing, then its
// subfolders are walked in listing order. Iterative, so a deep index cannot exhaust the stack.
struct IdxWalkCounts {
    qint64 folders = 0;
    qint64 files = 0;
};

// visit, when given, gets each entry's folder path, name and folder flag in walk order.
using IdxWalkVisitor =
    std::function<void(const QString& folder, const QString& name, bool isFolder)>;
IdxWalkCounts IdxWalk(const QString& root, const IdxWalkVisitor& visit = {});
