#pragma once

#include "disk/mdlUpdate.h"

#include <QString>

class MainView;
class QWidget;

// File > Update from Index...: brings an image up to date with a newer index file of its disk,
// keeping the notes of its items. file: the index to read; empty asks for one. afterRows runs
// inside the write's transaction (the name index).
void UpdateFromIndex(QWidget* owner, MainView* view, qint32 imageId,
                     const ImageUpdate::Hook& afterRows, QString file = QString());
