#include "mdlTrim.h"

#include <limits>

QString CutAtNull(const QString& text) {
    const qsizetype at = text.indexOf(QChar(u'\0'));
    return at < 0 ? text : text.left(at);
}

qint32 KeyToID(const QString& key) {
    if (key.isEmpty())
        return 0;
    bool ok = false;
    const qint32 id = key.mid(1).toInt(&ok);
    return ok ? id : 0;
}

QString TextAfterLast(const QString& text, const QString& separator) {
    if (separator.isEmpty())
        return QString();
    const qsizetype at = text.lastIndexOf(separator);
    return at < 0 ? QString() : text.mid(at + separator.size());
}

QString NullToText(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

qint32 NullToLong(const QVariant& value) {
    if (value.isNull())
        return 0;
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    // A number that does not fit is as unreadable as text.
    if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
        return 0;
    return qint32(n);
}

qint64 NullToSize(const QVariant& value) {
    if (value.isNull())
        return 0;
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    return ok ? n : 0;
}
