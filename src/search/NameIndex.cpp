#include "search/NameIndex.h"

namespace NameIndex {

bool addImage(Database&, qint32, EngineError*) {
    return true;
}

bool removeImage(Database&, qint32, EngineError*) {
    return true;
}

} // namespace NameIndex
