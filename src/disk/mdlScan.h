#pragma once

#include "TreeSource.h"

#include "catalogue/Engine.h"
#include "common/mdlTime.h"

#include <QElapsedTimer>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class MainView;
class Ui;

// The eight options of a scan, as the "New Disk" settings hold them.
struct ScanOptions {
    bool noCollect = false;
    bool askForName = false;
    bool eject = false;
    bool displaySummary = true;
    bool autoClose = true;
    bool scanFiles = true;
    bool scanMSDOSName = false;
    bool scanTime = false;

    static ScanOptions fromSettings();
    void toSettings() const;
    // The detailed listing the write pass asks of its source.
    TreeSource::ListRequest listRequest() const;
};

// What a scan shows while it runs: the New Disk dialog's progress area, the terminal, or a test.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    virtual void setFolderText(const QString& text) = 0; // the folder being read
    virtual void setTimeText(const QString& text) = 0;   // elapsed time and estimate
    virtual void setMaximum(qint64 maximum) = 0;         // of both bars
    virtual void setScanned(qint64 value) = 0;
    virtual void setScannedTip(const QString& tip) = 0;
    virtual void setWritten(qint64 value) = 0;
    virtual void setWrittenTip(const QString& tip) = 0;
    // True while a folder is being listed, false while its items are written.
    virtual void showListing(bool listing) = 0;
};

// What sets a tree read from elsewhere (an imported index) apart from a scanned disk.
struct ScanFlavour {
    // Format of the elapsed and estimate texts while the tree is walked.
    QString clock = QStringLiteral("nn:ss");
    // The summary's time is measured from the start of the run (questions included) rather
    // than from the Images row.
    bool summaryFromStart = false;
    // Text after the summary's time.
    QString summaryEnd = QStringLiteral(".");
    // Write the root too: ID 0, ParentID -1, named after the root path, attributes 16, every
    // column given (empty Keywords and Description).
    bool rootRow = false;
    // "Eject" opens the tray of a CD drive; a tree with no drive behind it leaves it to the caller.
    bool ejectCd = true;
};

// The serial text stored in Images: the volume's own text when it has one, else its number.
QString VolumeSerialText(const VolumeFacts& facts);

// The question asked before an image of the same serial is overwritten; it names the volume
// being catalogued when there is one.
QString OverwriteQuestionText(const QString& imageName, const VolumeFacts& facts);

// The statement text of an Items variant (files carry Content, folders do not), for one row or
// for several rows written by one statement.
QString ItemStatementText(bool file, bool msdosName, bool times, int rows = 1);

// Cataloguing a tree as a new image: identifying the disk, the overwrite question, the Images
// row, the counting pass and the write pass. The whole write runs in one transaction, so a
// cancel, an error or a crash leaves the catalogue exactly as it was. Questions, messages and
// pauses go through the Ui; Cancel (set from inside a pause) is looked at right after each one.
class DiskScan {
public:
    enum class Result { Done, Cancelled, Refused, Failed };

    DiskScan(Database& db, Ui& ui, ScanProgress* progress = nullptr,
             const ScanFlavour& flavour = ScanFlavour());
    // The import derives from the scan and is owned through a DiskScan pointer.
    virtual ~DiskScan() = default;
    DiskScan(const DiskScan&) = delete;
    DiskScan& operator=(const DiskScan&) = delete;

    // Set by the caller before NewDisk.
    qint32 NodeID = 0;
    QString NodeKey;
    MainView* view = nullptr; // gets the new image's entry; null for headless callers
    ScanOptions options;
    std::optional<QString> nameOverride; // used instead of asking for the name

    // Identifies the disk, asks what to do with an image of the same serial and writes the tree
    // as an image.
    Result NewDisk(TreeSource& source);
    void cancel() { Cancelled = true; }

