#pragma once

#include <QString>

class QLocale;

// The process-wide settings, each named by its stored value name. Booleans are plain bools in
// memory and stored as 0 / -1.
struct Options {
    // Options
    qint32 WindowState = 2;
    qint32 SizeVLeft = 160;
    qint32 SizeTreeLeft = 200;
    qint32 NewType = 1;
    qint32 Locale = 1033;
    bool LoadDefaultDatabase = true;
    bool UseIcons = true;
    // Options\View
    bool ViewToolbar = true;
    bool ViewStatusBar = true;
    bool ViewNodes = true;
    bool ViewTree = false;
    // The contents list: 1 list, 2 details; the details' column widths ("w,w,w,w") and sort
    // ("column,order", order 0 ascending, 1 descending).
    qint32 ListView = 1;
    QString ListColumns;
    QString ListSort;
    // The main window's place and size (its saved geometry, base64); empty for the default.
    QString WindowGeometry;
    // Options\View\Tree
    bool IncrementalFill = true;
    bool DetectSubFolders = true;
    // Options\New Disk
    QString LastDrive;
    // The volume behind "Last Drive" (mount point or CD device), which outlives its letter.
    QString LastDriveVolume;
    bool NoCollect = false;
    bool AskForName = false;
    bool Eject = false;
    bool DisplaySummary = true;
    bool AutoClose = true;
    bool ScanFiles = true;
    bool ScanMSDOSName = false;
    bool ScanTime = false;
    // Database
    QString Default;
};

// The one in-memory set of settings.
Options& options();

void DefaultOptions();
void LoadOptions();
void SaveOptions();

// The Windows language identifier of the system locale (1033 when unknown).
qint32 SystemLanguageId();
// The Windows language identifier of a locale; a language known only for another territory
// gives its main territory's identifier, an unknown language 1033.
qint32 LanguageIdOf(const QLocale& locale);
