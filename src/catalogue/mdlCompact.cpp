#include "mdlCompact.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/MainView.h"
#include "common/Ui.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::function<int(const QString&, const QString&)>& renameHook() {
    static std::function<int(const QString&, const QString&)> hook;
    return hook;
}

QString unexpectedErrorText(int number, const QString& description) {
    return QStringLiteral("Unexpected error number %1.\n%2").arg(number).arg(description);
}

// Flushes a file (or a folder's entries) to the disk; an errno value, 0 on success.
int syncPath(const QString& path, bool directory) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          directory ? (O_RDONLY | O_DIRECTORY) : O_RDONLY);
    if (fd < 0)
        return errno;
    const int rc = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the data itself is what must be durable.
    return directory && (rc == EINVAL || rc == EBADF) ? 0 : rc;
}

EngineError errnoError(int err, const QString& what) {
    int number = EngineErr::IoError;
    if (err == ENOSPC || err == EDQUOT)
        number = EngineErr::DiskFull;
    else if (err == EACCES || err == EPERM)
        number = EngineErr::Locked;
    else if (err == EROFS)
        number = EngineErr::ReadOnly;
    else if (err == ENOENT)
        number = EngineErr::FileNotFound;
    return {number,
            what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err)) + u'.'};
}

QString compactPrefix(const QString& file) {
    return QFileInfo(file).fileName() + QStringLiteral("-Compact");
}

// A new, empty file of a name no other run uses, made here and nowhere else; the copy is
// written into it. An errno value on failure.
int createTemporary(const QString& file, QString* temp) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name =
            file + QStringLiteral("-Compact-") +
            QString::number(QRandomGenerator::global()->generate64() & 0xFFFFFFFFFFull, 16) +
            QStringLiteral(".ldr");
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            *temp = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// The copy failed: a disk or file-system failure belongs to the copy, not to the catalogue.
EngineError copyError(const EngineError& e, const QString& temp) {
    const QString name = QDir::toNativeSeparators(temp);
    if (e.number == EngineErr::DiskFull)
        return {e.number,
                QStringLiteral("There is not enough room on the disk for the compacted copy "
                               "'%1'; the catalogue was left as it was.")
                    .arg(name)};
    if (e.number == EngineErr::IoError)
        return {e.number, QStringLiteral("Disk or input/output error while writing the compacted "
                                         "copy '%1'; the catalogue was left as it was.")
                              .arg(name)};
    return e;
}

} // namespace

QStringList CompactLeftovers(const QString& file) {
    const QFileInfo info(file);
    const QString prefix = compactPrefix(file);
    QStringList found;
    const QStringList names =
        QDir(info.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.startsWith(prefix) && name.endsWith(QLatin1String(".ldr")))
            found.append(info.absolutePath() + QLatin1Char('/') + name);
    }
    return found;
}

void setCompactRenameForTest(std::function<int(const QString&, const QString&)> rename) {
    renameHook() = std::move(rename);
}

QString CompactFinishedText(qint64 oldSize, qint64 newSize, const QLocale& locale) {
    const double share = oldSize > 0 ? double(newSize) * 100.0 / double(oldSize) : 0.0;
    return QStringLiteral("Compact finished!\nOld size: ") + locale.toString(oldSize) +
           QStringLiteral(" bytes\nNew size: ") + locale.toString(newSize) +
           QStringLiteral(" bytes (") + locale.toString(share, 'f', 2) + QStringLiteral("%)");
}

