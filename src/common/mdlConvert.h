#pragma once

#include <QString>
#include <QStringList>

// Size text: bytes below 1024, else KB, MB or GB; decimals -1 = automatic, 0 or more fixed.
// The user's regional decimal separator is used; no digit grouping.
QString SizeText(qint64 size, int decimals = -1);

// Names of the set bits of a flag value, joined by ", "; names[0] for a value below 1.
QString FlagsText(qint64 value, const QStringList& names);

// The names FlagsText uses for Items.Attrib.
const QStringList& AttributeNames();

// major.minor(2 digits).revision(4 digits), e.g. 1.00.0025.
QString VersionText(int major, int minor, int revision);
