#pragma once

#include <QString>

class MainView;
class Ui;

// Opens a catalogue the way the user sees it: the ".mdb" question, the messages, the recent
// list, the menus, the status bar and the caption. A null view means a headless caller: the
// file is opened and reported the same way, but the recent list and the "Default" setting are
// left alone. May change path (after renaming an ".mdb" file). True when a catalogue is open.
bool OpenCatalogue(QString& path, bool mustExist, bool readOnly, Ui& ui, MainView* view);

// Closes the catalogue and puts the window into its no-catalogue state.
void CloseCatalogue(MainView* view);

// "Music" for ".../Disks/Music.2002.ldr": the file name up to its first ".".
QString CatalogueBaseName(const QString& path);

// "Database error number N." and the description, on two lines.
QString DatabaseErrorText(int number, const QString& description);
