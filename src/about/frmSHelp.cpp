#include "frmSHelp.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString frmSHelp::helpText() {
    // Lines are broken by hand, as the text has always been shown.
    static const char* const lines[] = {
        ">>ABOUT<<",
        "",
        "This program can make list of all files on your CD or other ",
        "medai and put it in one large base. This enables later search ",
        "for files.",
        "",
        ">>USE<<",
        "",
        "Program works with nodes which are only used for grouping ",
        "and images which are file lists of your CD.",
        "If I get around, I'll write full blooded help but this is it for now. ",
        "Explore...",
        "",
        ">>FAQ<<",
        "",
        "Q: Is this help gonna get bigger?",
        "A: As soon as I come around to it.",
        "",
        "Q: How do I catalogue a disk?",
        "A: Select a node, choose File, New, Disk... and pick the drive.",
        "",
        "Q: How do I find a file on a disk that is not in the machine?",
        "A: Choose Edit, Find... and type a part of its name.",
    };
    QString text;
    for (const char* line : lines)
        text += QLatin1String(line) + QStringLiteral("\r\n");
    return text;
}

frmSHelp::frmSHelp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSHelp"));
    setWindowTitle(QStringLiteral("Short Help"));
    txtHelp = new QPlainTextEdit(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setReadOnly(true);
    txtHelp->setPlainText(helpText());
    txtHelp->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* cmdCancel = new QPushButton(QStringLiteral("Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setDefault(true);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtHelp);
    layout->addLayout(buttons);
    resize(560, 420);
}
