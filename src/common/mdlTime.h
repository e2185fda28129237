#pragma once

#include <QString>
#include <QStringList>

// Joins the non-empty values with the separator.
QString JoinText(const QStringList& values, const QString& separator);

// Duration texts. The start moment is taken from a monotonic clock, so a run across midnight
// still shows its true duration. Formats use these pattern letters:
// "hh" hours, "nn" minutes, "ss" seconds (two digits each), e.g. "nn:ss" or "hh:nn:ss".
class DurationTimer {
public:
    // Sets the start moment to now.
    void StartTimer();
    // Time since the start moment.
    QString ElapsedText(const QString& format) const;
    // (seconds since start * b) / a: the projected duration of the whole run.
    QString ProjectedText(qint64 a, qint64 b, const QString& format) const;
    // Seconds since the start moment (whole seconds, rounded).
    qint64 ElapsedSeconds() const;
    // Moves the start moment msAgo milliseconds into the past, so tests need not wait.
    void setStartForTest(qint64 msAgo);

private:
    qint64 elapsedMs() const;

    qint64 m_startMs = 0;
};

// The time of day made of e whole seconds, in the format.
QString DurationText(qint64 seconds, const QString& format);
// end - start rounded to whole seconds, in the format.
QString SpanText(double startSeconds, double endSeconds, const QString& format);
