#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

class MainView;
class Ui;

// Compacting the open catalogue: under the catalogue's write lock the file is copied into a new
// file of its own beside it ("<file>-Compact-<random>.ldr"), checked, made durable and renamed
// over the catalogue in one step, so that a complete catalogue stands at the path at every moment
// and no other program's committed rows are lost; a failure leaves the catalogue file untouched.
struct CompactOutcome {
    enum class Status { NotOpen, Declined, Failed, Done };
    Status status = Status::NotOpen;
    qint64 oldSize = 0;
    qint64 newSize = 0;
    int error = 0;
    QString description;
    QString message; // the final or the error message
};

using CompactStatusSink = std::function<void(const QString& status)>;

// ask: put the question first; showFinal: show the final message through the Ui (the command
// line prints it itself). A null view means a headless caller.
CompactOutcome CompactCatalogue(Ui& ui, MainView* view, const CompactStatusSink& status,
                                bool ask = true, bool showFinal = true);

// The compacted copies of earlier runs beside a catalogue file ("<file>-Compact*.ldr").
QStringList CompactLeftovers(const QString& file);

// "Compact finished!", the old size and the new size with its share of the old, three lines.
QString CompactFinishedText(qint64 oldSize, qint64 newSize, const QLocale& locale = QLocale());

// Failure injection for tests: replaces the final rename (returns 0 or an errno value).
void setCompactRenameForTest(std::function<int(const QString& from, const QString& to)> rename);
