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
    if (const QString failed = ImportLoadMessage(MarlovexLoad(file)); !failed.isEmpty()) {
        ui.message(failed, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    IdxTreeSource source;
    frmUpdate::showFor(owner, view, imageId, afterRows, source, ImportFlavour());
    // The reader's memory goes back as soon as the update is done.
    IdxClear();
}
