#include "guiPropCommon.h"

#include "common/Ui.h"
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

bool ReportPropertiesRead(Ui& ui, ReadResult result, const QString& missingText,
                          const QString& failure) {
    switch (result) {
    case ReadResult::Found:
        return true;
    case ReadResult::Missing:
        ui.message(missingText, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return false;
    case ReadResult::Failed:
        ui.message(failure, Ui::Buttons::Ok, Ui::Icon::Critical);
        return false;
    }
    return false;
}

void ShowPropertyTexts(QWidget* dialog, QPlainTextEdit* comment, const QList<PropField>& texts) {
    for (const PropField& f : texts) {
        if (f.control == u"txtComment")
            comment->setPlainText(f.text);
        else if (auto* field = dialog->findChild<ctlLText*>(f.control))
            field->setText(f.text);
    }
}

void SetPropertiesWritable(const QList<ctlLText*>& fields, const QStringList& editable,
                           const PropDialogTail& tail, bool writable) {
    for (ctlLText* field : fields)
        SetFieldEditable(field, writable && editable.contains(field->objectName()));
    SetCommentEditable(tail.comment, writable);
    tail.ok->setVisible(writable);
    tail.cancel->setText(writable ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    tail.cancel->setDefault(!writable);
}
