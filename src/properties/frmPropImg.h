#pragma once

#include "controls/guiUi.h"

#include <QDialog>

class MainView;
class QPlainTextEdit;
class QPushButton;
class ctlLText;

// The image properties: what the catalogue holds about one catalogued disk; its name and comment
// can be edited unless the catalogue is read-only.
class frmPropImg : public QDialog {
    Q_OBJECT

public:
    frmPropImg(QWidget* owner, MainView* view);

    // Opens the dialog modally for the image whose catalogue tree entry has the key.
    static int showFor(QWidget* owner, MainView* view, qint32 imageId, const QString& key);

    void setImage(qint32 imageId, const QString& key);
    // Fills the fields; false (after telling the user) when the image cannot be shown.
    bool Load();
    // Tests hand in a scripted Ui.
    void setUi(Ui* ui) { m_ui = ui; }

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ctlLText* addField(const char* name, const QString& caption);

    MainView* m_view;
    WidgetUi m_widgetUi;
    Ui* m_ui;
    qint32 m_imageId = 0;
    QString m_key;
    QList<ctlLText*> m_fields;
    QPlainTextEdit* txtComment = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
