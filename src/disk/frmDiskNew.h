#pragma once

#include "disk/VolumeSource.h"
#include "disk/guiScanProgress.h"
#include "disk/mdlScan.h"

#include "controls/guiUi.h"

#include <QDialog>

#include <optional>

class MainView;
class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QWidget;

// The New Disk dialog: the drive list, the eight scan options, and the scan's progress.
class frmDiskNew : public QDialog {
    Q_OBJECT

public:
    // volumes: where the drive list comes from (null: the machine's volumes).
    explicit frmDiskNew(QWidget* owner, MainView* view = nullptr, VolumeSource* volumes = nullptr);
    ~frmDiskNew() override;

    // Opens the dialog modally for the node images are filed under.
    static void showFor(QWidget* owner, MainView* view, qint32 nodeId, const QString& nodeKey);

    // Set by the caller before showing.
    qint32 NodeID = 0;
    QString NodeKey;

    bool Busy = false;
    bool Cancelled = false;

    // Tests hand in a scripted Ui.
    void setUi(Ui* ui) { m_ui = ui; }
    // The run's state, for tests.
    const DiskScan* scan() const { return m_scan ? &*m_scan : nullptr; }

    void Form_Load();
    void cmdRefresh_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void setIdle(bool idle);
    void setExpanded(bool expanded);
    ScanOptions checkedOptions() const;
    void storeSettings();
    QString selectedKey() const;
    void selectKey(const QString& key);
    void selectPlace(const QString& place);
    // Scans a mounted volume, reading it ahead on a second thread.
    void scanFolder(const VolumeInfo& chosen, const ScanOptions& opt);

    MainView* m_view;
    SystemVolumeSource m_systemVolumes;
    VolumeSource* m_volumes;
    QList<VolumeInfo> m_listed;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    std::optional<DiskScan> m_scan;
    bool m_settingsStored = false;

    QTreeWidget* lsvDrive = nullptr;
    QCheckBox* chkNoCollect = nullptr;
    QCheckBox* chkAskName = nullptr;
    QCheckBox* chkEject = nullptr;
    QCheckBox* chkSummary = nullptr;
    QCheckBox* chkAutoClose = nullptr;
    QCheckBox* chkFiles = nullptr;
    QCheckBox* chkMSDOSName = nullptr;
    QCheckBox* chkTime = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdRefresh = nullptr;
    ScanProgressArea* m_progressArea = nullptr;
};
