#pragma once

#include "controls/guiUi.h"

#include <QDialog>

class MainView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// Tools > Duplicates...: the files held more than once (same name and size), largest first, each
// group with its copies; or the files that only one chosen image holds. A listed copy opened
// from the list shows in the main window.
class frmDupes : public QDialog {
    Q_OBJECT

public:
    frmDupes(QWidget* owner, MainView* view);

    void setUi(Ui* ui) { m_ui = ui; }

    void cmdSearch_Click();
    // Shows the selected copy in the main window.
    void lsvDupes_DblClick();

    // At most this many groups (or files) are listed.
    static constexpr int kListLimit = 10000;

private:
    MainView* m_view;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    QComboBox* cboShow = nullptr;
    QLineEdit* txtMinSize = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdClose = nullptr;
    QTreeWidget* lsvDupes = nullptr;
    QLabel* lblCount = nullptr;
};
