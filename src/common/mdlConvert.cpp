#include "mdlConvert.h"

#include <QLocale>

namespace {

// q / d to the nearest whole number, halves to the even neighbour (q, d >= 0).
qint64 divideHalfEven(qint64 q, qint64 d) {
    const qint64 whole = q / d;
    const qint64 rest = q % d;
    if (2 * rest > d || (2 * rest == d && whole % 2 != 0))
        return whole + 1;
    return whole;
}

qint64 powerOfTen(int n) {
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// A non-negative fixed-point number (scaled by 10^scale) with the locale's digits and decimal
// separator, without grouping.
QString fixedText(qint64 scaled, int scale, int decimals) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    const qint64 factor = powerOfTen(scale);
    QString text = locale.toString(scaled / factor);
    if (decimals > 0) {
        QString fraction = locale.toString(scaled % factor);
        const QString zero = locale.zeroDigit();
        while (fraction.size() < scale * zero.size())
            fraction.prepend(zero);
        for (int i = scale; i < decimals; ++i)
            fraction.append(zero);
        text += locale.decimalPoint() + fraction;
    }
    return text;
}

} // namespace

QString SizeText(qint64 size, int decimals) {
    static constexpr qint64 KB = 1024;
    static constexpr qint64 MB = KB * 1024;
    static constexpr qint64 GB = MB * 1024;

    // Terabytes stay in GB, as they always have on screen.
    qint64 unit = 1;
    QString unitName;
    if (size >= GB) {
        unit = GB;
        unitName = QStringLiteral("GB");
    } else if (size >= MB) {
        unit = MB;
        unitName = QStringLiteral("MB");
    } else if (size >= KB) {
        unit = KB;
        unitName = QStringLiteral("KB");
    } else {
        return QString::number(size) + QStringLiteral(" bytes");
    }

    // Value to four decimals, computed in whole numbers so that large sizes lose nothing.
    const qint64 value4 = (size / unit) * 10000 + divideHalfEven((size % unit) * 10000, unit);

    int shown = decimals;
    if (shown < 0) {
        // The pattern is chosen on the four-decimal value: 99.9990 KB still gets one decimal.
        if (value4 >= 100 * 10000)
            shown = 0;
        else if (value4 >= 10 * 10000)
            shown = 1;
        else
            shown = 2;
    }

    QString number;
    if (shown >= 4) {
        number = fixedText(value4, 4, shown);
    } else {
        // Rounding to the pattern's decimals takes halves away from zero.
        const qint64 step = powerOfTen(4 - shown);
        const qint64 rounded = (value4 + step / 2) / step;
        number = fixedText(rounded, shown, shown);
    }
    return number + u' ' + unitName;
}

QString FlagsText(qint64 value, const QStringList& names) {
    if (value < 1)
        return names.value(0);
    QString text;
    for (int k = 0; k < 63 && (qint64(1) << k) <= value; ++k) {
        if (!(value & (qint64(1) << k)))
            continue;
        const QString name = names.value(k + 1);
        if (name.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        text += name;
    }
    return text;
}

const QStringList& AttributeNames() {
    // Position 4 is the volume-label bit, which has no name of its own.
    static const QStringList names{QStringLiteral("None"),
                                   QStringLiteral("Read-only"),
                                   QStringLiteral("Hidden"),
                                   QStringLiteral("System"),
                                   QString(),
                                   QStringLiteral("Directory"),
                                   QStringLiteral("Archive")};
    return names;
}

namespace {
// At least `width` digits, the sign in front of the padding.
QString padded(int n, int width) {
    const QString digits = QString::number(qAbs(qint64(n))).rightJustified(width, u'0');
    return n < 0 ? u'-' + digits : digits;
}
} // namespace

QString VersionText(int major, int minor, int revision) {
    return QString::number(major) + u'.' + padded(minor, 2) + u'.' + padded(revision, 4);
}
