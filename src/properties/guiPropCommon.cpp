#include "guiPropCommon.h"

#include "controls/ctlLText.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>

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
