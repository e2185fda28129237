#include "frmOptions.h"

#include "shell/mdlOptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    fraTree = new QGroupBox(QStringLiteral("Tree"), this);
    fraTree->setObjectName(QStringLiteral("fraTree"));
    chkTreeIncrementalFill = new QCheckBox(QStringLiteral("Incremental Fill"), fraTree);
    chkTreeIncrementalFill->setObjectName(QStringLiteral("chkTreeIncrementalFill"));
    chkTreeDetectSubFolders = new QCheckBox(QStringLiteral("Detect Sub Folders"), fraTree);
    chkTreeDetectSubFolders->setObjectName(QStringLiteral("chkTreeDetectSubFolders"));
    auto* treeLayout = new QVBoxLayout(fraTree);
    treeLayout->addWidget(chkTreeIncrementalFill);
    treeLayout->addWidget(chkTreeDetectSubFolders);

    chkUseIcons = new QCheckBox(QStringLiteral("Use File Icons"), this);
    chkUseIcons->setObjectName(QStringLiteral("chkUseIcons"));
    chkLoadLastFile = new QCheckBox(QStringLiteral("Load last used file on program startup"), this);
    chkLoadLastFile->setObjectName(QStringLiteral("chkLoadLastFile"));

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraTree);
    layout->addWidget(chkUseIcons);
    layout->addWidget(chkLoadLastFile);
    layout->addLayout(buttons);

    const Options& o = options();
    chkTreeIncrementalFill->setChecked(o.IncrementalFill);
    chkTreeDetectSubFolders->setChecked(o.DetectSubFolders);
    chkTreeDetectSubFolders->setEnabled(o.IncrementalFill);
    chkUseIcons->setChecked(o.UseIcons);
    chkLoadLastFile->setChecked(o.LoadDefaultDatabase);

    connect(chkTreeIncrementalFill, &QCheckBox::toggled, chkTreeDetectSubFolders,
            &QWidget::setEnabled);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmOptions::cmdOK_Click() {
    Options& o = options();
    o.IncrementalFill = chkTreeIncrementalFill->isChecked();
    o.DetectSubFolders = chkTreeDetectSubFolders->isChecked();
    o.UseIcons = chkUseIcons->isChecked();
    o.LoadDefaultDatabase = chkLoadLastFile->isChecked();
    accept();
}
