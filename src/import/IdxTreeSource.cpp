#include "import/IdxTreeSource.h"

#include "import/mdlImportMarlovex.h"

QString IdxTreeSource::rootPath() {
    return IdxStartDrive() + QStringLiteral(":\\");
}

bool IdxTreeSource::readVolume(VolumeFacts& facts) {
    facts.label = IdxDiskLabel();
    facts.serialText = IdxSerial();
    facts.serial = 0;
    facts.fileSystem = IdxFileSystem();
    facts.typeCode = IdxDiskType();
    facts.source = rootPath().left(2);
    facts.device.clear();
    return true;
}

bool IdxTreeSource::openRoot() {
    IdxStartWalk();
    m_path = rootPath();
    m_parents.clear();
    return true;
}

bool IdxTreeSource::enter(std::string_view key) {
    m_parents.push_back(m_path.size());
    m_path += QString::fromUtf8(key.data(), qsizetype(key.size()));
    m_path += u'\\';
    return true;
}

void IdxTreeSource::leave() {
    if (m_parents.empty())
        return;
    m_path.truncate(m_parents.back());
    m_parents.pop_back();
}

bool IdxTreeSource::list(const ListRequest& /*request*/, TreeEntrySink& sink) {
    // The sink only records and pauses; it never calls the reader, so each name can be asked
    // about before the listing moves on, as IdxGetAttr requires.
    for (QString name = IdxDir(m_path, 22); !name.isEmpty(); name = IdxDir(QString(), 0)) {
        m_name = name.toUtf8();
        TreeEntry e;
        e.name = std::string_view(m_name.constData(), size_t(m_name.size()));
        e.key = e.name;
        e.attrib = quint32(IdxGetAttr(m_path + name));
        e.isFolder = (e.attrib & kIdxAttrFolder) != 0;
        e.size = 0;
        if (!sink.entry(e))
            return false;
    }
    return true;
}

QString IdxTreeSource::walkFailure() const {
    if (!IdxListingCut())
        return {};
    return QStringLiteral("The folder %1 could not be listed: the index repeats its folders so "
                          "often that its listing grows without end. Nothing was imported.")
        .arg(IdxListingCutFolder());
}
