#pragma once

#include <QString>

// The one-time set-up: a launcher entry for the program and the association of ".ldr" files
// with it. Failures are silent; the result says whether the launcher entry was written.
struct SetupResult {
    QString desktopEntry; // the launcher entry written, empty when it could not be
    QString mimePackage;  // the file-type package written, empty when it could not be
    QString icon;         // the application icon copied for the launcher entry
};
SetupResult RunSetup(const QString& exePath);
