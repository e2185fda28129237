#include "guiPropCommon.h"

#include "controls/ctlLText.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

void AlignFields(const QList<ctlLText*>& fields) {
    int left = 0;
    for (const ctlLText* f : fields)
        left = qMax(left, f->label()->sizeHint().width());
    for (ctlLText* f : fields)
        f->setTextLeft(left + 8);
}

void SetFieldEditable(ctlLText* field, bool editable) {
    field->setLocked(!editable);
    field->setTextBackColor(
        QApplication::palette().color(editable ? QPalette::Base : QPalette::Button));
    field->setFocusPolicy(Qt::StrongFocus);
}

void SetCommentEditable(QPlainTextEdit* box, bool editable) {
    box->setReadOnly(!editable);
    QPalette p = box->palette();
    p.setColor(QPalette::Base,
               QApplication::palette().color(editable ? QPalette::Base : QPalette::Button));
    box->setPalette(p);
}

PropDialogTail AddCommentAndButtons(QDialog* dialog, QBoxLayout* layout) {
    auto* lblComment = new QLabel(QStringLiteral("Comment:"), dialog);
    lblComment->setObjectName(QStringLiteral("lblComment"));
    auto* txtComment = new QPlainTextEdit(dialog);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->setTabChangesFocus(true);
    txtComment->installEventFilter(dialog);
    lblComment->setBuddy(txtComment);
    layout->addWidget(lblComment);
    layout->addWidget(txtComment, 1);

    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    QPushButton* cmdCancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    return {txtComment, cmdOK, cmdCancel};
}
