#pragma once

#include <QString>

// Path routines. Folders end in "/" (the Linux separator stands where Windows had "\").
QString ExePath();
// The path made absolute against the current folder and cleaned ("" stays "").
QString AbsolutePath(const QString& path);
QString AppFolder();
// Launcher entry folders: ~/.local/share/applications/ and the first shared data folder's
// applications/ (/usr/local/share/applications/ unless XDG_DATA_DIRS says otherwise).
QString UserProgramsFolder();
QString CommonProgramsFolder();
// The user's documents folder.
QString PersonalFolder();
// Creates every missing folder of the path, from the top down; false when one cannot be made.
bool MakeFolders(const QString& folder);
// The path up to and including the last "/" that is not its final character; "" when none.
QString ParentFolder(const QString& path);
QString AddBackslash(const QString& path);
// True when a file can be created and deleted in the folder.
bool IsFolderWritable(const QString& folder);
