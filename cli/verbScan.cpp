#include "CliVerb.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/mdlTrim.h"
#include "disk/FolderSource.h"
#include "disk/mdlScan.h"
#include "platform/mdlVolume.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The folder's own facts, with what the command line says instead.
class CliFolderSource : public FolderSource {
public:
    using FolderSource::FolderSource;
    std::optional<QString> label;
    std::optional<quint32> serial;
    std::optional<int> type;

    bool readVolume(VolumeFacts& facts) override {
        if (!FolderSource::readVolume(facts))
            return false;
        if (label)
            facts.label = *label;
        if (serial)
            facts.serial = *serial;
        if (type)
            facts.typeCode = *type;
        return true;
    }
};

// Answers the overwrite question as the command line said; other messages go to the terminal.
class ScanCliUi : public Ui {
public:
    ScanCliUi(Ui& inner, Answer answer) : m_inner(inner), m_answer(answer) {}
    Answer message(const QString& text, Buttons buttons, Icon icon) override {
        if (buttons == Buttons::YesNoCancel || buttons == Buttons::YesNo)
            return m_answer;
        return m_inner.message(text, buttons, icon);
    }
    std::optional<QString> input(const QString&, const QString& defaultText) override {
        return defaultText;
    }
    void processEvents() override {}
    void setBusy(bool) override {}

private:
    Ui& m_inner;
    Answer m_answer;
};

// One status line on the terminal, redrawn a few times a second.
class TerminalProgress : public ScanProgress {
public:
    explicit TerminalProgress(QTextStream& err) : m_err(err) { m_clock.start(); }
    ~TerminalProgress() override {
        if (m_drawn) {
            m_err << "\r\033[K";
            m_err.flush();
        }
    }
    void setFolderText(const QString& text) override {
        m_folder = text;
        draw();
    }
    void setTimeText(const QString& text) override {
        m_time = text;
        draw();
    }
    void setMaximum(qint64) override {}
    void setScanned(qint64) override {}
    void setScannedTip(const QString&) override {}
    void setWritten(qint64) override {}
    void setWrittenTip(const QString&) override {}
    void showListing(bool) override {}

private:
    void draw() {
        if (m_drawn && m_clock.elapsed() < 200)
            return;
        m_clock.restart();
        m_drawn = true;
        QString folder = m_folder;
        if (folder.size() > 60)
            folder = QStringLiteral("...") + folder.right(57);
        m_err << "\r\033[K" << m_time << "  " << folder;
        m_err.flush();
    }
    QTextStream& m_err;
    QElapsedTimer m_clock;
    QString m_folder;
    QString m_time;
    bool m_drawn = false;
};

bool pickFlag(const CliArgs& a, const char* on, const char* off, bool fallback, QString* error) {
    const bool hasOn = a.has(QLatin1String(on));
    const bool hasOff = a.has(QLatin1String(off));
    if (hasOn && hasOff) {
        *error = QStringLiteral("Options --%1 and --%2 exclude each other.")
                     .arg(QLatin1String(on), QLatin1String(off));
        return fallback;
    }
    return hasOn ? true : (hasOff ? false : fallback);
}

int usage(CliContext& ctx, const QString& error) {
    ctx.err << (error.isEmpty()
                    ? QStringLiteral(
                          "Usage: ledra-cli scan CATALOGUE PATH [--node ID] [--name TEXT] "
                          "[--label TEXT] [--serial HEX] [--type CODE] [--[no-]files] "
                          "[--[no-]msdos-names] [--[no-]times] [--[no-]collect] "
                          "[--overwrite|--add] [--eject]")
                    : error)
            << Qt::endl;
    return ExitUsage;
}

