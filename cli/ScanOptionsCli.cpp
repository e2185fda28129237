#include "ScanOptionsCli.h"

#include "catalogue/mdlDatabase.h"
#include "platform/mdlVolume.h"

#include <QElapsedTimer>

namespace {

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

} // namespace

QStringList ScanCliOptions::valueNames() {
    return {QStringLiteral("node"), QStringLiteral("name")};
}

QStringList ScanCliOptions::flagNames() {
    return {QStringLiteral("files"),       QStringLiteral("no-files"),
            QStringLiteral("msdos-names"), QStringLiteral("no-msdos-names"),
            QStringLiteral("times"),       QStringLiteral("no-times"),
            QStringLiteral("collect"),     QStringLiteral("no-collect"),
            QStringLiteral("overwrite"),   QStringLiteral("add")};
}

bool ScanCliOptions::read(const CliArgs& a, QString* error) {
    options = ScanOptions::fromSettings();
    options.scanFiles = pickFlag(a, "files", "no-files", options.scanFiles, error);
    options.scanMSDOSName =
        pickFlag(a, "msdos-names", "no-msdos-names", options.scanMSDOSName, error);
    options.scanTime = pickFlag(a, "times", "no-times", options.scanTime, error);
    options.noCollect = !pickFlag(a, "collect", "no-collect", !options.noCollect, error);
    options.eject = false;
    options.askForName = false;
    options.displaySummary = false; // printed to standard output instead
    overwrite = a.has(QStringLiteral("overwrite"));
    add = a.has(QStringLiteral("add"));
    if (overwrite && add)
        *error = QStringLiteral("Options --overwrite and --add exclude each other.");
    if (a.has(QStringLiteral("node"))) {
        bool ok = false;
        nodeId = a.value(QStringLiteral("node")).toInt(&ok);
        if (!ok || nodeId < 0)
            *error = QStringLiteral("--node needs a node ID (0 or more).");
    }
    if (a.has(QStringLiteral("name")))
        name = a.value(QStringLiteral("name"));
    return error->isEmpty();
}

int RunScanCli(CliContext& ctx, const ScanCliOptions& o, const QString& cataloguePath,
               TreeSource& source, const MakeScan& makeScan) {
    const CliCatalogue catalogue(cataloguePath, true, false, ctx);
    if (!catalogue.isOpen())
        return ExitFailure;
    if (o.nodeId != 0 &&
        db().scalar(QStringLiteral("SELECT COUNT(*) FROM Nodes WHERE ID=?"), {o.nodeId}).toInt() ==
            0) {
        ctx.err << "Node " << o.nodeId << " does not exist." << Qt::endl;
        return ExitFailure;
    }

    // Without an answer on the command line, an image of the same disk is left alone.
    Ui::Answer answer = o.overwrite ? Ui::Answer::Yes : Ui::Answer::No;
    if (!o.overwrite && !o.add) {
        VolumeFacts facts;
        if (!source.readVolume(facts)) {
            ctx.err << "Drive cannot be accessed." << Qt::endl;
            return ExitFailure;
        }
        const QString serial = VolumeSerialText(facts);
        Recordset rs = db().OpenRecordset(QStringLiteral("SELECT Name FROM Images WHERE Serial=?"),
                                          {serial}, Recordset::Type::Snapshot);
        if (rs.isValid() && rs.RecordCount() == 1 && !IsNoSerial(serial)) {
            ctx.err << OverwriteQuestionText(rs.text(0), facts).section(u'\r', 0, 0) << Qt::endl;
            return ExitFailure;
        }
        answer = Ui::Answer::Cancel;
    }

    ScanCliUi ui(ctx.ui, answer);
    std::optional<TerminalProgress> progress;
    if (ctx.errIsTerminal)
        progress.emplace(ctx.err);
    std::unique_ptr<DiskScan> scan = makeScan(ui, progress ? &*progress : nullptr);
    scan->NodeID = o.nodeId;
    scan->options = o.options;
    scan->nameOverride = o.name;
    const DiskScan::Result result = scan->NewDisk(source);
    progress.reset();
    if (result != DiskScan::Result::Done)
        return ExitFailure;
    ctx.out << "image\t" << scan->ImageID << '\n' << scan->SummaryText << '\n';
    return ExitOk;
}

std::unique_ptr<ScanProgress> TerminalProgressFor(CliContext& ctx) {
    if (!ctx.errIsTerminal)
        return nullptr;
    return std::make_unique<TerminalProgress>(ctx.err);
}
