#include "Engine.h"

#include "EngineVfs.h"
#include "Wildcard.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kBusyTimeoutMs = 2000;
// How often one statement or transaction goes after a file that compactions keep replacing.
constexpr int kFollowAttempts = 10;

QString fileName(const QString& path) {
    return path.isEmpty() ? QStringLiteral("(no name)") : QDir::toNativeSeparators(path);
}

// Name order for ORDER BY ... COLLATE LEDRA_NOCASE.
int collateNoCase(void*, int aSize, const void* a, int bSize, const void* b) {
    return CompareNames(static_cast<const char*>(a), aSize, static_cast<const char*>(b), bSize);
}

void freePattern(void* p) {
    delete static_cast<WildcardPattern*>(p);
}

// LEDRA_LIKE(pattern, text): the Find patterns. A NULL text matches nothing.
void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    auto* pattern = static_cast<WildcardPattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        QString error;
        auto compiled =
            WildcardPattern::compile(QString::fromUtf8(p, sqlite3_value_bytes(argv[0])), &error);
        if (!compiled) {
            QByteArray msg = error.toUtf8();
            sqlite3_result_error(ctx, msg.constData(), int(msg.size()));
            return;
        }
        pattern = new WildcardPattern(std::move(*compiled));
        sqlite3_set_auxdata(ctx, 0, pattern, freePattern);
        // The engine may have dropped it at once; fetch it back to be sure it lives.
        pattern = static_cast<WildcardPattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) {
            auto again =
                WildcardPattern::compile(QString::fromUtf8(p, sqlite3_value_bytes(argv[0])));
            const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
            sqlite3_result_int(ctx, again && again->matchesUtf8(t, sqlite3_value_bytes(argv[1])));
            return;
        }
    }
    const auto* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    sqlite3_result_int(ctx, pattern->matchesUtf8(t, sqlite3_value_bytes(argv[1])) ? 1 : 0);
}

// The file a path names, with every symbolic link resolved, so that the engine, its journal and
// a compacted copy all work beside the real file. A file still to be made gets its folder
// resolved; a dangling link stands for the file it points to.
QString resolvedFilePath(const QString& path) {
    QString p = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo fi(p);
        if (fi.exists())
            return fi.canonicalFilePath();
        if (!fi.isSymLink())
            break;
        p = fi.symLinkTarget();
    }
    const QFileInfo fi(p);
    QString folder = QFileInfo(fi.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return p;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + fi.fileName();
}

// Whether a different file now stands at the connection's path. A path that names nothing
// (the file was deleted or moved away by hand) is no replacement: writes then go where they
// always went.
bool replacedOnDisk(sqlite3* db) {
    int moved = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || !moved)
        return false;
    const char* name = sqlite3_db_filename(db, "main");
    struct stat st;
    return name && *name && ::stat(name, &st) == 0;
}

// Runs with the write lock held, just before a commit: a commit into a file that a compaction
// has already replaced would report success for rows that are gone, so it becomes a rollback.
int refuseCommitToReplacedFile(void* db) {
    return replacedOnDisk(static_cast<sqlite3*>(db)) ? 1 : 0;
}

// The system's error number behind the engine's last input/output error: the engine's own record
// of it, else what the catalogue file or its journal last met.
int lastSystemError(sqlite3* db) {
    auto isSpace = [](int e) { return e == ENOSPC || e == EDQUOT || e == EFBIG; };
    int err = sqlite3_system_errno(db);
    if (isSpace(err))
        return err;
    int fileErr = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &fileErr) == SQLITE_OK &&
        isSpace(fileErr))
        return fileErr;
    sqlite3_file* journal = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) == SQLITE_OK &&
        journal && journal->pMethods &&
        journal->pMethods->xFileControl(journal, SQLITE_FCNTL_LAST_ERRNO, &fileErr) == SQLITE_OK &&
        isSpace(fileErr))
        return fileErr;
    return err;
}

