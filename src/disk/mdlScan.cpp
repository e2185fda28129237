#include "mdlScan.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/MainView.h"
#include "common/Ui.h"
#include "platform/mdlDirList.h"
#include "platform/mdlEject.h"
#include "platform/mdlVolume.h"
#include "shell/mdlOptions.h"

#include <QDateTime>

namespace {

// Column widths of the catalogue; a longer value is cut rather than losing the row. Names of
// files on disk always fit whole; only a foreign index can hold longer ones.
static_assert(kItemNameChars >= kMaxStoredNameChars);
constexpr int kItemMsdosChars = 12;
constexpr int kImageNameChars = 64;
constexpr int kLabelChars = 32;
constexpr int kFileSystemChars = 16;

// Pauses of the walk, spaced by item counts so that big trees stay responsive cheaply.
constexpr qint64 kCollectPause = 84;
constexpr qint64 kListPause = 42;
constexpr qint64 kWritePause = 21;

QString itemsText(qint64 n, const char* what) {
    return QString::number(n) + QLatin1String(what);
}

} // namespace

ScanOptions ScanOptions::fromSettings() {
    const Options& o = options();
    ScanOptions s;
    s.noCollect = o.NoCollect;
    s.askForName = o.AskForName;
    s.eject = o.Eject;
    s.displaySummary = o.DisplaySummary;
    s.autoClose = o.AutoClose;
    s.scanFiles = o.ScanFiles;
    s.scanMSDOSName = o.ScanMSDOSName;
    s.scanTime = o.ScanTime;
    return s;
}

void ScanOptions::toSettings() const {
    Options& o = options();
    o.NoCollect = noCollect;
    o.AskForName = askForName;
    o.Eject = eject;
    o.DisplaySummary = displaySummary;
    o.AutoClose = autoClose;
    o.ScanFiles = scanFiles;
    o.ScanMSDOSName = scanMSDOSName;
    o.ScanTime = scanTime;
}

TreeSource::ListRequest ScanOptions::listRequest() const {
    TreeSource::ListRequest request;
    request.details = true;
    request.msdosNames = scanMSDOSName;
    request.times = scanTime;
    return request;
}

QString VolumeSerialText(const VolumeFacts& facts) {
    return facts.serialText.isEmpty() ? SerialText(facts.serial) : facts.serialText;
}

QString OverwriteQuestionText(const QString& imageName, const VolumeFacts& facts) {
    const QString volume = facts.place.isEmpty() ? facts.device : facts.place;
    return QStringLiteral("That drive ") +
           (volume.isEmpty() ? QString() : QStringLiteral("(") + volume + QStringLiteral(") ")) +
           QStringLiteral("exist in database as ") + imageName +
           QStringLiteral(".\r\nDo you wish to overwrite?");
}

QString ItemStatementText(bool file, bool msdosName, bool times, int rows) {
    QStringList columns = {QStringLiteral("ID"), QStringLiteral("ImageID"),
                           QStringLiteral("ParentID"), QStringLiteral("Type")};
    if (msdosName)
        columns << QStringLiteral("MSDOSName");
    columns << QStringLiteral("Name") << QStringLiteral("Attrib") << QStringLiteral("Size");
    if (times)
        columns << QStringLiteral("TimeC") << QStringLiteral("TimeA") << QStringLiteral("TimeM");
    if (file)
        columns << QStringLiteral("Content");
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString row = QStringLiteral("(") + marks.join(QLatin1Char(',')) + QStringLiteral(")");
    QStringList values;
    for (int r = 0; r < rows; ++r)
        values << row;
    // Several rows: OR FAIL keeps the rows before a refused one instead of undoing them, which
    // spares the engine a copy of every page the statement touches (the caller writes the rows
    // again one by one, passing over those already in). One row behaves the same either way.
    const QString verb = rows > 1 ? QStringLiteral("INSERT OR FAIL INTO Items (")
                                  : QStringLiteral("INSERT INTO Items (");
    return verb + columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ") +
           values.join(QLatin1Char(','));
}

// Hands the entries of a listing to the pass that asked for them.
class DiskScan::Sink : public TreeEntrySink {
public:
    Sink(DiskScan& scan, bool collect) : m_scan(scan), m_collect(collect) {}
    bool entry(const TreeEntry& e) override {
        return m_collect ? m_scan.onCollectEntry(e) : m_scan.onWriteEntry(e);
    }

private:
    DiskScan& m_scan;
    bool m_collect;
};

