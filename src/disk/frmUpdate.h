#pragma once

#include "disk/VolumeSource.h"
#include "disk/mdlUpdate.h"

#include "controls/guiUi.h"

#include <QDialog>

#include <functional>
#include <optional>

class MainView;
class QLabel;
class QPushButton;
class ScanProgressArea;
class frmUpdateDiff;

// Updating an image from its disk: finds the disk, reads it with the New Disk dialog's progress
// and Cancel, shows the differences and writes them when the user applies them.
class frmUpdate : public QDialog {
    Q_OBJECT

public:
    // volumes: where the disk is looked for (null: the machine's volumes).
    frmUpdate(QWidget* owner, MainView* view, qint32 imageId, VolumeSource* volumes = nullptr);
    ~frmUpdate() override;

    // Updates the image from its disk: the mounted volume of its serial, else a folder the user
    // picks. afterRows runs inside the write's transaction (the name index).
    static void showFor(QWidget* owner, MainView* view, qint32 imageId,
                        const ImageUpdate::Hook& afterRows);
    // The same from a tree the caller has read in (an index file), walked with its flavour.
    static void showFor(QWidget* owner, MainView* view, qint32 imageId,
                        const ImageUpdate::Hook& afterRows, TreeSource& source,
                        const ScanFlavour& flavour);

    ImageUpdate::Hook afterRows;
    // Test seams: the folder picker (start folder in, chosen folder or "" out) and the review of
    // the differences (true applies them).
    std::function<QString(const QString& start)> pickFolder;
    std::function<bool(frmUpdateDiff& dialog)> review;
    void setUi(Ui* ui) { m_ui = ui; }

    bool Busy = false;
    bool Cancelled = false;

    // The folder to read for the image: its volume when mounted (and not a folder of it), else
    // what the user picks; empty when none.
    QString findDisk();
    // Reads the folder (or the tree), shows the differences and writes them on Apply.
    DiskScan::Result RunFolder(const QString& root);
    DiskScan::Result Run(TreeSource& source, const ScanFlavour& flavour = ScanFlavour());
    void cmdCancel_Click();
    const ImageUpdate* update() const { return m_update ? &*m_update : nullptr; }

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    MainView* m_view;
    qint32 m_imageId;
    SystemVolumeSource m_systemVolumes;
    VolumeSource* m_volumes;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    std::optional<ImageUpdate> m_update;
    QLabel* lblImage = nullptr;
    ScanProgressArea* m_progressArea = nullptr;
    QPushButton* cmdCancel = nullptr;
};
