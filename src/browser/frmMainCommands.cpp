// The commands that hand work to other windows: editing the catalogue's grouping, New Disk,
// Import, Find and the properties dialogs. They are wired to the menus and the toolbar already.
#include "frmMain.h"

void frmMain::mnuFileNewNode_Click() {}

void frmMain::mnuFileNewDisk_Click() {}

void frmMain::mnuFileImport_Click() {}

void frmMain::mnuFileRename_Click() {}

void frmMain::mnuFileDelete_Click() {}

void frmMain::mnuFileProperties_Click() {}

void frmMain::mnuEditFind_Click() {}
