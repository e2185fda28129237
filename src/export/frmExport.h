#pragma once

#include "controls/guiUi.h"
#include "mdlExport.h"

#include <QDialog>

class MainView;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

// File > Export...: writes the selected image, the folder listed in the main window, or the Find
// dialog's results to a file in one of three formats. The export runs on the window's thread,
// pausing for events every few thousand rows; while it runs, only Cancel works.
class frmExport : public QDialog {
    Q_OBJECT

public:
    // The image selected in the main window, or the folder listed in it.
    frmExport(QWidget* owner, MainView& view);
    // Chosen items (image ID, item ID) of any images.
    frmExport(QWidget* owner, const QList<QPair<qint32, qint32>>& items);

    // Shows the dialog for the main window's selection; a message instead when no image is
    // selected.
    static void exportFromView(QWidget* owner, MainView& view, Ui& ui);

    void setUi(Ui* ui) { m_ui = ui; }
    bool hasImage() const { return m_scope.imageId > 0 || !m_scope.items.isEmpty(); }

    void cmdBrowse_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build(const QString& what, const QString& folderText);
    void cboFormat_Change();
    ExportFormat format() const;
    void setRunning(bool running);

    WidgetUi m_widgetUi;
    Ui* m_ui;
    ExportScope m_scope;
    qint32 m_listedFolder = 0;
    bool m_running = false;
    bool m_cancel = false;

    QRadioButton* optImage = nullptr;
    QRadioButton* optFolder = nullptr;
    QComboBox* cboFormat = nullptr;
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QProgressBar* prgExport = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
