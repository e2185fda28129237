#pragma once

#include <QList>

class QPlainTextEdit;
class QWidget;
class ctlLText;

// Shared look of the property dialogs: fields aligned on one text column, locked fields on the
// button-face colour so that the editable ones stand out.
void AlignFields(const QList<ctlLText*>& fields);
void SetFieldEditable(ctlLText* field, bool editable);
void SetCommentEditable(QPlainTextEdit* box, bool editable);