DiskScan::DiskScan(Database& db, Ui& ui, ScanProgress* progress, const ScanFlavour& flavour)
    : m_db(db), m_ui(ui), m_progress(progress), m_flavour(flavour) {}

bool DiskScan::pause() {
    m_ui.processEvents();
    return !Cancelled;
}

DiskScan::Result DiskScan::NewDisk(TreeSource& source) {
    m_runTimer.start();
    ImageWritten = false;
    ItemsWritten = false;
    ImageID = 0;
    CollectedCount = WrittenCount = ScannedCount = FolderCount = FileCount = 0;
    SummaryText.clear();
    m_fatal = {};
    if (!pause())
        return Result::Cancelled;

    // Identify the disk.
    ImageWritten = true;
    Facts = VolumeFacts();
    if (!source.readVolume(Facts)) {
        m_ui.message(QStringLiteral("Drive cannot be accessed."), Ui::Buttons::Ok,
                     Ui::Icon::Exclamation);
        return Result::Failed;
    }
    const QString serial = VolumeSerialText(Facts);
    qint32 overwriteId = 0;
    {
        Recordset rs =
            m_db.OpenRecordset(QStringLiteral("SELECT ID, Name FROM Images WHERE Serial=?"),
                               {serial}, Recordset::Type::Snapshot);
        if (!rs.isValid()) {
            m_ui.message(DatabaseErrorText(rs.error().number, rs.error().description),
                         Ui::Buttons::Ok, Ui::Icon::Critical);
            return Result::Failed;
        }
        // A volume without a serial is no known disk: it matches nothing.
        if (!rs.Eof() && !IsNoSerial(serial)) {
            rs.MoveLast();
            if (rs.RecordCount() == 1) {
                // Cancel is the default: Enter must not delete an image.
                const Ui::Answer a =
                    m_ui.ask(OverwriteQuestionText(rs.text(1), Facts), Ui::Buttons::YesNoCancel,
                             Ui::Icon::Question, Ui::Answer::Cancel);
                if (a == Ui::Answer::Cancel)
                    return Result::Refused;
                if (a == Ui::Answer::Yes)
                    overwriteId = qint32(rs.int64(0));
            }
        }
    }

    // The name.
    QString name;
    if (nameOverride) {
        name = *nameOverride;
    } else if (options.askForName) {
        name = m_ui.input(QStringLiteral("CD Name:"), Facts.label).value_or(QString());
    }
    if (name.isEmpty())
        name = Facts.label;
    if (name.isEmpty())
        name = QStringLiteral("Untitled");
    ImageName = name;

    // Everything from here on is one transaction: the image appears whole or not at all, and
    // an overwritten image comes back if the run does not finish.
    Transaction transaction(m_db);
    if (!transaction.isActive()) {
        m_ui.message(DatabaseErrorText(m_db.lastError().number, m_db.lastError().description),
                     Ui::Buttons::Ok, Ui::Icon::Critical);
        return Result::Failed;
    }
    bool ok = true;
    if (overwriteId != 0) {
        ImageID = overwriteId;
        m_ui.setBusy(true);
        ok = m_db.Execute(QStringLiteral("DELETE FROM Images WHERE ID=?"), {ImageID}) &&
             m_db.Execute(QStringLiteral("DELETE FROM Items WHERE ImageID=?"), {ImageID}) &&
             DropNameIndexEntries(m_db, ImageID);
        m_ui.setBusy(false);
    } else {
        const QVariant max = m_db.scalar(QStringLiteral("SELECT MAX(ID) AS MaxID FROM Images"));
        ok = !m_db.lastError();
        ImageID = qint32(max.toLongLong() + 1);
    }
    auto cut = [](const QString& text, int chars) {
        const std::string utf8 = text.toStdString();
        return QString::fromStdString(std::string(CutToChars(utf8, chars)));
    };
    ok = ok &&
         m_db.Execute(QStringLiteral("INSERT INTO Images (ID, Serial, NodeID, Type, Name, Date, "
                                     "Source, Label, FileSystem) VALUES (?,?,?,?,?,?,?,?,?)"),
                      {ImageID, serial, NodeID, Facts.typeCode, cut(name, kImageNameChars),
                       DateTimeToText(QDateTime::currentDateTime()), Facts.source,
                       cut(Facts.label, kLabelChars), cut(Facts.fileSystem, kFileSystemChars)});
    if (!ok) {
        m_ui.message(DatabaseErrorText(m_db.lastError().number, m_db.lastError().description),
                     Ui::Buttons::Ok, Ui::Icon::Critical);
        return Result::Failed;
    }
    if (!pause())
        return Result::Cancelled;
    if (!m_flavour.summaryFromStart)
        m_runTimer.start();

    // A page cache sized for the work: the name and size indexes are written in random order.
    // The rows are cut to the column widths here, so the width checks are left out of the
    // statements: they call length(), and a statement of several rows that calls a function
    // keeps a copy of every page it touches in case it has to undo itself.
    m_db.setCacheSize(kScanCacheMiB);
    m_db.setCheckConstraints(false);
    struct EngineRestore {
        Database& db;
        ~EngineRestore() {
            db.setCheckConstraints(true);
            db.setCacheSize(0);
        }
    } engineRestore{m_db};

    switch (walkTree(source)) {
    case Result::Done:
        break;
    case Result::Cancelled:
        return Result::Cancelled;
    default:
        return Result::Failed;
    }
    // The image's name index entries go into the same transaction as its rows.
    if ((ImageWrittenHook() && !ImageWrittenHook()(m_db, ImageID, nullptr)) ||
        !transaction.commit()) {
        m_ui.message(DatabaseErrorText(m_db.lastError().number, m_db.lastError().description),
                     Ui::Buttons::Ok, Ui::Icon::Critical);
        return Result::Failed;
    }

    if (m_progress && !options.noCollect) {
        m_progress->setScanned(CollectedCount);
        m_progress->setWritten(CollectedCount);
    }
    // Only a CD drive has a tray to open; the walk's hold on the disc goes first.
    source.release();
    if (options.eject && m_flavour.ejectCd && IsCdType(Facts.typeCode)) {
        const QString failed = EjectDisc(Facts.device, Facts.place);
        if (!failed.isEmpty())
            m_ui.message(failed, Ui::Buttons::Ok, Ui::Icon::Exclamation);
    }
    if (view) {
        const int pictureCode = Facts.typeCode == DriveType::Unknown ? 1 : Facts.typeCode;
        view->addCatalogueEntry(QStringLiteral("I%1").arg(ImageID), ImageName,
                                QStringLiteral("T%1").arg(pictureCode), NodeKey);
    }
    // The summary keeps minutes within the hour, whatever the walk's clock shows.
    SummaryText =
        QStringLiteral("Total of %1 files and %2 folders was written in %3%4")
            .arg(FileCount)
            .arg(FolderCount)
            .arg(SpanText(0, double(m_runTimer.elapsed()) / 1000.0, QStringLiteral("nn:ss")),
                 m_flavour.summaryEnd);
    if (options.displaySummary)
        m_ui.message(SummaryText, Ui::Buttons::Ok, Ui::Icon::Information);
    return Result::Done;
}