bool writable(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

void registerFunctions(sqlite3* db) {
    sqlite3_create_collation_v2(db, "LEDRA_NOCASE", SQLITE_UTF8, nullptr, collateNoCase, nullptr);
    sqlite3_create_function_v2(db, "LEDRA_LIKE", 2,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               likeFunction, nullptr, nullptr, nullptr);
}

QString afterColon(const QString& msg) {
    int i = msg.lastIndexOf(QLatin1Char(':'));
    return i < 0 ? msg : msg.mid(i + 1).trimmed();
}

// Process-wide engine settings, made once before the first connection. Each connection is used
// by one thread at a time, so the engine's own locks and its allocation counters are pure cost:
// a scan allocates for every row it writes.
void configureEngine() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        // A statement that writes many rows inside a transaction keeps the pages it changes in
        // a statement journal; keeping that in memory spares a file write per page.
        sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, -1);
        return sqlite3_initialize() == SQLITE_OK;
    }();
    (void)configured;
}

} // namespace

int bindVariant(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        // A null QString is still a text: store it as empty, not as Null.
        if (value.typeId() == QMetaType::QString)
            return sqlite3_bind_text(stmt, index, "", 0, SQLITE_STATIC);
        return sqlite3_bind_null(stmt, index);
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return sqlite3_bind_int64(stmt, index, value.toBool() ? -1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::QByteArray: {
        QByteArray b = value.toByteArray();
        return sqlite3_bind_blob64(stmt, index, b.constData(), sqlite3_uint64(b.size()),
                                   SQLITE_TRANSIENT);
    }
    case QMetaType::QDateTime: {
        QByteArray t = DateTimeToText(value.toDateTime()).toUtf8();
        return sqlite3_bind_text64(stmt, index, t.constData(), sqlite3_uint64(t.size()),
                                   SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    default: {
        QByteArray t = value.toString().toUtf8();
        return sqlite3_bind_text64(stmt, index, t.constData(), sqlite3_uint64(t.size()),
                                   SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    }
}

QString DateTimeToText(const QDateTime& dt) {
    return dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QDateTime TextToDateTime(const QString& text) {
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// ---- Database -------------------------------------------------------------------------------

Database::Database(Database&& other) noexcept
    : m_db(other.m_db), m_path(std::move(other.m_path)), m_file(std::move(other.m_file)),
      m_mode(other.m_mode), m_readOnly(other.m_readOnly), m_error(std::move(other.m_error)) {
    other.m_db = nullptr;
}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        m_db = other.m_db;
        m_path = std::move(other.m_path);
        m_file = std::move(other.m_file);
        m_mode = other.m_mode;
        m_readOnly = other.m_readOnly;
        m_error = std::move(other.m_error);
        other.m_db = nullptr;
    }
    return *this;
}

Database::~Database() {
    close();
}

EngineError Database::openError(int rc) const {
    const QString name = fileName(m_path);
    QFileInfo fi(m_path);
    if (m_path.isEmpty())
        return {EngineErr::InvalidPath, QStringLiteral("No catalogue file was named.")};
    if (fi.isDir())
        return {EngineErr::InvalidPath,
                QStringLiteral("'%1' is a folder, not a catalogue file.").arg(name)};
    if (!fi.exists()) {
        if (!QFileInfo(fi.absolutePath()).isDir())
            return {EngineErr::InvalidPath,
                    QStringLiteral("'%1' is not a valid path: the folder "
                                   "'%2' does not exist.")
                        .arg(name, QDir::toNativeSeparators(fi.absolutePath()))};
        return {EngineErr::FileNotFound, QStringLiteral("Could not find file '%1'.").arg(name)};
    }
    if (rc == SQLITE_CANTOPEN || rc == SQLITE_PERM || rc == SQLITE_AUTH) {
        return {EngineErr::Locked,
                QStringLiteral("The file '%1' cannot be opened: permission denied, or it is in "
                               "use.")
                    .arg(name)};
    }
    return errorFor(rc);
}

EngineError Database::errorFor(int rc) const {
    const QString name = fileName(m_path);
    const QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return {};
    case SQLITE_NOTADB:
        return {EngineErr::NotADatabase,
                QStringLiteral("'%1' is not a catalogue database file.").arg(name)};
    case SQLITE_CORRUPT:
        return {EngineErr::Damaged,
                QStringLiteral("The catalogue '%1' is damaged (%2).").arg(name, msg)};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {EngineErr::Locked,
                QStringLiteral("The catalogue '%1' is locked by another program.").arg(name)};
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return {EngineErr::Locked,
                QStringLiteral("The file '%1' cannot be opened: permission denied.").arg(name)};
    case SQLITE_READONLY:
        if (rc == SQLITE_READONLY_DBMOVED)
            return replacedError();
        if (rc == SQLITE_READONLY_ROLLBACK)
            return {EngineErr::ReadOnly,
                    QStringLiteral("The catalogue '%1' needs recovery: a program writing to it "
                                   "was interrupted. Open it once with write access to the file "
                                   "and its folder (for example with ledra-cli info as its "
                                   "owner); nothing is lost until then.")
                        .arg(name)};
        return {EngineErr::ReadOnly,
                QStringLiteral("The catalogue '%1' is read-only and cannot be changed.").arg(name)};
    case SQLITE_FULL:
        return {EngineErr::DiskFull,
                QStringLiteral("The disk is full: '%1' cannot be written.").arg(name)};
    case SQLITE_IOERR: {
        if (rc == SQLITE_IOERR_LOCK && m_db && replacedOnDisk(m_db))
            return replacedError();
        // The engine reports a write that found no room (or passed the file size limit) as an
        // input/output error; the system's own number tells it apart.
        const int sys = m_db ? lastSystemError(m_db) : 0;
        if (sys == ENOSPC || sys == EDQUOT || sys == EFBIG)
            return {EngineErr::DiskFull,
                    QStringLiteral("The disk is full: '%1' cannot be written (%2).")
                        .arg(name, QString::fromLocal8Bit(std::strerror(sys)))};
        return {EngineErr::IoError,
                QStringLiteral("Disk or input/output error on '%1' (%2).").arg(name, msg)};
    }
    case SQLITE_CONSTRAINT:
        if (rc == SQLITE_CONSTRAINT_COMMITHOOK)
            return replacedError();
        if (rc == SQLITE_CONSTRAINT_CHECK)
            return {EngineErr::TextTooLong,
                    QStringLiteral("The text is too long for the field %1.").arg(afterColon(msg))};
        if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_UNIQUE)
            return {EngineErr::DuplicateKey,
                    QStringLiteral("The record would duplicate the key %1.").arg(afterColon(msg))};
        return {EngineErr::Generic, msg};
    case SQLITE_ERROR:
        if (msg.startsWith(QLatin1String("no such table")))
            return {
                EngineErr::TableNotFound,
                QStringLiteral("The table '%1' was not found in '%2'.").arg(afterColon(msg), name)};
        if (msg.startsWith(QLatin1String("no such column")))
            return {
                EngineErr::UnknownColumn,
                QStringLiteral("The field '%1' was not found in '%2'.").arg(afterColon(msg), name)};
        return {EngineErr::Generic, msg};
    default:
        return {EngineErr::Generic, msg.isEmpty() ? QString::fromUtf8(sqlite3_errstr(rc)) : msg};
    }
}

EngineError Database::replacedError() const {
    return {EngineErr::Locked,
            QStringLiteral("The catalogue '%1' was replaced by a compacted copy while it was open "
                           "here; nothing was written. Try again.")
                .arg(fileName(m_path))};
}

// Opens m_file as m_db with the connection settings every catalogue gets, and reads the schema
// to prove the file is an SQLite database we can use. On a failed open m_db stays null; on a
// failed read it stays open, so the caller can word the engine's message.
int Database::openHandle(OpenMode mode) {
    int flags = SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOFOLLOW;
    if (mode == OpenMode::ReadOnly)
        flags |= SQLITE_OPEN_READONLY;
    else
        flags |= SQLITE_OPEN_READWRITE;
    if (mode == OpenMode::Create)
        flags |= SQLITE_OPEN_CREATE;
    const QByteArray native = QFile::encodeName(m_file);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(native.constData(), &db, flags, CatalogueVfsName());
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        return rc;
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // A catalogue may come from anywhere: refuse what a hostile schema could make us do.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    registerFunctions(m_db);
    sqlite3_commit_hook(m_db, refuseCommitToReplacedFile, m_db);
    sqlite3_stmt* probe = nullptr;
    rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_schema", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW)
        return rc;
    if (mode != OpenMode::ReadOnly)
        sqlite3_exec(m_db, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
    return SQLITE_OK;
}

// A writer that was killed mid-write leaves a journal that only a writing connection may roll
// back. Do that once, briefly, where the file and its folder may be written (the journal is
// deleted afterwards); elsewhere the read-only open reports that the catalogue needs recovery.
bool Database::recoverInterruptedWrite() {
    if (!writable(m_file) || !writable(QFileInfo(m_file).absolutePath()))
        return false;
    sqlite3* reader = m_db;
    m_db = nullptr;
    const int rc = openHandle(OpenMode::ReadWrite);
    sqlite3_close_v2(m_db);
    m_db = reader;
    return rc == SQLITE_OK;
}

bool Database::open(const QString& path, OpenMode mode) {
    configureEngine();
    close();
    m_path = path;
    m_mode = mode;
    m_readOnly = mode == OpenMode::ReadOnly;
    m_file = path.isEmpty() ? QString() : resolvedFilePath(path);
    QFileInfo fi(m_file);
    if (path.isEmpty() || fi.isDir() || (!fi.exists() && mode != OpenMode::Create)) {
        m_error = openError(SQLITE_CANTOPEN);
        return false;
    }
    int rc = openHandle(mode);
    if (rc == SQLITE_READONLY_ROLLBACK && recoverInterruptedWrite()) {
        close();
        rc = openHandle(mode);
    }
    // Replaced between the open and the first read: open what stands there now.
    for (int attempt = 0; attempt < kFollowAttempts && rc == SQLITE_IOERR_LOCK && fileReplaced();
         ++attempt) {
        close();
        rc = openHandle(mode);
    }
    if (rc != SQLITE_OK) {
        m_error = m_db ? errorFor(rc) : openError(rc);
        close();
        return false;
    }
    return true;
}

bool Database::fileReplaced() const {
    return m_db && replacedOnDisk(m_db);
}

bool Database::followReplacedFile() {
    if (!fileReplaced())
        return true;
    // Statements and transactions belong to the old connection; leave it to the caller.
    if (sqlite3_next_stmt(m_db, nullptr) || !sqlite3_get_autocommit(m_db))
        return false;
    sqlite3* old = m_db;
    m_db = nullptr;
    const int rc = openHandle(m_mode == OpenMode::Create ? OpenMode::ReadWrite : m_mode);
    if (rc != SQLITE_OK) {
        close();
        m_db = old;
        return false;
    }
    sqlite3_close_v2(old);
    return !fileReplaced();
}

void Database::close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

sqlite3_stmt* Database::prepareRaw(const QString& sql) {
    if (!m_db) {
        m_error = {EngineErr::Generic, QStringLiteral("No catalogue is open.")};
        return nullptr;
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        m_error = errorFor(rc);
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return stmt;
}

bool Database::bindAll(sqlite3_stmt* stmt, const QVariantList& params) {
    for (int i = 0; i < params.size(); ++i) {
        int rc = bindVariant(stmt, i + 1, params.at(i));
        if (rc != SQLITE_OK) {
            m_error = errorFor(rc);
            return false;
        }
    }
    return true;
}

bool Database::Execute(const QString& sql, const QVariantList& params) {
    // A statement that is its own transaction runs again on the new file when a compaction
    // elsewhere replaced the old one under it (the refusal comes from the file layer's lock, the
    // engine's own check or the commit hook); a few times at most.
    const EngineError before = m_error;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 0) {
            m_error = before; // the refusal that made us try again is no failure
            followReplacedFile();
        }
        const bool ownTransaction = m_db && sqlite3_get_autocommit(m_db);
        sqlite3_stmt* stmt = prepareRaw(sql);
        if (!stmt)
            return false;
        if (!bindAll(stmt, params)) {
            sqlite3_finalize(stmt);
            return false;
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        sqlite3_finalize(stmt);
        if (rc == SQLITE_DONE)
            return true;
        m_error = errorFor(rc);
        const bool replaced = rc == SQLITE_CONSTRAINT_COMMITHOOK || rc == SQLITE_READONLY_DBMOVED ||
                              (rc == SQLITE_IOERR_LOCK && fileReplaced());
        if (!replaced || !ownTransaction || attempt >= kFollowAttempts)
            return false;
    }
}

Recordset Database::OpenRecordset(const QString& sql, const QVariantList& params,
                                  Recordset::Type type) {
    Recordset rs;
    rs.m_db = this;
    rs.m_type = type;
    const EngineError before = m_error;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 0) {
            m_error = before;
            rs.m_error = {};
            followReplacedFile();
        }
        sqlite3_stmt* stmt = prepareRaw(sql);
        if (!stmt) {
            rs.m_error = m_error;
            return rs;
        }
        if (!bindAll(stmt, params)) {
            sqlite3_finalize(stmt);
            rs.m_error = m_error;
            return rs;
        }
        rs.m_stmt = stmt;
        const int n = sqlite3_column_count(stmt);
        rs.m_names.clear();
        rs.m_names.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            rs.m_names.emplace_back(sqlite3_column_name(stmt, i));
        rs.m_valid = true;
        rs.m_eof = false;
        rs.step();
        // The first read of a replaced file is refused (the file layer's lock): a long-lived
        // connection reads what now stands at the path instead.
        if (rs.m_valid || attempt >= kFollowAttempts ||
            sqlite3_extended_errcode(m_db) != SQLITE_IOERR_LOCK || !fileReplaced())
            break;
        rs.Close();
    }
    const int n = rs.columnCount();
    if (type == Recordset::Type::Snapshot && rs.m_valid) {
        while (!rs.m_eof) {
            QVariantList row;
            row.reserve(n);
            for (int i = 0; i < n; ++i)
                row.append(rs.value(i));
            rs.m_rows.push_back(std::move(row));
            rs.step();
        }
        sqlite3_finalize(rs.m_stmt);
        rs.m_stmt = nullptr;
        rs.m_pos = 0;
        rs.m_eof = rs.m_rows.empty();
    }
    return rs;
}

Statement Database::prepare(const QString& sql) {
    Statement st;
    st.m_db = this;
    st.m_stmt = prepareRaw(sql);
    if (!st.m_stmt)
        st.m_error = m_error;
    return st;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    Recordset rs = OpenRecordset(sql, params);
    if (!rs.isValid() || rs.Eof())
        return {};
    return rs.value(0);
}

qint64 Database::changes() const {
    return m_db ? sqlite3_changes64(m_db) : 0;
}

qint64 Database::lastInsertRowId() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void Database::setCacheSize(int mebibytes) {
    if (mebibytes <= 0)
        Execute(QStringLiteral("PRAGMA cache_size=-2000"));
    else
        Execute(QStringLiteral("PRAGMA cache_size=-%1").arg(qint64(mebibytes) * 1024));
}

void Database::setCheckConstraints(bool on) {
    Execute(on ? QStringLiteral("PRAGMA ignore_check_constraints=OFF")
               : QStringLiteral("PRAGMA ignore_check_constraints=ON"));
}

// ---- Recordset ------------------------------------------------------------------------------

Recordset::Recordset(Recordset&& o) noexcept
    : m_db(o.m_db), m_stmt(o.m_stmt), m_type(o.m_type), m_valid(o.m_valid), m_eof(o.m_eof),
      m_error(std::move(o.m_error)), m_names(std::move(o.m_names)), m_rows(std::move(o.m_rows)),
      m_pos(o.m_pos) {
    o.m_stmt = nullptr;
    o.m_valid = false;
    o.m_eof = true;
}

Recordset& Recordset::operator=(Recordset&& o) noexcept {
    if (this != &o) {
        Close();
        m_db = o.m_db;
        m_stmt = o.m_stmt;
        m_type = o.m_type;
        m_valid = o.m_valid;
        m_eof = o.m_eof;
        m_error = std::move(o.m_error);
        m_names = std::move(o.m_names);
        m_rows = std::move(o.m_rows);
        m_pos = o.m_pos;
        o.m_stmt = nullptr;
        o.m_valid = false;
        o.m_eof = true;
    }
    return *this;
}

Recordset::~Recordset() {
    Close();
}

void Recordset::Close() {
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    m_rows.clear();
    m_eof = true;
}

void Recordset::fail(int rc) {
    m_error = m_db ? m_db->errorFor(rc) : EngineError{EngineErr::Generic, QString()};
    if (m_db)
        m_db->m_error = m_error;
    m_eof = true;
    m_valid = false;
}

void Recordset::step() {
    if (!m_stmt) {
        m_eof = true;
        return;
    }
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return;
    if (rc == SQLITE_DONE) {
        m_eof = true;
        return;
    }
    fail(rc);
}

bool Recordset::Bof() const {
    if (m_type == Type::Snapshot)
        return m_rows.empty() || m_pos < 0;
    return m_eof && m_pos == 0;
}

void Recordset::MoveNext() {
    if (m_eof)
        return;
    if (m_type == Type::Snapshot) {
        ++m_pos;
        m_eof = m_pos >= qint64(m_rows.size());
        return;
    }
    step();
}

void Recordset::MoveFirst() {
    if (m_type == Type::Snapshot) {
        m_pos = 0;
        m_eof = m_rows.empty();
    }
}

void Recordset::MoveLast() {
    if (m_type == Type::Snapshot && !m_rows.empty()) {
        m_pos = qint64(m_rows.size()) - 1;
        m_eof = false;
    }
}

qint64 Recordset::RecordCount() const {
    return m_type == Type::Snapshot ? qint64(m_rows.size()) : (m_eof ? 0 : 1);
}

int Recordset::columnIndex(const char* name) const {
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (qstricmp(m_names[i].constData(), name) == 0)
            return int(i);
    }
    return -1;
}

