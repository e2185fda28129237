#pragma once

#include <QString>
#include <QStringList>

// The program's arguments: a catalogue path, or one of the switches. A switch is a whole
// argument, so a folder named "setup" inside a path is only a folder.
struct StartArgs {
    enum class Action { Open, Setup, Help, Version, Screenshots, UsageError };
    Action action = Action::Open;
    // The catalogue to open, made absolute; "" when none was given. Arguments that are not
    // switches are joined by blanks, as the whole command line always named one path.
    QString path;
    QString error;      // for UsageError: what was wrong
    QString pictureDir; // for Screenshots: where the pictures go
};

// args: the arguments without the program's name. "--" ends the switches.
StartArgs ParseStartArgs(const QStringList& args);

// What --help prints.
QString StartUsage();
