#pragma once

#include "controls/guiUi.h"

#include <QDialog>

class MainView;
class QPlainTextEdit;
class QPushButton;
class ctlLText;

// The item properties: everything the catalogue holds about one file or folder; keywords,
// description and comment can be edited, and an audio track can be given a title.
class frmPropItm : public QDialog {
    Q_OBJECT

public:
    frmPropItm(QWidget* owner, MainView* view);

    // Opens the dialog modally for an item of the image.
    static int showFor(QWidget* owner, MainView* view, qint32 imageId, qint32 itemId);

    void setItem(qint32 imageId, qint32 itemId);
    // Fills the fields; false (after telling the user) when the item cannot be shown.
    bool Load();
    void setUi(Ui* ui) { m_ui = ui; }

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ctlLText* field(const char* name) const;

    MainView* m_view;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    qint32 m_imageId = 0;
    qint32 m_itemId = 0;
    QString m_trackNumber; // kept while the dialog is open; empty for anything but a track
    QList<ctlLText*> m_fields;
    QPlainTextEdit* txtComment = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
