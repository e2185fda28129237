#pragma once

#include "controls/guiUi.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class MainView;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ctlLText;

// Finds items of every image by five patterns and lists at most 100 matches with their image,
// folder and size, sorted by a click on a column's header, and says under the list how many
// match; a match opened from the list shows in the main window. Modeless, so it stays open while
// the user browses.
class frmFind : public QDialog {
    Q_OBJECT

public:
    frmFind(QWidget* owner, MainView* view);

    // Shows the one instance, making it when there is none yet; it is deleted when closed.
    static frmFind* showFor(QWidget* owner, MainView* view);
    static frmFind* instance() { return s_instance; }

    // What the Export button does with the listed matches (image ID, item ID); the window
    // that can export sets it. Without one the button is hidden.
    using ExportHook = std::function<void(QWidget* owner, const QList<QPair<qint32, qint32>>&)>;
    static void setExportHook(ExportHook hook) { s_exportHook = std::move(hook); }

    void setUi(Ui* ui) { m_ui = ui; }

    void cmdSearch_Click();
    void cmdCancel_Click();
    void cmdExport_Click();
    // Shows the selected match in the main window.
    void lsvFound_DblClick();

private:
    void growForList();
    void sortBy(int column);

    static QPointer<frmFind> s_instance;
    static inline ExportHook s_exportHook;

    MainView* m_view;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    ctlLText* ltxName = nullptr;
    ctlLText* ltxMSDOSName = nullptr;
    ctlLText* ltxKeywords = nullptr;
    ctlLText* ltxDescription = nullptr;
    ctlLText* ltxComment = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdExport = nullptr;
    QTreeWidget* lsvFound = nullptr;
    QLabel* lblCount = nullptr;
};
