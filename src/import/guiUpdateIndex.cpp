#include "guiUpdateIndex.h"

#include "controls/ctlCmnDlg.h"
#include "controls/guiUi.h"
#include "disk/frmUpdate.h"
#include "import/mdlImport.h"

void UpdateFromIndex(QWidget* owner, MainView* view, qint32 imageId,
                     const ImageUpdate::Hook& afterRows, QString file) {
    if (file.isEmpty()) {
        ctlCmnDlg picker(owner);
        picker.setFlags(ctlCmnDlg::kFlagHideReadOnly);
        picker.setFilter(QStringLiteral("Marlovex (*.idx)|*.idx|All Files (*.*)|*.*"));
        picker.setFilterIndex(1);
        picker.ShowOpen();
        if (picker.LastError() != 0)
            return;
        file = picker.FileName();
    }
    WidgetUi ui(owner);
    switch (MarlovexLoad(file)) {
    case ImportLoad::Loaded:
        break;
    case ImportLoad::NotSupported:
        ui.message(kImportNotSupported, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    case ImportLoad::Unreadable:
        ui.message(kImportUnreadable, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    IdxTreeSource source;
    frmUpdate::showFor(owner, view, imageId, afterRows, source, ImportFlavour());
    // The reader's memory goes back as soon as the update is done.
    IdxClear();
}
