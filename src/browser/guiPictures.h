#pragma once

#include <QIcon>
#include <QString>

// The main window's pictures by key: "T1".."T6", "T50" (image types), "NodeC"/"NodeO",
// "FolderC"/"FolderO", and the list's "Folder" and "Unknown". Desktop theme icons where the
// theme has them, the style's own otherwise. An unknown key gives a null icon.
QIcon Picture(const QString& key);

// A tree entry's icon: the normal picture, with the selected picture shown while selected.
QIcon TreePicture(const QString& normalKey, const QString& selectedKey);

// The icon theme Ledra depends on, used where the desktop names none (a plain window manager)
// and as the fallback for the icons the desktop's theme lacks. Idempotent.
inline constexpr const char* kFallbackIconTheme = "breeze";
void UseIconThemeFallback();
