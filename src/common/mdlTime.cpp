#include "mdlTime.h"

#include <chrono>
#include <cmath>

namespace {

qint64 nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString twoDigits(int n) {
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

QString JoinText(const QStringList& values, const QString& separator) {
    QString text;
    bool first = true;
    for (const QString& value : values) {
        if (value.isEmpty())
            continue;
        if (!first)
            text += separator;
        text += value;
        first = false;
    }
    return text;
}

void DurationTimer::StartTimer() {
    m_startMs = nowMs();
}

qint64 DurationTimer::elapsedMs() const {
    return nowMs() - m_startMs;
}

qint64 DurationTimer::ElapsedSeconds() const {
    return std::llround(double(elapsedMs()) / 1000.0);
}

void DurationTimer::setStartForTest(qint64 msAgo) {
    m_startMs = nowMs() - msAgo;
}

QString DurationTimer::ElapsedText(const QString& format) const {
    return DurationText(ElapsedSeconds(), format);
}

QString DurationTimer::ProjectedText(qint64 a, qint64 b, const QString& format) const {
    if (a == 0)
        return DurationText(0, format);
    const qint64 scaled = std::llround(double(elapsedMs()) / 1000.0 * double(b));
    return DurationText(scaled / a, format);
}

QString DurationText(qint64 seconds, const QString& format) {
    // Shown as a time of day, so whole days drop out and a negative span counts back from
    // midnight.
    const qint64 day = 24 * 3600;
    const int t = int(((seconds % day) + day) % day);
    const int h = t / 3600;
    const int n = (t % 3600) / 60;
    const int s = t % 60;

    QString text;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i).toLower();
        int field;
        if (c == u'h')
            field = h;
        else if (c == u'n')
            field = n;
        else if (c == u's')
            field = s;
        else {
            text += format.at(i);
            continue;
        }
        const bool doubled = i + 1 < format.size() && format.at(i + 1).toLower() == c;
        if (doubled) {
            text += twoDigits(field);
            ++i;
        } else {
            text += QString::number(field);
        }
    }
    return text;
}

QString SpanText(double startSeconds, double endSeconds, const QString& format) {
    // Halves go to the even second.
    return DurationText(qint64(std::nearbyint(endSeconds - startSeconds)), format);
}
