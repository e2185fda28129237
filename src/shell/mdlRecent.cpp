#include "shell/mdlRecent.h"

#include "shell/mdlRegistry.h"

namespace {

// Captions longer than this are cut at a folder boundary.
constexpr int kCaptionLength = 32;

} // namespace

RecentList& recentList() {
    static RecentList instance;
    return instance;
}

int RecentList::find(const QString& path) const {
    const QString wanted = path.trimmed();
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void RecentList::LoadRecent(const QString& keyPath) {
    m_entries.clear();
    m_key = keyPath;
    for (int i = 0; i < kMaxEntries; ++i) {
        const QString path = GetRegString(keyPath, QString::number(i), QString());
        if (!path.isEmpty())
            m_entries.append(path);
    }
}

void RecentList::AddRecent(const QString& path) {
    const int index = find(path);
    if (index >= 0)
        m_entries.removeAt(index);
    m_entries.prepend(path);
    while (m_entries.size() > kMaxEntries)
        m_entries.removeLast();
}

void RecentList::RemoveRecent(const QString& path) {
    const int index = find(path);
    if (index >= 0)
        m_entries.removeAt(index);
}

void RecentList::SaveRecent() const {
    const RegWriteBatch batch;
    for (int i = 0; i < kMaxEntries; ++i)
        DeleteRegValue(m_key, QString::number(i));
    for (int i = 0; i < m_entries.size(); ++i)
        SetRegString(m_key, QString::number(i), m_entries.at(i));
}

QString RecentCaption(int position, const QString& path) {
    QString prefix;
    if (position >= 1 && position <= 9)
        prefix = QLatin1Char('&') + QString::number(position) + QLatin1Char(' ');
    else if (position == 10)
        prefix = QStringLiteral("1&0 ");

    if (path.size() <= kCaptionLength)
        return prefix + path;
    const QString tail = path.right(kCaptionLength);
    const qsizetype slash = tail.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return prefix + path;
    return prefix + QStringLiteral("..") + tail.mid(slash);
}