DiskScan::Result DiskScan::walkEnded(TreeSource& source) {
    const QString failure = source.walkFailure();
    if (Cancelled || failure.isEmpty())
        return Result::Cancelled;
    m_ui.message(failure, Ui::Buttons::Ok, Ui::Icon::Exclamation);
    return Result::Failed;
}

DiskScan::Result DiskScan::walkTree(TreeSource& source) {
    if (!options.noCollect) {
        if (m_progress)
            m_progress->setTimeText(QStringLiteral("Collecting disk information..."));
        if (!collectPass(source))
            return walkEnded(source);
        if (m_progress) {
            m_progress->setTimeText(m_passTimer.ElapsedText(m_flavour.clock) +
                                    QStringLiteral(" (") +
                                    itemsText(CollectedCount, " items collected)"));
            m_progress->setMaximum(CollectedCount);
        }
    }
    if (!pause())
        return Result::Cancelled;

    ItemsWritten = true;
    FolderCount = 0;
    FileCount = 0;
    if (!prepareRows()) {
        m_ui.message(DatabaseErrorText(m_db.lastError().number, m_db.lastError().description),
                     Ui::Buttons::Ok, Ui::Icon::Critical);
        return Result::Failed;
    }
    const bool walked = writePass(source);
    finishRows();
    if (m_fatal) {
        m_ui.message(DatabaseErrorText(m_fatal.number, m_fatal.description), Ui::Buttons::Ok,
                     Ui::Icon::Critical);
        return Result::Failed;
    }
    if (!walked || Cancelled)
        return walkEnded(source);
    return Result::Done;
}

