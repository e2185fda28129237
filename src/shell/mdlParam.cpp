#include "shell/mdlParam.h"

void ParamList::ParseParams(const QString& commandLine) {
    m_params.clear();
    if (commandLine.isEmpty())
        return;

    // The closing "/" ends the last segment like any other.
    const QString text = commandLine + QLatin1Char('/');
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype slash = text.indexOf(QLatin1Char('/'), start);
        const bool afterSlash = start > 0;
        const QString segment = text.mid(start, slash - start).trimmed();
        start = slash + 1;
        if (segment.isEmpty())
            continue;

        const qsizetype colon = segment.indexOf(QLatin1Char(':'));
        const qsizetype equals = segment.indexOf(QLatin1Char('='));
        qsizetype separator = colon;
        if (separator < 0 || (equals >= 0 && equals < separator))
            separator = equals;

        Param param;
        if (separator >= 0) {
            param.name = segment.left(separator).toLower();
            param.value = segment.mid(separator + 1);
        } else if (afterSlash) {
            param.name = segment.toLower();
        } else {
            param.value = segment;
        }
        m_params.append(param);
    }
}

bool ParamList::HasParam(const QString& name) const {
    const QString wanted = name.trimmed().toLower();
    for (const Param& param : m_params) {
        if (param.name == wanted)
            return true;
    }
    return false;
}
