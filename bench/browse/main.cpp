// Browsing a big catalogue: one image of 1,000,000 items in 50,000 folders, made with the engine
// layer. Prints the time of each browse step and its ratio to the step's target.
#include "browser/frmMain.h"
#include "browser/guiContentsView.h"
#include "browser/mdlBrowse.h"
#include "catalogue/mdlDatabase.h"
#include "catalogue/mdlFile.h"
#include "common/Ui.h"
#include "shell/mdlOptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeView>

#include <cstdio>

namespace {

constexpr int kFolders = 50000;
constexpr int kItems = 1000000;
constexpr int kBigFolderFiles = 10000;
constexpr int kHugeFolderFiles = 100000;

// Folder 1..50000: the first 50 stand in the root, every other under folder (id / 50) so the
// tree is three levels deep. Folder 1 holds 10,000 files, folder 2 100,000; the rest are spread
// evenly.
bool build(const QString& path) {
    SilentUi ui;
    QString p = path;
    if (!OpenCatalogue(p, false, false, ui, nullptr))
        return false;
    Database& d = db();
    d.setCacheSize(256);
    Transaction t(d);
    d.Execute(QStringLiteral("INSERT INTO Images(ID, Serial, NodeID, Type, Name, Date, Source, "
                             "Label) VALUES(1, '1234ABCD', 0, 3, 'Big', '2024-01-01 00:00:00', "
                             "'D:', 'DATA')"));
    Statement ins = d.prepare(
        QStringLiteral("INSERT INTO Items(ID, ImageID, ParentID, Type, Name, Attrib, Size) "
                       "VALUES(?, 1, ?, ?, ?, ?, ?)"));
    static const char* const ext[] = {".txt", ".jpg", ".mp3", ".pdf", ".cpp", ".h", "", ".iso"};
    for (int id = 1; id <= kFolders; ++id) {
        ins.bindInt64(1, id);
        ins.bindInt64(2, id <= 50 ? 0 : id / 50);
        ins.bindInt64(3, 0);
        ins.bindText(4, QStringLiteral("Folder %1").arg(id));
        ins.bindInt64(5, 16);
        ins.bindInt64(6, 0);
        if (!ins.execute())
            return false;
    }
    for (int i = 0; i < kItems - kFolders; ++i) {
        const int id = kFolders + 1 + i;
        const int spread = kBigFolderFiles + kHugeFolderFiles;
        const int parent = i < kBigFolderFiles ? 1
                           : i < spread        ? 2
                                               : 3 + (i - spread) % (kFolders - 2);
        ins.bindInt64(1, id);
        ins.bindInt64(2, parent);
        ins.bindInt64(3, 1);
        const QByteArray name = QByteArray("file ") + QByteArray::number(id) + ext[id % 8];
        ins.bindUtf8(4, name.constData(), int(name.size()));
        ins.bindInt64(5, id % 13 == 0 ? 2 : 32);
        ins.bindInt64(6, id);
        if (!ins.execute())
            return false;
    }
    if (!t.commit())
        return false;
    CloseCatalogue(nullptr);
    return true;
}

template <typename F> double timeMs(F&& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

void report(QTextStream& out, const char* what, double ms, double targetMs) {
    out << QString::fromLatin1(what).leftJustified(44)
        << QString::number(ms, 'f', 1).rightJustified(9) << " ms   target "
        << QString::number(targetMs, 'f', 0).rightJustified(5) << " ms   ratio "
        << QString::number(ms / targetMs, 'f', 3) << Qt::endl;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    DefaultOptions();
    options().LoadDefaultDatabase = false;
    options().ViewTree = true;
    QTextStream out(stdout);
    const QString path = dir.filePath(QStringLiteral("Big.ldr"));
    out << "Building a catalogue of " << kItems << " items in " << kFolders << " folders..."
        << Qt::endl;
    const double buildMs = timeMs([&] {
        if (!build(path))
            std::fprintf(stderr, "Could not build the catalogue.\n");
    });
    out << "  built in " << QString::number(buildMs / 1000.0, 'f', 1) << " s" << Qt::endl;

    SilentUi ui;
    frmMain window(path);
    window.setUi(&ui);
    window.resize(1000, 700);
    window.show();
    window.Load();
    QApplication::processEvents();

    report(out, "catalogue tree refresh", timeMs([&] { window.mnuViewRefresh_Click(); }), 100);
    options().IncrementalFill = true;
    options().DetectSubFolders = true;
    report(out, "image click, incremental fill of the root",
           timeMs([&] { window.showCatalogueEntry(QStringLiteral("I1")); }), 100);
    report(out, "incremental fill of a folder of 49 folders",
           timeMs([&] { window.trvMain_Expand(window.folderEntry(QStringLiteral("K2"))); }), 100);
    options().UseIcons = true;
    window.FillFiles(1); // the first sight of each extension asks the desktop once
    report(out, "listing 10,000 files with icons", timeMs([&] { window.FillFiles(1); }), 100);
    report(out, "listing 10,000 files, painted", timeMs([&] {
               window.FillFiles(1);
               QApplication::processEvents();
           }),
           100);
    // What the user waits for in a big folder: listed, laid out and painted, then the last
    // entry on screen, in both views.
    ContentsView* pane = window.contentsView();
    auto paint = [pane] {
        QApplication::processEvents();
        pane->view()->viewport()->repaint();
    };
    auto scrollToEnd = [pane, paint] {
        pane->view()->scrollTo(pane->model()->index(pane->count() - 1, 0));
        paint();
    };
    // The parts of a big listing: reading the rows and ordering them.
    QVector<ListEntry> rows;
    report(out, "read 100,000 rows", timeMs([&] { rows = ReadFolderContents(db(), 1, 3, 2); }),
           500);
    report(out, "order 100,000 rows by name",
           timeMs([&] { SortListEntries(rows, ListColumn::Name, false); }), 500);
    for (bool details : {false, true}) {
        window.mnuViewDetails_Click(details);
        for (auto [folder, files, target] :
             {std::tuple{1, "10,000", 100.0}, std::tuple{2, "100,000", 1000.0}}) {
            const QByteArray what = QByteArray(details ? "details: " : "list: ") + files +
                                    " files listed, laid out, painted";
            report(out, what.constData(), timeMs([&] {
                       window.FillFiles(folder);
                       paint();
                   }),
                   target);
            const QByteArray end =
                QByteArray(details ? "details: " : "list: ") + "scroll to the end of " + files;
            report(out, end.constData(), timeMs(scrollToEnd), target / 2);
        }
    }
    options().IncrementalFill = false;
    report(out, "whole folder tree of 50,000 folders",
           timeMs([&] { window.showCatalogueEntry(QStringLiteral("I1")); }), 2000);
    return 0;
}