bool DiskScan::prepareRows() {
    m_fileStatements.clear();
    m_fileStatements.resize(size_t(kWritePause) + 1);
    m_folderStatement =
        m_db.prepare(ItemStatementText(false, options.scanMSDOSName, options.scanTime));
    return fileStatement(1) && m_folderStatement.isValid();
}

void DiskScan::finishRows() {
    m_fileStatements.clear();
    m_folderStatement = Statement();
}

void DiskScan::folderListed(Frame&, const Frame*) {}

bool DiskScan::rootDone(const Frame& root) {
    return !m_flavour.rootRow || writeRootRow(root);
}

DiskScan::Frame& DiskScan::frameAt(size_t depth) {
    // Frames are kept between folders so that their buffers are reused, not reallocated.
    if (depth >= m_frames.size())
        m_frames.resize(depth + 1);
    Frame& f = m_frames[depth];
    f.reset();
    return f;
}

DiskScan::Record DiskScan::store(std::string& arena, const TreeEntry& e) {
    Record r;
    const std::string_view name = CutToChars(e.name, kItemNameChars);
    r.nameOffset = quint32(arena.size());
    r.nameSize = quint32(name.size());
    arena.append(name);
    // The folder is entered again by its key, never by the stored (possibly cut) name.
    if (e.key.data() == e.name.data() && e.key.size() == name.size()) {
        r.keyOffset = r.nameOffset;
        r.keySize = r.nameSize;
    } else {
        r.keyOffset = quint32(arena.size());
        r.keySize = quint32(e.key.size());
        arena.append(e.key);
    }
    const std::string_view msdos = CutToChars(e.msdosName, kItemMsdosChars);
    r.msdosOffset = quint32(arena.size());
    r.msdosSize = quint32(msdos.size());
    arena.append(msdos);
    r.timesOffset = quint32(arena.size());
    for (int i = 0; i < 3; ++i) {
        if (e.times[i]) {
            r.timesPresent |= quint8(1u << i);
            arena.append(e.times[i], size_t(kTimeTextSize));
        }
    }
    r.attrib = e.attrib;
    r.size = e.size;
    return r;
}

// ---- counting pass --------------------------------------------------------------------------

bool DiskScan::onCollectEntry(const TreeEntry& e) {
    if (e.isFolder) {
        Record r;
        r.keyOffset = quint32(m_current->arena.size());
        r.keySize = quint32(e.key.size());
        m_current->arena.append(e.key);
        m_current->subfolders.push_back(r);
        return true;
    }
    ++CollectedCount;
    if (CollectedCount % kCollectPause == 0) {
        if (m_progress)
            m_progress->setTimeText(m_passTimer.ElapsedText(m_flavour.clock) +
                                    QStringLiteral(" (") +
                                    itemsText(CollectedCount, " items collected)..."));
        if (!pause())
            return false;
    }
    return true;
}

bool DiskScan::collectFolder(TreeSource& source, Frame& f) {
    if (m_progress)
        m_progress->setFolderText(source.currentPath());
    if (!pause())
        return false;
    ++CollectedCount;
    m_current = &f;
    Sink sink(*this, true);
    TreeSource::ListRequest request;
    request.details = false;
    source.list(request, sink);
    return !Cancelled && source.walkFailure().isEmpty();
}

bool DiskScan::collectPass(TreeSource& source) {
    CollectedCount = 0;
    m_passTimer.StartTimer();
    source.openRoot();
    size_t depth = 0;
    if (!collectFolder(source, frameAt(0)))
        return false;
    while (true) {
        Frame& f = m_frames[depth];
        if (f.next < f.subfolders.size()) {
            const Record r = f.subfolders[f.next++];
            source.enter(std::string_view(f.arena).substr(r.keyOffset, r.keySize));
            ++depth;
            if (!collectFolder(source, frameAt(depth)))
                return false;
            continue;
        }
        if (depth == 0)
            return true;
        source.leave();
        --depth;
    }
}

// ---- write pass -----------------------------------------------------------------------------

