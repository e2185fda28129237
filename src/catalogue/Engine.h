#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Error numbers the program tells apart; every engine failure carries one of them.
namespace EngineErr {
enum : int {
    None = 0,
    Generic = 3000,
    DuplicateKey = 3022,
    FileNotFound = 3024,
    DiskFull = 3026,
    ReadOnly = 3027,
    NewerFormat = 3041,
    IoError = 3043,
    InvalidPath = 3044,
    Damaged = 3049,
    Locked = 3051,
    UnknownColumn = 3061,
    TableNotFound = 3078,
    TextTooLong = 3163,
    NotADatabase = 3343,
};
}

struct EngineError {
    int number = 0;
    QString description;

    explicit operator bool() const { return number != 0; }
};

class Database;

// A cursor over the rows of a SELECT. Forward-only cursors step the statement as they go;
// snapshot cursors read every row at open, so they can count and move back.
class Recordset {
public:
    enum class Type { ForwardOnly, Snapshot };

    Recordset() = default;
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    ~Recordset();

    bool isValid() const { return m_valid; }
    const EngineError& error() const { return m_error; }

    bool Eof() const { return m_eof; }
    bool Bof() const;
    void MoveNext();
    void MoveFirst();
    void MoveLast();
    qint64 RecordCount() const;
    void Close();

    // Field by column name or alias (case-insensitive) or position; a null QVariant for a column
    // without value, and for a read past the end.
    QVariant value(const char* name) const;
    QVariant value(int column) const;
    QVariant operator[](const char* name) const { return value(name); }
    int columnIndex(const char* name) const;
    int columnCount() const { return int(m_names.size()); }

    // Fast reads for the current row of a forward-only cursor (and snapshots too).
    bool isNull(int column) const;
    qint64 int64(int column) const;
    QString text(int column) const;
    // The column's text as stored (UTF-8), without a copy: valid until the cursor moves. Only
    // for forward-only cursors; empty for a Null column.
    std::string_view utf8(int column) const;

private:
    friend class Database;
    void step();
    void fail(int rc);

    Database* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    Type m_type = Type::ForwardOnly;
    bool m_valid = false;
    bool m_eof = true;
    EngineError m_error;
    std::vector<QByteArray> m_names;
    std::vector<QVariantList> m_rows; // snapshot only
    qint64 m_pos = 0;
};

// A statement prepared once and run many times with new values (the scan's inserts).
class Statement {
public:
    Statement() = default;
    Statement(Statement&&) noexcept;
    Statement& operator=(Statement&&) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    bool isValid() const { return m_stmt != nullptr; }
    const EngineError& error() const { return m_error; }

    // Parameters are numbered from 1.
    void bindNull(int index);
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& value);
    void bindUtf8(int index, const char* data, int size); // copied by the engine
    void bindValue(int index, const QVariant& value);
    // Runs the statement to its end and makes it ready for the next values.
    bool execute();

private:
    friend class Database;
    Database* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    EngineError m_error;
};

// The one connection to a catalogue file. Operations report failure through their result and
// lastError(), which stays set until cleared, so callers can look at it at chosen points.
class Database {
public:
    enum class OpenMode { ReadOnly, ReadWrite, Create };

    Database() = default;
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // Opens the file; only OpenMode::Create may make a new one. Symbolic links on the path are
    // resolved once, here; messages name the path as given. A read-only open rolls back what an
    // interrupted writer left behind when the file and its folder may be written.
    bool open(const QString& path, OpenMode mode);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const { return m_readOnly; }
    QString path() const { return m_path; }
    // The file the engine works on: the path with its links resolved.
    QString filePath() const { return m_file; }

    // True when another file now stands at the path than the one this connection has open (a
    // compaction elsewhere renamed its copy over it): what this connection writes would be lost.
    // Every commit checks this and is refused with the locked error when it holds.
    bool fileReplaced() const;
    // Opens the file that now stands at the path in place of a replaced one, when no statement
    // or transaction is running on this connection. False when the file was replaced and is
    // still the old one afterwards.
    bool followReplacedFile();

    bool Execute(const QString& sql, const QVariantList& params = {});
    Recordset OpenRecordset(const QString& sql, const QVariantList& params = {},
                            Recordset::Type type = Recordset::Type::ForwardOnly);
    Statement prepare(const QString& sql);
    // The first column of the first row, or a null QVariant.
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    const EngineError& lastError() const { return m_error; }
    void clearError() { m_error = {}; }
    void setError(const EngineError& error) { m_error = error; }
    qint64 changes() const;
    qint64 lastInsertRowId() const;

    // Page cache for bulk work, in MiB; 0 restores the default.
    void setCacheSize(int mebibytes);
    // Whether statements prepared from now on test the columns' CHECK constraints (on by
    // default). Only for a writer that keeps every value within its column itself.
    void setCheckConstraints(bool on);

    sqlite3* handle() const { return m_db; }

    // The engine error for an SQLite result code on this connection.
    EngineError errorFor(int rc) const;

private:
    friend class Recordset;
    friend class Statement;
    bool bindAll(sqlite3_stmt* stmt, const QVariantList& params);
    sqlite3_stmt* prepareRaw(const QString& sql);
    EngineError openError(int rc) const;
    int openHandle(OpenMode mode);
    bool recoverInterruptedWrite();
    EngineError replacedError() const;

    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_file;
    OpenMode m_mode = OpenMode::ReadOnly;
    bool m_readOnly = false;
    EngineError m_error;
};

// Rolls back in its destructor unless committed. Holds the catalogue's write lock from the start,
// on the file that stands at the path (a replaced one is left for the new one first).
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit();
    void rollback();

private:
    Database& m_db;
    bool m_active = false;
};

// Binds one value; numbers as 64-bit integers, date-times as "yyyy-MM-dd hh:mm:ss" text.
int bindVariant(sqlite3_stmt* stmt, int index, const QVariant& value);

// Date-times are stored as local time text.
QString DateTimeToText(const QDateTime& dt);
QDateTime TextToDateTime(const QString& text);
