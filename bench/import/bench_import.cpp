// Generates an index of 1,000,000 lines in 50,000 folders, then times loading it and walking
// every folder the way the import does. The reference is the plain listing that scans every
// body line for each folder, timed on a sample of folders and scaled to the whole walk.
// Last, the whole import of that index into a new catalogue through `ledra-cli import`, timed
// against its 30 s limit (ledra-cli is looked for beside this program and one folder up, or
// named by LEDRA_CLI).
#include "import/IdxWalk.h"
#include "import/Windows1252.h"
#include "import/mdlImportMarlovex.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kFolders = 50000;
constexpr int kLines = 1000000;

// Folder k > 0 sits in folder (k - 1) / 8; the lines come in walk order, a folder's files first,
// with a size and date tail on every file as the cataloguer writes them.
QByteArray generate(int* folderCount) {
    std::vector<std::vector<int>> children(kFolders);
    for (int k = 1; k < kFolders; ++k)
        children[static_cast<size_t>((k - 1) / 8)].push_back(k);
    std::vector<QByteArray> path(kFolders);
    path[0] = "C:\\";
    QByteArray out =
        "<disktype fixed\r\n<Serial 1a2b-3c4d\r\n<DiskLabel BENCH\r\n<StartDir C:\\\r\n";
    out.reserve(80 * kLines);
    int written = 0;
    int next = 0;
    std::vector<int> stack{0};
    while (!stack.empty()) {
        const int k = stack.back();
        stack.pop_back();
        const int files = k == 0 ? 0 : (kLines - written) / (kFolders - next);
        ++next;
        for (int f = 0; f < files; ++f) {
            out += path[static_cast<size_t>(k)] + "File" + QByteArray::number(f) +
                   (f % 3 ? ".txt" : ".DOC") + "/" + QByteArray::number(f * 977) +
                   " 2001-02-03 04:05:06\r\n";
        }
        written += files;
        const auto& kids = children[static_cast<size_t>(k)];
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
            path[static_cast<size_t>(*it)] = path[static_cast<size_t>(k)] +
                                             (*it % 2 ? "Folder" : "folder") +
                                             QByteArray::number(*it) + "\\";
            stack.push_back(*it);
        }
    }
    *folderCount = kFolders - 1;
    return out;
}

// The plain listing: every body line compared for each folder.
int plainListing(const QStringList& body, const QString& prefix) {
    int entries = 0;
    QString last;
    const QString lower = prefix.toLower();
    for (const QString& line : body) {
        if (line.size() < prefix.size() || line.left(prefix.size()).toLower() != lower)
            continue;
        const qsizetype p = line.indexOf(u'\\', prefix.size());
        const QString entry = p >= 0 ? line.left(p + 1) : line.section(u'/', 0, 0);
        if (entry != last) {
            ++entries;
            last = entry;
        }
    }
    return entries;
}

QString findCli() {
    const QString named = qEnvironmentVariable("LEDRA_CLI");
    if (!named.isEmpty())
        return named;
    const QDir here = QFileInfo(QFileInfo(u"/proc/self/exe"_s).symLinkTarget()).dir();
    for (const QString& candidate :
         {here.filePath(u"ledra-cli"_s), here.filePath(u"../ledra-cli"_s)}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

// Runs ledra-cli with its settings in dir; false (with what it said) when it fails.
bool runCli(const QString& cli, const QString& dir, const QStringList& args, QByteArray* out) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir);
    p.setProcessEnvironment(env);
    p.start(cli, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "ledra-cli %s failed: %s\n", qPrintable(args.join(u' ')),
                     p.readAllStandardError().constData());
        return false;
    }
    *out = p.readAllStandardOutput();
    return true;
}

} // namespace

int main() {
    QTemporaryDir dir;
    int folders = 0;
    const QByteArray data = generate(&folders);
    const QString file = dir.filePath(u"bench.idx"_s);
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    std::printf("index: %d lines, %d folders, %.1f MB\n", kLines, folders, data.size() / 1e6);

    QElapsedTimer t;
    t.start();
    QByteArray raw;
    {
        QFile f(file);
        if (f.open(QIODevice::ReadOnly))
            raw = f.readAll();
    }
    const double readSeconds = t.nsecsElapsed() / 1e9;

    t.restart();
    if (!IdxIsSupported(file) || !IdxLoad(file)) {
        std::fprintf(stderr, "the index did not load\n");
        return 1;
    }
    const double loadSeconds = t.nsecsElapsed() / 1e9;

    t.restart();
    QStringList sample;
    const IdxWalkCounts counts =
        IdxWalk(IdxStartDrive() + u":\\"_s,
                [&sample](const QString& folder, const QString& name, bool isFolder) {
                    if (isFolder && sample.size() < 10)
                        sample << folder + name + u'\\';
                });
    const double walkSeconds = t.nsecsElapsed() / 1e9;
    if (counts.folders != folders || counts.files != kLines || IdxListingCut()) {
        std::fprintf(stderr, "walk found %lld folders and %lld files\n",
                     static_cast<long long>(counts.folders), static_cast<long long>(counts.files));
        return 1;
    }

    // The reference: the same lines as text, each folder of the sample listed by a full scan.
    QStringList body;
    for (const QByteArray& line : raw.split('\r')) {
        const QByteArray l = line.startsWith('\n') ? line.mid(1) : line;
        if (!l.isEmpty() && !l.startsWith('<'))
            body << Cp1252Decode(l);
    }
    t.restart();
    for (const QString& folder : sample)
        plainListing(body, folder);
    const double plainPerFolder = t.nsecsElapsed() / 1e9 / sample.size();
    const double plainWalk = plainPerFolder * (folders + 1);

    std::printf("raw read: %.2f s\n", readSeconds);
    std::printf("load: %.2f s (%.1f x raw read)\n", loadSeconds, loadSeconds / readSeconds);
    std::printf("walk: %.2f s (%lld folders, %lld files)\n", walkSeconds,
                static_cast<long long>(counts.folders), static_cast<long long>(counts.files));
    std::printf("plain listing: %.1f ms per folder, ~%.0f s for the walk (scaled from %lld "
                "folders)\n",
                plainPerFolder * 1e3, plainWalk, static_cast<long long>(sample.size()));
    std::printf("load + walk: %.2f s (limit 30 s); plain walk / indexed walk: %.0f x\n",
                loadSeconds + walkSeconds, plainWalk / walkSeconds);
    IdxClear();

    const QString cli = findCli();
    if (cli.isEmpty()) {
        std::fprintf(stderr, "ledra-cli not found; build it or name it with LEDRA_CLI\n");
        return 1;
    }
    const QString catalogue = dir.filePath(u"bench.ldr"_s);
    QByteArray out;
    if (!runCli(cli, dir.path(), {u"create"_s, catalogue}, &out))
        return 1;
    t.restart();
    if (!runCli(cli, dir.path(), {u"import"_s, catalogue, file, u"--add"_s}, &out))
        return 1;
    const double importSeconds = t.nsecsElapsed() / 1e9;
    std::printf("ledra-cli import: %.2f s for the whole import (%s); limit 30 s, ratio %.2f\n",
                importSeconds, out.trimmed().replace('\n', "; ").constData(), importSeconds / 30.0);
    std::printf("import / (load + walk): %.1f x\n", importSeconds / (loadSeconds + walkSeconds));
    return 0;
}