QString DiskScan::estimateText() const {
    return m_passTimer.ElapsedText(m_flavour.clock) + QStringLiteral(" (") +
           m_passTimer.ProjectedText(WrittenCount, CollectedCount, m_flavour.clock) +
           QStringLiteral(")");
}

void DiskScan::progressFolder() {
    if (!m_progress)
        return;
    if (options.noCollect) {
        m_progress->setTimeText(m_passTimer.ElapsedText(m_flavour.clock));
        return;
    }
    m_progress->setWritten(WrittenCount);
    m_progress->setWrittenTip(itemsText(WrittenCount, " items written"));
    if (WrittenCount != 0)
        m_progress->setTimeText(estimateText());
}

void DiskScan::progressListing() {
    if (!m_progress)
        return;
    if (options.noCollect) {
        m_progress->setTimeText(m_passTimer.ElapsedText(m_flavour.clock) + QStringLiteral(" (") +
                                itemsText(ScannedCount - 1, " items scaned)"));
        return;
    }
    m_progress->setScanned(ScannedCount);
    m_progress->setScannedTip(itemsText(ScannedCount, " items scaned"));
    if (WrittenCount != 0)
        m_progress->setTimeText(estimateText());
}

void DiskScan::progressWriting() {
    if (!m_progress)
        return;
    if (options.noCollect) {
        m_progress->setTimeText(m_passTimer.ElapsedText(m_flavour.clock) + QStringLiteral(" (") +
                                itemsText(WrittenCount - 1, " items written)"));
        return;
    }
    m_progress->setWritten(WrittenCount);
    m_progress->setWrittenTip(itemsText(WrittenCount, " items written"));
    if (WrittenCount != 0)
        m_progress->setTimeText(estimateText());
}

bool DiskScan::onWriteEntry(const TreeEntry& e) {
    if (e.isFolder) {
        ++FolderCount;
        m_current->subfolders.push_back(store(m_current->arena, e));
    } else {
        ++FileCount;
        ++m_current->fileCount;
        if (options.scanFiles)
            m_files.push_back(store(m_fileArena, e));
    }
    ++ScannedCount;
    if (ScannedCount % kListPause == 0) {
        progressListing();
        if (!pause())
            return false;
    }
    return true;
}

bool DiskScan::enterWriteFolder(TreeSource& source, Frame& f, const Frame* parent) {
    if (m_progress)
        m_progress->setFolderText(source.currentPath());
    progressFolder();
    if (!pause())
        return false;
    f.id = WrittenCount++;
    if (m_progress)
        m_progress->showListing(true);
    ScannedCount = WrittenCount;
    if (m_progress && !options.noCollect)
        m_progress->setScanned(ScannedCount);

    m_current = &f;
    m_fileArena.clear();
    m_files.clear();
    Sink sink(*this, false);
    // A folder that cannot be listed keeps its row, with no children and size 0.
    source.list(options.listRequest(), sink);
    if (Cancelled || !source.walkFailure().isEmpty())
        return false;
    if (m_progress)
        m_progress->showListing(false);
    folderListed(f, parent);
    return writeFiles(f);
}

void DiskScan::bindRecord(Statement& st, int& i, const std::string& arena, const Record& r) {
    const char* base = arena.data();
    if (options.scanMSDOSName)
        st.bindUtf8(i++, base + r.msdosOffset, int(r.msdosSize));
    st.bindUtf8(i++, base + r.nameOffset, int(r.nameSize));
    st.bindInt64(i++, r.attrib);
    st.bindInt64(i++, r.size);
    if (options.scanTime) {
        const char* t = base + r.timesOffset;
        for (int k = 0; k < 3; ++k) {
            if (r.timesPresent & (1u << k)) {
                st.bindUtf8(i++, t, kTimeTextSize);
                t += kTimeTextSize;
            } else {
                st.bindNull(i++);
            }
        }
    }
}

bool DiskScan::executeItem(Statement& st) {
    if (st.execute())
        return true;
    const int n = st.error().number;
    // A value the catalogue refuses costs that row only; a failing catalogue ends the run.
    if (n == EngineErr::TextTooLong || n == EngineErr::DuplicateKey)
        return true;
    m_fatal = st.error();
    return false;
}

Statement* DiskScan::fileStatement(qint64 rows) {
    Statement& st = m_fileStatements[size_t(rows)];
    if (!st.isValid())
        st = m_db.prepare(
            ItemStatementText(true, options.scanMSDOSName, options.scanTime, int(rows)));
    return st.isValid() ? &st : nullptr;
}

