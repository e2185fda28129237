#pragma once

#include <QDialog>

class QPlainTextEdit;

// The short help: a fixed text and a Close button.
class frmSHelp : public QDialog {
    Q_OBJECT

public:
    explicit frmSHelp(QWidget* parent = nullptr);

    static QString helpText();

private:
    QPlainTextEdit* txtHelp;
};
