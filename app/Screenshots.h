#pragma once

#include <QString>

class frmMain;

// Pictures of the main window (list and details view) and of every dialog, each taken as the
// program draws it (QWidget::grab), written as PNG files to folder. For the README and for
// looking over the windows without a screen. Returns the number of pictures written.
int TakeScreenshots(frmMain& window, const QString& folder);