// Writes files first .. first+count-1 of the folder, numbered from firstId, with one statement:
// the rows between two pauses go together, which spares the engine most of its per-statement
// work.
bool DiskScan::insertFiles(Frame& f, qint64 first, qint64 count, qint64 firstId) {
    Statement* st = fileStatement(count);
    if (!st) {
        m_fatal = m_db.lastError();
        return false;
    }
    int i = 1;
    for (qint64 k = 0; k < count; ++k) {
        const Record& r = m_files[size_t(first + k)];
        st->bindInt64(i++, firstId + k);
        st->bindInt64(i++, ImageID);
        st->bindInt64(i++, f.id);
        st->bindInt64(i++, 1);
        bindRecord(*st, i, m_fileArena, r);
        st->bindNull(i++); // Content
        f.size += r.size;
    }
    if (st->execute())
        return true;
    if (count == 1)
        return executeItem(*st);
    // A row the catalogue refuses costs that row only: write them one by one to find it (those
    // written before it are in already and are refused as duplicates).
    for (qint64 k = 0; k < count; ++k) {
        const Record& r = m_files[size_t(first + k)];
        f.size -= r.size;
        if (!insertFiles(f, first + k, 1, firstId + k))
            return false;
    }
    return true;
}

bool DiskScan::writeFiles(Frame& f) {
    qint64 k = 0;
    while (k < f.fileCount) {
        // Up to the next pause, or the folder's last file.
        const qint64 count = std::min(kWritePause - WrittenCount % kWritePause, f.fileCount - k);
        if (options.scanFiles) {
            if (!insertFiles(f, k, count, WrittenCount))
                return false;
        }
        k += count;
        WrittenCount += count;
        if (WrittenCount % kWritePause == 0) {
            progressWriting();
            if (!pause())
                return false;
        }
    }
    return true;
}

bool DiskScan::writeFolderRow(const Frame& f, const Frame& parent) {
    const Record& r = parent.subfolders[size_t(f.parentRecord)];
    Statement& st = m_folderStatement;
    int i = 1;
    st.bindInt64(i++, f.id);
    st.bindInt64(i++, ImageID);
    st.bindInt64(i++, f.parentId);
    st.bindInt64(i++, 0);
    Record own = r;
    own.size = f.size;
    bindRecord(st, i, parent.arena, own);
    return executeItem(st);
}

bool DiskScan::writeRootRow(const Frame& root) {
    Statement st = m_db.prepare(QStringLiteral(
        "INSERT INTO Items (ID, ImageID, ParentID, Type, MSDOSName, Name, Attrib, Size, TimeC, "
        "TimeA, TimeM, Keywords, Description) VALUES (0,?,-1,0,'',?,16,?,NULL,NULL,NULL,'','')"));
    if (!st.isValid()) {
        m_fatal = m_db.lastError();
        return false;
    }
    st.bindInt64(1, ImageID);
    st.bindText(2, m_rootName.left(kItemNameChars));
    st.bindInt64(3, root.size);
    return executeItem(st);
}

bool DiskScan::writePass(TreeSource& source) {
    WrittenCount = 0;
    m_passTimer.StartTimer();
    source.openRoot();
    m_rootName = source.currentPath();
    size_t depth = 0;
    {
        Frame& root = frameAt(0);
        root.parentId = -1;
        if (!enterWriteFolder(source, root, nullptr))
            return false;
    }
    while (true) {
        Frame& f = m_frames[depth];
        if (f.next < f.subfolders.size()) {
            const size_t index = f.next++;
            const Record r = f.subfolders[index];
            const qint64 parentId = f.id;
            source.enter(std::string_view(f.arena).substr(r.keyOffset, r.keySize));
            ++depth;
            Frame& child = frameAt(depth); // may move the frames: f is not used after this
            child.parentId = parentId;
            child.parentRecord = qint64(index);
            if (!enterWriteFolder(source, child, &m_frames[depth - 1]))
                return false;
            continue;
        }
        if (depth == 0)
            return rootDone(f);
        // The folder's own row comes last: only now is its size known.
        if (!writeFolderRow(f, m_frames[depth - 1]))
            return false;
        const qint64 size = f.size;
        source.leave();
        --depth;
        m_frames[depth].size += size;
    }
}