    // The run's state, readable after it.
    bool Cancelled = false;
    qint32 ImageID = 0;
    bool ImageWritten = false;
    bool ItemsWritten = false;
    qint64 CollectedCount = 0;
    qint64 WrittenCount = 0;
    qint64 ScannedCount = 0;
    qint64 FolderCount = 0;
    qint64 FileCount = 0;
    QString ImageName;
    VolumeFacts Facts;
    QString SummaryText;

    // Page cache of the catalogue during the write, in MiB.
    static constexpr int kScanCacheMiB = 64;

protected:
    struct Record {
        quint32 nameOffset = 0, nameSize = 0;
        quint32 keyOffset = 0, keySize = 0;
        quint32 msdosOffset = 0, msdosSize = 0;
        quint32 timesOffset = 0;
        quint8 timesPresent = 0;
        quint32 attrib = 0;
        qint64 size = 0;
    };
    struct Frame {
        qint64 id = 0;
        qint64 parentId = -1;
        qint64 parentRecord = -1; // in the parent frame's records
        qint64 tag = -1;          // free for a derived walk to mark the folder with
        std::string arena;
        std::vector<Record> subfolders;
        size_t next = 0;
        qint64 size = 0;
        qint64 fileCount = 0;
        void reset() {
            arena.clear();
            subfolders.clear();
            next = 0;
            size = 0;
            fileCount = 0;
            tag = -1;
        }
    };

    bool pause();
    // The counting pass (unless "No Collect") and the listing pass over the tree, with their
    // progress, pauses and Cancel; the rows found go to the hooks below. Done, Cancelled, or
    // Failed after a message.
    Result walkTree(TreeSource& source);

    // Where the listing pass puts what it finds. The scan writes Items rows; the update of an
    // image compares them with the rows it has instead.
    // Before the pass; false (with the database's last error) ends the run.
    virtual bool prepareRows();
    virtual void finishRows();
    // A folder was listed (parent is null for the root); its files are handed on next.
    virtual void folderListed(Frame& f, const Frame* parent);
    // Files first .. first+count-1 of the folder (in m_files), numbered from firstId; adds
    // their sizes to the folder's size.
    virtual bool insertFiles(Frame& f, qint64 first, qint64 count, qint64 firstId);
    // A folder below the root is done: its size is known.
    virtual bool writeFolderRow(const Frame& f, const Frame& parent);
    // The root is done.
    virtual bool rootDone(const Frame& root);

    std::string_view nameOf(const std::string& arena, const Record& r) const {
        return std::string_view(arena).substr(r.nameOffset, r.nameSize);
    }

    Database& m_db;
    Ui& m_ui;
    ScanProgress* m_progress;
    ScanFlavour m_flavour;
    QElapsedTimer m_runTimer;
    std::string m_fileArena;
    std::vector<Record> m_files;
    EngineError m_fatal;

private:
    class Sink;
    friend class Sink;

    // What a walk that stopped early comes to: a cancel, or a failure the source reports.
    Result walkEnded(TreeSource& source);
    bool collectPass(TreeSource& source);
    bool writePass(TreeSource& source);
    bool collectFolder(TreeSource& source, Frame& f);
    bool enterWriteFolder(TreeSource& source, Frame& f, const Frame* parent);
    bool writeFiles(Frame& f);
    Statement* fileStatement(qint64 rows);
    bool writeRootRow(const Frame& root);
    bool onCollectEntry(const TreeEntry& e);
    bool onWriteEntry(const TreeEntry& e);
    static Record store(std::string& arena, const TreeEntry& e);
    void bindRecord(Statement& st, int& i, const std::string& arena, const Record& r);
    bool executeItem(Statement& st);
    Frame& frameAt(size_t depth);
    void progressFolder();
    void progressListing();
    void progressWriting();
    QString estimateText() const;

    QString m_rootName;
    DurationTimer m_passTimer;
    std::vector<Frame> m_frames;
    Frame* m_current = nullptr;
    // File statements by their number of rows (index 0 unused), prepared when first needed.
    std::vector<Statement> m_fileStatements;
    Statement m_folderStatement;
};
