#include "OddNamesCatalogue.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFolder1 = u"q\"uote, comma"_s;
const QString kFolder4 = u"</script><sub> & \"deep\""_s;
const QString kBad = u"bad\\xFF\\xFEname"_s;
const QString kEmoji = u"emoji \U0001F3B5 é ,\"x\".txt"_s;
const qint64 kMax = 2147483647;

} // namespace

QList<OddNamesCatalogue::Row> OddNamesCatalogue::rows() {
    const QString f1 = u'/' + kFolder1, f4 = f1 + u'/' + kFolder4, none;
    const QString dir = u"Directory"_s, archive = u"Archive"_s;
    return {
        {1, f1, kFolder1, true, 10, 10 + kMax, u"2023-12-31 23:59:59"_s, dir, none, none, none},
        {2, f1 + u"/tab\there.txt"_s, u"tab\there.txt"_s, false, 4, 4, u"2024-01-02 03:04:05"_s,
         u"Read-only, Archive"_s, u"k1, k2"_s, u"<b>&amp;</b>"_s, u"line1\r\nline2 \"q\""_s},
        {3, f1 + u"/line\nbreak.txt"_s, u"line\nbreak.txt"_s, false, 6, 6, none, archive, none,
         none, none},
        {4, f4, kFolder4, true, kMax, kMax, none, dir, none, none, none},
        {5, f4 + u'/' + kBad, kBad, false, kMax, kMax, none, archive, none, none, none},
        {6, u'/' + kEmoji, kEmoji, false, 0, 0, none, u"None"_s, none, none, none},
        {7, u"/empty"_s, u"empty"_s, true, 0, 0, none, dir, none, none, none},
    };
}

OddNamesCatalogue::OddNamesCatalogue() {
    addImage(1, imageName());
    const qint32 parents[] = {0, 1, 1, 1, 4, 0, 0};
    const int attribs[] = {16, 33, 32, 16, 32, 0, 16};
    int k = 0;
    // Empty texts are stored as NULL, as the scan leaves them.
    auto orNull = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    for (const Row& r : rows()) {
        addItem(1, {.id = r.id,
                    .parentId = parents[k],
                    .type = r.folder ? 0 : 1,
                    .name = r.name,
                    .attrib = attribs[k++],
                    .size = r.size,
                    .timeM = orNull(r.modified),
                    .keywords = orNull(r.keywords),
                    .description = orNull(r.description),
                    .comment = orNull(r.comment)});
    }
    addImage(2, u"Other"_s);
    addItem(2, {.id = 0, .parentId = -1, .type = 0, .name = QString()});
    addItem(2, {.id = 1, .name = u"tab\there.txt"_s, .size = 4});
}