QVariant Recordset::value(const char* name) const {
    return value(columnIndex(name));
}

QVariant Recordset::value(int column) const {
    if (m_eof || column < 0 || column >= int(m_names.size()))
        return {};
    if (m_type == Type::Snapshot && m_stmt == nullptr)
        return m_rows[size_t(m_pos)].at(column);
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)),
                                   sqlite3_column_bytes(m_stmt, column)));
    default:
        return {};
    }
}

bool Recordset::isNull(int column) const {
    if (m_type == Type::Snapshot && m_stmt == nullptr)
        return value(column).isNull();
    return m_eof || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

qint64 Recordset::int64(int column) const {
    if (m_type == Type::Snapshot && m_stmt == nullptr)
        return value(column).toLongLong();
    return m_eof ? 0 : sqlite3_column_int64(m_stmt, column);
}

QString Recordset::text(int column) const {
    if (m_type == Type::Snapshot && m_stmt == nullptr)
        return value(column).toString();
    if (m_eof)
        return {};
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column)) : QString();
}

std::string_view Recordset::utf8(int column) const {
    if (m_eof || m_stmt == nullptr)
        return {};
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return p ? std::string_view(p, size_t(sqlite3_column_bytes(m_stmt, column)))
             : std::string_view();
}

// ---- Statement ------------------------------------------------------------------------------