// Catalogues the folder PATH as a new image of CATALOGUE.
int runScan(const QStringList& args, CliContext& ctx) {
    CliArgs a;
    QString error;
    const QStringList values = {QStringLiteral("node"), QStringLiteral("name"),
                                QStringLiteral("label"), QStringLiteral("serial"),
                                QStringLiteral("type")};
    const QStringList flags = {QStringLiteral("files"),       QStringLiteral("no-files"),
                               QStringLiteral("msdos-names"), QStringLiteral("no-msdos-names"),
                               QStringLiteral("times"),       QStringLiteral("no-times"),
                               QStringLiteral("collect"),     QStringLiteral("no-collect"),
                               QStringLiteral("overwrite"),   QStringLiteral("add"),
                               QStringLiteral("eject")};
    if (!a.parse(args, values, flags, &error) || a.positional.size() != 2)
        return usage(ctx, error);

    ScanOptions opt = ScanOptions::fromSettings();
    opt.scanFiles = pickFlag(a, "files", "no-files", opt.scanFiles, &error);
    opt.scanMSDOSName = pickFlag(a, "msdos-names", "no-msdos-names", opt.scanMSDOSName, &error);
    opt.scanTime = pickFlag(a, "times", "no-times", opt.scanTime, &error);
    opt.noCollect = !pickFlag(a, "collect", "no-collect", !opt.noCollect, &error);
    opt.eject = a.has(QStringLiteral("eject"));
    opt.askForName = false;
    opt.displaySummary = false; // printed to standard output instead
    if (a.has(QStringLiteral("overwrite")) && a.has(QStringLiteral("add")))
        error = QStringLiteral("Options --overwrite and --add exclude each other.");
    if (!error.isEmpty())
        return usage(ctx, error);

    const QString catalogPath = QDir::current().absoluteFilePath(a.positional.at(0));
    const QString folder = QDir::current().absoluteFilePath(a.positional.at(1));
    CliFolderSource source(folder);
    qint32 nodeId = 0;
    if (a.has(QStringLiteral("node"))) {
        bool ok = false;
        nodeId = a.value(QStringLiteral("node")).toInt(&ok);
        if (!ok || nodeId < 0)
            return usage(ctx, QStringLiteral("--node needs a node ID (0 or more)."));
    }
    if (a.has(QStringLiteral("serial"))) {
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,8}$"));
        const QString s = a.value(QStringLiteral("serial"));
        if (!hex.match(s).hasMatch())
            return usage(ctx, QStringLiteral("--serial needs 1 to 8 hexadecimal digits."));
        source.serial = s.toUInt(nullptr, 16);
    }
    if (a.has(QStringLiteral("type"))) {
        bool ok = false;
        const int t = a.value(QStringLiteral("type")).toInt(&ok);
        if (!ok || !(t == 0 || (t >= 2 && t <= 6) || t == 50))
            return usage(ctx, QStringLiteral("--type needs a drive type code: 0, 2 to 6 or 50."));
        source.type = t;
    }
    if (a.has(QStringLiteral("label")))
        source.label = a.value(QStringLiteral("label"));

    if (!QFileInfo(folder).isDir()) {
        ctx.err << "Drive cannot be accessed." << Qt::endl;
        return ExitFailure;
    }
    QString path = catalogPath;
    if (!OpenCatalogue(path, true, false, ctx.ui, nullptr))
        return ExitFailure;
    struct Closer {
        ~Closer() { CloseCatalogue(nullptr); }
    } closer;
    if (nodeId != 0 &&
        db().scalar(QStringLiteral("SELECT COUNT(*) FROM Nodes WHERE ID=?"), {nodeId}).toInt() ==
            0) {
        ctx.err << "Node " << nodeId << " does not exist." << Qt::endl;
        return ExitFailure;
    }

    // Without an answer on the command line, an image of the same disk is left alone.
    Ui::Answer answer = a.has(QStringLiteral("overwrite")) ? Ui::Answer::Yes : Ui::Answer::No;
    if (!a.has(QStringLiteral("overwrite")) && !a.has(QStringLiteral("add"))) {
        VolumeFacts facts;
        if (!source.readVolume(facts)) {
            ctx.err << "Drive cannot be accessed." << Qt::endl;
            return ExitFailure;
        }
        Recordset rs = db().OpenRecordset(QStringLiteral("SELECT Name FROM Images WHERE Serial=?"),
                                          {SerialText(facts.serial)}, Recordset::Type::Snapshot);
        if (rs.isValid() && rs.RecordCount() == 1) {
            ctx.err << "That drive exist in database as " << rs.text(0) << "." << Qt::endl;
            return ExitFailure;
        }
        answer = Ui::Answer::Cancel;
    }

    ScanCliUi ui(ctx.ui, answer);
    std::optional<TerminalProgress> progress;
    if (ctx.errIsTerminal)
        progress.emplace(ctx.err);
    DiskScan scan(db(), ui, progress ? &*progress : nullptr);
    scan.NodeID = nodeId;
    scan.options = opt;
    if (a.has(QStringLiteral("name")))
        scan.nameOverride = a.value(QStringLiteral("name"));
    const DiskScan::Result result = scan.NewDisk(source);
    progress.reset();
    if (result != DiskScan::Result::Done)
        return ExitFailure;
    ctx.out << "image\t" << scan.ImageID << '\n' << scan.SummaryText << '\n';
    return ExitOk;
}

const CliVerb scanVerb("scan", "CATALOGUE PATH [options]", runScan);

} // namespace
