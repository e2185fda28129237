#include "import/IdxWalk.h"

#include "import/mdlImportMarlovex.h"

#include <QStringList>

#include <vector>

IdxWalkCounts IdxWalk(const QString& root, const IdxWalkVisitor& visit) {
    IdxStartWalk();
    IdxWalkCounts counts;
    std::vector<QString> pending{root};
    while (!pending.empty()) {
        const QString folder = pending.back();
        pending.pop_back();
        QStringList subfolders;
        for (QString name = IdxDir(folder, 22); !name.isEmpty(); name = IdxDir(QString(), 0)) {
            const bool isFolder = IdxGetAttr(folder + name) & kIdxAttrFolder;
            if (isFolder) {
                ++counts.folders;
                subfolders.append(folder + name + u'\\');
            } else {
                ++counts.files;
            }
            if (visit)
                visit(folder, name, isFolder);
        }
        for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it)
            pending.push_back(*it);
    }
    return counts;
}
