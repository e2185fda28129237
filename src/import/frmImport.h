#pragma once

#include "disk/guiScanProgress.h"
#include "disk/mdlScan.h"
#include "import/mdlImport.h"

#include "controls/guiUi.h"

#include <QDialog>

#include <optional>

class MainView;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class ctlCmnDlg;

// The Import dialog: the source format, the index file, and the import's progress.
class frmImport : public QDialog {
    Q_OBJECT

public:
    explicit frmImport(QWidget* owner, MainView* view = nullptr);
    ~frmImport() override;

    // Opens the dialog modally for the node images are filed under.
    static void showFor(QWidget* owner, MainView* view, qint32 nodeId, const QString& nodeKey);

    // Set by the caller before showing.
    qint32 NodeID = 0;
    QString NodeKey;

    bool Busy = false;
    bool Cancelled = false;

    // Tests hand in a scripted Ui.
    void setUi(Ui* ui) { m_ui = ui; }
    // The last run's state, for tests.
    const MarlovexImport* import() const { return m_import ? &*m_import : nullptr; }

    void Form_Load();
    void cmdFileBrowse_Click();
    void cmdImport_Click();
    void cmdCancel_Click();

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void setIdle(bool idle);
    void setExpanded(bool expanded);

    MainView* m_view;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    std::optional<MarlovexImport> m_import;

    QComboBox* icmFrom = nullptr;
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdFileBrowse = nullptr;
    ctlCmnDlg* cmnImport = nullptr;
    QPushButton* cmdImport = nullptr;
    QPushButton* cmdCancel = nullptr;
    ScanProgressArea* m_progressArea = nullptr;
};
