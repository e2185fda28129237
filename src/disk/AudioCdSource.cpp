#include "AudioCdSource.h"

#include "platform/mdlDirList.h"
#include "platform/mdlVolume.h"

AudioCdSource::AudioCdSource(TocSource& toc, const QString& source, const QString& device)
    : m_tocSource(toc), m_source(source), m_device(device) {}

bool AudioCdSource::readVolume(VolumeFacts& facts) {
    m_toc = m_tocSource.readToc();
    if (!m_toc || !HasAudioTracks(*m_toc))
        return false;
    facts.label = QStringLiteral("Audio CD");
    facts.fileSystem = QStringLiteral("CDDA");
    facts.serial = SerialFromToc(*m_toc);
    facts.typeCode = DriveType::AudioCd;
    facts.source = m_source;
    facts.device = m_device;
    facts.place.clear();
    return true;
}

bool AudioCdSource::openRoot() {
    m_atRoot = true;
    if (!m_toc)
        m_toc = m_tocSource.readToc();
    return m_toc.has_value();
}

bool AudioCdSource::enter(std::string_view) {
    m_atRoot = false;
    return false;
}

bool AudioCdSource::list(const ListRequest& request, TreeEntrySink& sink) {
    if (!m_atRoot || !m_toc)
        return false;
    for (qsizetype i = 0; i < m_toc->tracks.size(); ++i) {
        const CdTocTrack& track = m_toc->tracks.at(i);
        if (!track.audio)
            continue;
        const QByteArray name = TrackFileName(track.number).toUtf8();
        const QByteArray shortName = name.toUpper();
        TreeEntry e;
        e.name = std::string_view(name.constData(), size_t(name.size()));
        e.key = e.name;
        if (request.details) {
            e.size = TrackBytes(*m_toc, i);
            e.attrib = Attrib::ReadOnly;
            if (request.msdosNames)
                e.msdosName = std::string_view(shortName.constData(), size_t(shortName.size()));
        }
        if (!sink.entry(e))
            return false;
    }
    return true;
}
