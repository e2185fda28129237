#pragma once

#include <QList>

class QBoxLayout;
class QDialog;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class ctlLText;

// Shared look of the property dialogs: fields aligned on one text column, locked fields on the
// button-face colour so that the editable ones stand out.
void AlignFields(const QList<ctlLText*>& fields);
void SetFieldEditable(ctlLText* field, bool editable);
void SetCommentEditable(QPlainTextEdit* box, bool editable);

// The comment box with its label, and the OK and Cancel buttons, added at the end of a property
// dialog's layout. The box passes its key events to the dialog's event filter.
struct PropDialogTail {
    QPlainTextEdit* comment;
    QPushButton* ok;
    QPushButton* cancel;
};
PropDialogTail AddCommentAndButtons(QDialog* dialog, QBoxLayout* layout);
