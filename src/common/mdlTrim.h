#pragma once

#include <QString>
#include <QVariant>

// The text before the first NUL, or the whole text.
QString CutAtNull(const QString& text);
// "N12" gives 12; the empty text or a single letter gives 0.
qint32 KeyToID(const QString& key);
// The text after the last separator; empty when it does not occur.
QString TextAfterLast(const QString& text, const QString& separator);
// Null (or unconvertible) field values read as "" and 0.
QString NullToText(const QVariant& value);
qint32 NullToLong(const QVariant& value);
qint64 NullToSize(const QVariant& value);
