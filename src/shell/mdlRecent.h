#pragma once

#include <QString>
#include <QStringList>

// The recently opened catalogues, most recent first, at most 16; entries compare equal after
// trimming blanks and ignoring letter case.
class RecentList {
public:
    static constexpr int kMaxEntries = 16;
    static constexpr int kMaxShown = 9;

    void LoadRecent(const QString& keyPath);
    void AddRecent(const QString& path);
    void RemoveRecent(const QString& path);
    void SaveRecent() const;

    const QStringList& entries() const { return m_entries; }
    QString key() const { return m_key; }

private:
    int find(const QString& path) const;

    QStringList m_entries;
    QString m_key;
};

// The process-wide recent list.
RecentList& recentList();

// The menu caption of the entry at position n (1-based): "&n " prefix, path shortened to its
// last 32 characters from a "/" on.
QString RecentCaption(int position, const QString& path);