CompactOutcome CompactCatalogue(Ui& ui, MainView* view, const CompactStatusSink& status, bool ask,
                                bool showFinal) {
    CompactOutcome out;
    const QString source = catalogue().path;
    if (source.isEmpty() || !db().isOpen())
        return out;
    if (ask && ui.message(QStringLiteral("This action may take a while. Are you sure you wish to "
                                         "compact database?"),
                          Ui::Buttons::YesNo, Ui::Icon::Question) != Ui::Answer::Yes) {
        out.status = CompactOutcome::Status::Declined;
        return out;
    }
    auto report = [&](const QString& text) {
        if (status)
            status(text);
    };
    ui.setBusy(true);
    Database& d = db();
    // The real file: the copy is made beside it and renamed over it, so a link to the catalogue
    // stays a link.
    const QString file = d.filePath();
    QString temp;
    std::optional<Transaction> lock;
    auto fail = [&](const EngineError& e, bool catalogueKept) {
        if (!temp.isEmpty())
            QFile::remove(temp);
        lock.reset();
        ui.setBusy(false);
        out.status = CompactOutcome::Status::Failed;
        out.error = e.number ? e.number : EngineErr::Generic;
        out.description = e.description;
        out.message = unexpectedErrorText(out.error, out.description);
        ui.message(out.message, Ui::Buttons::Ok, Ui::Icon::Critical);
        if (!catalogueKept)
            CloseCatalogue(view);
        return out;
    };

    report(QStringLiteral("Preparing compact..."));
    if (!QFileInfo::exists(file))
        return fail(
            {EngineErr::FileNotFound, QStringLiteral("The catalogue file %1 can not be found.")
                                          .arg(QDir::toNativeSeparators(source))},
            true);
    // The engine falls back to reading a file it may not write (a read-only file system).
    if (sqlite3_db_readonly(d.handle(), "main") == 1)
        return fail({EngineErr::ReadOnly,
                     QStringLiteral("The catalogue '%1' is read-only (a read-only file or file "
                                    "system) and cannot be compacted.")
                         .arg(QDir::toNativeSeparators(source))},
                    true);
    // The catalogue's write lock, held from before the copy until after the rename: no other
    // program commits a row the copy would not have. Writers wait, or give up with the locked
    // message; one that was waiting on the old file finds it replaced and does not write there.
    d.clearError();
    lock.emplace(d);
    if (!lock->isActive())
        return fail(d.lastError(), true);
    out.oldSize = QFileInfo(file).size();
    // Another run of this file would hold the lock now, so these are left from interrupted runs.
    for (const QString& leftover : CompactLeftovers(file))
        QFile::remove(leftover);
    if (const int err = createTemporary(file, &temp)) {
        const QString folder = QDir::toNativeSeparators(QFileInfo(file).absolutePath());
        if (err == EACCES || err == EPERM || err == EROFS)
            return fail({EngineErr::ReadOnly,
                         QStringLiteral("The folder '%1' is read-only: the compacted copy cannot "
                                        "be written there.")
                             .arg(folder)},
                        true);
        return fail(errnoError(err, folder), true);
    }

    report(QStringLiteral("Compacting..."));
    {
        // A second connection reads the catalogue under the first one's lock.
        Database reader;
        if (!reader.open(file, Database::OpenMode::ReadOnly))
            return fail(reader.lastError(), true);
        if (!reader.Execute(QStringLiteral("VACUUM INTO ?"), {temp}))
            return fail(copyError(reader.lastError(), temp), true);
    }
    if (const int err = syncPath(temp, false))
        return fail(copyError(errnoError(err, temp), temp), true);
    {
        Database copy;
        if (!copy.open(temp, Database::OpenMode::ReadOnly) ||
            copy.scalar(QStringLiteral("PRAGMA quick_check")).toString() != QLatin1String("ok"))
            return fail({EngineErr::Damaged,
                         QStringLiteral("The compacted copy '%1' did not pass its check; the "
                                        "catalogue was left as it was.")
                             .arg(QDir::toNativeSeparators(temp))},
                        true);
    }

    report(QStringLiteral("Finishing compact..."));
    // The compacted file takes the catalogue's place, so it keeps its permissions and owner.
    struct stat st;
    if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
        ::chmod(QFile::encodeName(temp).constData(), st.st_mode & 07777);
        if (::chown(QFile::encodeName(temp).constData(), st.st_uid, st.st_gid) != 0) {
            // Only the superuser may give a file away; the copy stays the caller's own.
        }
    }
    int err = 0;
    if (renameHook())
        err = renameHook()(temp, file);
    else if (std::rename(QFile::encodeName(temp).constData(),
                         QFile::encodeName(file).constData()) != 0)
        err = errno;
    if (err)
        return fail(errnoError(err, QDir::toNativeSeparators(source)), true);
    temp.clear();
    syncPath(QFileInfo(file).absolutePath(), true);
    lock.reset();

    out.newSize = QFileInfo(file).size();
    if (!d.open(source, Database::OpenMode::ReadWrite))
        return fail(d.lastError(), false);
    // The copy may number the rows anew; what is keyed by row number is made again.
    if (CompactedHook())
        CompactedHook()(d, &ui, view);

    report(QStringLiteral("Compact finished."));
    ui.setBusy(false);
    out.status = CompactOutcome::Status::Done;
    out.message = CompactFinishedText(out.oldSize, out.newSize);
    if (showFinal)
        ui.message(out.message, Ui::Buttons::Ok, Ui::Icon::Information);
    return out;
}
