#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;

// Edits four settings; the main window uses the new values from its next fill.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);

private:
    void cmdOK_Click();

    QGroupBox* fraTree;
    QCheckBox* chkTreeIncrementalFill;
    QCheckBox* chkTreeDetectSubFolders;
    QCheckBox* chkUseIcons;
    QCheckBox* chkLoadLastFile;
};