Statement::Statement(Statement&& o) noexcept
    : m_db(o.m_db), m_stmt(o.m_stmt), m_error(std::move(o.m_error)) {
    o.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& o) noexcept {
    if (this != &o) {
        sqlite3_finalize(m_stmt);
        m_db = o.m_db;
        m_stmt = o.m_stmt;
        m_error = std::move(o.m_error);
        o.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::bindNull(int index) {
    sqlite3_bind_null(m_stmt, index);
}

void Statement::bindInt64(int index, qint64 value) {
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bindText(int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Statement::bindUtf8(int index, const char* data, int size) {
    sqlite3_bind_text(m_stmt, index, data, size, SQLITE_TRANSIENT);
}

void Statement::bindValue(int index, const QVariant& value) {
    bindVariant(m_stmt, index, value);
}

bool Statement::execute() {
    if (!m_stmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE) {
        m_error = m_db->errorFor(rc);
        m_db->m_error = m_error;
        return false;
    }
    return true;
}

// ---- Transaction ----------------------------------------------------------------------------

Transaction::Transaction(Database& db) : m_db(db) {
    for (int attempt = 0; attempt < kFollowAttempts; ++attempt) {
        m_active = m_db.Execute(QStringLiteral("BEGIN IMMEDIATE"));
        // With the lock held the file at the path cannot change any more: if it is still the one
        // this connection has open, the transaction works on the catalogue.
        if (!m_active || !m_db.fileReplaced())
            return;
        m_db.Execute(QStringLiteral("ROLLBACK"));
        m_active = false;
        if (!m_db.followReplacedFile())
            break;
    }
    m_db.setError(m_db.errorFor(SQLITE_CONSTRAINT_COMMITHOOK));
}

Transaction::~Transaction() {
    if (m_active)
        rollback();
}

bool Transaction::commit() {
    if (!m_active)
        return false;
    if (!m_db.Execute(QStringLiteral("COMMIT"))) {
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback() {
    if (!m_active)
        return;
    m_active = false;
    // Keep the error that made us roll back, not the rollback's own.
    EngineError kept = m_db.lastError();
    if (m_db.handle() && !sqlite3_get_autocommit(m_db.handle()))
        m_db.Execute(QStringLiteral("ROLLBACK"));
    m_db.setError(kept);
}
