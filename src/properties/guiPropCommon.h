#pragma once

#include "mdlProperties.h"

#include <QList>
#include <QStringList>

class QBoxLayout;
class QDialog;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class Ui;
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

// True when the read found the row; otherwise tells the user why the dialog does not open.
bool ReportPropertiesRead(Ui& ui, ReadResult result, const QString& missingText,
                          const QString& failure);
// Puts the texts read into the dialog's fields (found by their control names) and comment box.
void ShowPropertyTexts(QWidget* dialog, QPlainTextEdit* comment, const QList<PropField>& texts);
// Unlocks the named fields and the comment on a writable catalogue; a read-only one gets the
// fields locked and "Close" alone.
void SetPropertiesWritable(const QList<ctlLText*>& fields, const QStringList& editable,
                           const PropDialogTail& tail, bool writable);
