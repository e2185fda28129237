#include "frmPropItm.h"

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

frmPropItm::frmPropItm(QWidget* owner, MainView* view)
    : QDialog(owner), m_view(view), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmPropItm"));
    setWindowTitle(QStringLiteral("Item Properties"));

    auto* layout = new QVBoxLayout(this);
    const ItemProperties empty;
    for (const PropField& f : empty.fields()) {
        if (f.control == u"txtComment")
            continue;
        auto* f1 = new ctlLText(f.control, this);
        f1->setCaption(f.label);
        layout->addWidget(f1);
        m_fields.append(f1);
    }
    AlignFields(m_fields);
    field("ltxKeywords")->setMaxLength(kItemKeywordsMax);
    field("ltxDescription")->setMaxLength(kItemDescriptionMax);

    const PropDialogTail tail = AddCommentAndButtons(this, layout);
    txtComment = tail.comment;
    cmdOK = tail.ok;
    cmdCancel = tail.cancel;
    connect(cmdOK, &QPushButton::clicked, this, &frmPropItm::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPropItm::cmdCancel_Click);

    resize(420, 520);
}

ctlLText* frmPropItm::field(const char* name) const {
    return findChild<ctlLText*>(QLatin1String(name));
}

int frmPropItm::showFor(QWidget* owner, MainView* view, qint32 imageId, qint32 itemId) {
    frmPropItm dialog(owner, view);
    dialog.setItem(imageId, itemId);
    if (!dialog.Load())
        return QDialog::Rejected;
    return dialog.exec();
}

void frmPropItm::setItem(qint32 imageId, qint32 itemId) {
    m_imageId = imageId;
    m_itemId = itemId;
}

bool frmPropItm::Load() {
    BusyPointer busy(*m_ui);
    ItemProperties p;
    QString message;
    if (!ReportPropertiesRead(*m_ui, ReadItemProperties(db(), m_imageId, m_itemId, &p, &message),
                              QStringLiteral("The item no longer exists in the catalogue."),
                              message))
        return false;
    ShowPropertyTexts(this, txtComment, p.fields());
    const bool writable = !catalogue().readOnly && !db().isReadOnly();
    SetPropertiesWritable(m_fields,
                          {QStringLiteral("ltxKeywords"), QStringLiteral("ltxDescription")},
                          {txtComment, cmdOK, cmdCancel}, writable);

    // A track's title is the one name the user may change; the number stays as it was.
    m_trackNumber = p.trackNumber;
    ctlLText* name = field("ltxName");
    if (p.isTrack() && writable) {
        SetFieldEditable(name, true);
        // Room for the number, ": " and ".cda" within the column.
        name->setMaxLength(kItemNameMax - 8);
    }
    // The dialog opens on the first field the user may change, not on a read-only one.
    if (p.isTrack() && writable)
        name->setFocus(Qt::OtherFocusReason);
    else if (writable)
        field("ltxKeywords")->setFocus(Qt::OtherFocusReason);
    else
        cmdCancel->setFocus(Qt::OtherFocusReason);
    return true;
}

void frmPropItm::cmdOK_Click() {
    if (catalogue().readOnly)
        return;
    ItemEdits edits;
    edits.keywords = field("ltxKeywords")->Text();
    edits.description = field("ltxDescription")->Text();
    edits.comment = txtComment->toPlainText();
    if (!m_trackNumber.isEmpty())
        edits.trackName = TrackStoredName(m_trackNumber, field("ltxName")->Text());
    QString message;
    if (!StoreItemProperties(db(), m_imageId, m_itemId, edits, &message)) {
        m_ui->message(message, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    // A new track name shows in the contents list at once.
    if (edits.trackName && m_view) {
        m_view->FillFiles(m_view->listedFolderId());
        m_view->selectListEntry(QStringLiteral("K%1").arg(m_itemId));
    }
    accept();
}

void frmPropItm::cmdCancel_Click() {
    reject();
}

bool frmPropItm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtComment && event->type() == QEvent::FocusIn)
        txtComment->selectAll();
    return QDialog::eventFilter(watched, event);
}
