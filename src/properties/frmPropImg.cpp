#include "frmPropImg.h"

#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "controls/ctlLText.h"
#include "guiPropCommon.h"
#include "mdlProperties.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmPropImg::frmPropImg(QWidget* owner, MainView* view)
    : QDialog(owner), m_view(view), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmPropImg"));
    setWindowTitle(QStringLiteral("Image Properties"));

    auto* layout = new QVBoxLayout(this);
    const ImageProperties empty;
    for (const PropField& f : empty.fields()) {
        if (f.control == u"txtComment")
            continue;
        auto* field = new ctlLText(f.control, this);
        field->setCaption(f.label);
        layout->addWidget(field);
        m_fields.append(field);
    }
    AlignFields(m_fields);
    m_fields.first()->setMaxLength(kImageNameMax);

    const PropDialogTail tail = AddCommentAndButtons(this, layout);
    txtComment = tail.comment;
    cmdOK = tail.ok;
    cmdCancel = tail.cancel;
    connect(cmdOK, &QPushButton::clicked, this, &frmPropImg::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPropImg::cmdCancel_Click);

    resize(380, 400);
}

int frmPropImg::showFor(QWidget* owner, MainView* view, qint32 imageId, const QString& key) {
    frmPropImg dialog(owner, view);
    dialog.setImage(imageId, key);
    if (!dialog.Load())
        return QDialog::Rejected;
    return dialog.exec();
}

void frmPropImg::setImage(qint32 imageId, const QString& key) {
    m_imageId = imageId;
    m_key = key;
}

bool frmPropImg::Load() {
    BusyPointer busy(*m_ui);
    ImageProperties p;
    QString message;
    if (!ReportPropertiesRead(*m_ui, ReadImageProperties(db(), m_imageId, &p, &message),
                              QStringLiteral("The image no longer exists in the catalogue."),
                              message))
        return false;
    ShowPropertyTexts(this, txtComment, p.fields());
    const bool writable = !catalogue().readOnly && !db().isReadOnly();
    SetPropertiesWritable(m_fields, {QStringLiteral("ltxName")}, {txtComment, cmdOK, cmdCancel},
                          writable);
    return true;
}

void frmPropImg::cmdOK_Click() {
    // Enter or a stray call must not write to a read-only catalogue.
    if (catalogue().readOnly)
        return;
    const QString name = findChild<ctlLText*>(QStringLiteral("ltxName"))->Text();
    QString message;
    if (!StoreImageProperties(db(), m_imageId, name, txtComment->toPlainText(), &message)) {
        // The dialog stays open with what was typed, so nothing is lost.
        m_ui->message(message, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    // Only a stored name reaches the tree.
    if (m_view && !m_key.isEmpty())
        m_view->setCatalogueEntryText(m_key, name);
    accept();
}

void frmPropImg::cmdCancel_Click() {
    reject();
}

bool frmPropImg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtComment && event->type() == QEvent::FocusIn)
        txtComment->selectAll();
    return QDialog::eventFilter(watched, event);
}
