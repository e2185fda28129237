#include "OddNamesCatalogue.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFolder1 = u"q\"uote, comma"_s;
const QString kFolder4 = u"</script><sub> & \"deep\""_s;

} // namespace

QList<OddNamesCatalogue::Row> OddNamesCatalogue::rows() {
    const QString f1 = u'/' + kFolder1;
    const QString f4 = f1 + u'/' + kFolder4;
    return {
        {1,
         f1,
         kFolder1,
         true,
         10,
         10 + 2147483647LL,
         u"2023-12-31 23:59:59"_s,
         u"Directory"_s,
         {},
         {},
         {}},
        {2, f1 + u"/tab\there.txt"_s, u"tab\there.txt"_s, false, 4, 4, u"2024-01-02 03:04:05"_s,
         u"Read-only, Archive"_s, u"k1, k2"_s, u"<b>&amp;</b>"_s, u"line1\r\nline2 \"q\""_s},
        {3,
         f1 + u"/line\nbreak.txt"_s,
         u"line\nbreak.txt"_s,
         false,
         6,
         6,
         {},
         u"Archive"_s,
         {},
         {},
         {}},
        {4, f4, kFolder4, true, 2147483647, 2147483647, {}, u"Directory"_s, {}, {}, {}},
        {5,
         f4 + u"/bad\\xFF\\xFEname"_s,
         u"bad\\xFF\\xFEname"_s,
         false,
         2147483647,
         2147483647,
         {},
         u"Archive"_s,
         {},
         {},
         {}},
        {6,
         u"/emoji \U0001F3B5 é ,\"x\".txt"_s,
         u"emoji \U0001F3B5 é ,\"x\".txt"_s,
         false,
         0,
         0,
         {},
         u"None"_s,
         {},
         {},
         {}},
        {7, u"/empty"_s, u"empty"_s, true, 0, 0, {}, u"Directory"_s, {}, {}, {}},
    };
}

OddNamesCatalogue::OddNamesCatalogue() {
    addImage(1, imageName());
    const qint32 parents[] = {0, 1, 1, 1, 4, 0, 0};
    const int attribs[] = {16, 33, 32, 16, 32, 0, 16};
    int k = 0;
    for (const Row& r : rows()) {
        Item i;
        i.id = r.id;
        i.parentId = parents[k];
        i.type = r.folder ? 0 : 1;
        i.name = r.name;
        i.attrib = attribs[k++];
        i.size = r.size;
        if (!r.modified.isEmpty())
            i.timeM = r.modified;
        if (!r.keywords.isEmpty())
            i.keywords = r.keywords;
        if (!r.description.isEmpty())
            i.description = r.description;
        if (!r.comment.isEmpty())
            i.comment = r.comment;
        addItem(1, i);
    }
    addImage(2, u"Other"_s);
    Item root;
    root.id = 0;
    root.parentId = -1;
    root.type = 0;
    root.name = QString();
    addItem(2, root);
    Item file;
    file.id = 1;
    file.name = u"tab\there.txt"_s;
    file.size = 4;
    addItem(2, file);
}
