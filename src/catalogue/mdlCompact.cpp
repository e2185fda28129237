#include "mdlCompact.h"

#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/MainView.h"
#include "common/Ui.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

} // namespace

void setCompactRenameForTest(std::function<int(const QString&, const QString&)> rename) {
    renameHook() = std::move(rename);
}

QString CompactTemporaryPath(const QString& source) {
    return source + QStringLiteral("-Compact.ldr");
}

QString CompactFinishedText(qint64 oldSize, qint64 newSize, const QLocale& locale) {
    const double share = oldSize > 0 ? double(newSize) * 100.0 / double(oldSize) : 0.0;
    return QStringLiteral("Compact finished!\nOld size: ") + locale.toString(oldSize) +
           QStringLiteral("\nNew size: ") + locale.toString(newSize) + QStringLiteral(" (") +
           locale.toString(share, 'f', 2) + QStringLiteral("%)");
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
    const QString temp = CompactTemporaryPath(source);
    auto fail = [&](const EngineError& e, bool catalogueKept) {
        QFile::remove(temp);
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
    const QFileInfo info(source);
    if (!info.exists())
        return fail(
            {EngineErr::FileNotFound, QStringLiteral("The catalogue file %1 can not be found.")
                                          .arg(QDir::toNativeSeparators(source))},
            true);
    out.oldSize = info.size();
    // A leftover of an interrupted run would make the copy fail.
    if (QFileInfo::exists(temp) && !QFile::remove(temp))
        return fail(errnoError(EACCES, QDir::toNativeSeparators(temp)), true);

    // The copy is made from the open connection: nothing is closed until it is complete.
    report(QStringLiteral("Compacting..."));
    Database& d = db();
    d.clearError();
    if (!d.Execute(QStringLiteral("VACUUM INTO ?"), {temp}))
        return fail(d.lastError(), true);
    if (const int err = syncPath(temp, false))
        return fail(errnoError(err, QDir::toNativeSeparators(temp)), true);

    report(QStringLiteral("Finishing compact..."));
    // The compacted file takes the catalogue's place, so it keeps the catalogue's permissions.
    QFile::setPermissions(temp, QFile::permissions(source));
    d.close();
    int err = 0;
    if (renameHook())
        err = renameHook()(temp, source);
    else if (std::rename(QFile::encodeName(temp).constData(),
                         QFile::encodeName(source).constData()) != 0)
        err = errno;
    if (err) {
        // The catalogue file is as it was: open it again so the user loses nothing.
        const EngineError e = errnoError(err, QDir::toNativeSeparators(source));
        const bool reopened = d.open(source, Database::OpenMode::ReadWrite);
        if (reopened)
            catalogue().path = source;
        return fail(e, reopened);
    }
    syncPath(info.absolutePath(), true);

    out.newSize = QFileInfo(source).size();
    if (!d.open(source, Database::OpenMode::ReadWrite))
        return fail(d.lastError(), false);
    catalogue().path = source;
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
