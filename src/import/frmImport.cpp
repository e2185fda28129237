#include "frmImport.h"

#include "catalogue/mdlDatabase.h"
#include "controls/ctlCmnDlg.h"
#include "shell/mdlOptions.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kMarlovex = QStringLiteral("Marlovex");

} // namespace

frmImport::frmImport(QWidget* owner, MainView* view)
    : QDialog(owner), m_view(view), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Import"));
    buildUi();
}

frmImport::~frmImport() = default;

void frmImport::showFor(QWidget* owner, MainView* view, qint32 nodeId, const QString& nodeKey) {
    frmImport dialog(owner, view);
    dialog.NodeID = nodeId;
    dialog.NodeKey = nodeKey;
    dialog.Form_Load();
    dialog.exec();
}

void frmImport::buildUi() {
    icmFrom = new QComboBox(this);
    icmFrom->setObjectName(QStringLiteral("icmFrom"));
    txtFile = new QLineEdit(this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setMinimumWidth(300);
    txtFile->installEventFilter(this);
    cmdFileBrowse = new QPushButton(QStringLiteral("..."), this);
    cmdFileBrowse->setObjectName(QStringLiteral("cmdFileBrowse"));
    cmdFileBrowse->setToolTip(QStringLiteral("Choose the index file"));
    cmnImport = new ctlCmnDlg(this);
    cmnImport->setObjectName(QStringLiteral("cmnImport"));
    cmdImport = new QPushButton(QStringLiteral("Import"), this);
    cmdImport->setObjectName(QStringLiteral("cmdImport"));
    cmdImport->setDefault(true);
    cmdImport->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    connect(txtFile, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!Busy)
            cmdImport->setEnabled(!text.isEmpty());
    });
    connect(cmdFileBrowse, &QPushButton::clicked, this, &frmImport::cmdFileBrowse_Click);
    connect(cmdImport, &QPushButton::clicked, this, &frmImport::cmdImport_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmImport::cmdCancel_Click);

    m_progressArea = new ScanProgressArea(this);

    auto* from = new QLabel(QStringLiteral("&From:"), this);
    from->setBuddy(icmFrom);
    auto* file = new QLabel(QStringLiteral("&File:"), this);
    file->setBuddy(txtFile);
    auto* fields = new QGridLayout;
    fields->addWidget(from, 0, 0);
    fields->addWidget(icmFrom, 0, 1, 1, 2);
    fields->addWidget(file, 1, 0);
    fields->addWidget(txtFile, 1, 1);
    fields->addWidget(cmdFileBrowse, 1, 2);
    fields->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdCancel);

    auto* main = new QVBoxLayout(this);
    main->addLayout(fields);
    main->addLayout(buttons);
    main->addWidget(m_progressArea);
    m_progressArea->hide();
    setTabOrder(icmFrom, txtFile);
    setTabOrder(txtFile, cmdFileBrowse);
    setTabOrder(cmdFileBrowse, cmdImport);
    setTabOrder(cmdImport, cmdCancel);
}

void frmImport::Form_Load() {
    icmFrom->clear();
    icmFrom->addItem(style()->standardIcon(QStyle::SP_FileIcon), kMarlovex, kMarlovex);
    icmFrom->setCurrentIndex(0);
    Busy = false;
    Cancelled = false;
    setExpanded(false);
}

void frmImport::cmdFileBrowse_Click() {
    if (icmFrom->currentData().toString() != kMarlovex)
        return;
    cmnImport->setFlags(ctlCmnDlg::kFlagHideReadOnly);
    cmnImport->setFilter(QStringLiteral("Marlovex (*.idx)|*.idx|All Files (*.*)|*.*"));
    cmnImport->setFilterIndex(1);
    cmnImport->ShowOpen();
    if (cmnImport->LastError() != 0)
        return;
    txtFile->setText(cmnImport->FileName());
    cmdImport->setFocus();
}

void frmImport::setIdle(bool idle) {
    icmFrom->setEnabled(idle);
    txtFile->setEnabled(idle);
    cmdFileBrowse->setEnabled(idle);
    cmdImport->setEnabled(idle);
    cmdCancel->setText(idle ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    Busy = !idle;
}

void frmImport::setExpanded(bool expanded) {
    m_progressArea->showInWindow(expanded);
}

void frmImport::cmdImport_Click() {
    const QString path = txtFile->text();
    if (path.isEmpty() || !IdxIsSupported(path)) {
        m_ui->message(kImportNotSupported, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }

    Cancelled = false;
    m_progressArea->reset();
    setIdle(false);
    setExpanded(true);

    const ScanOptions opt = ScanOptions::fromSettings();
    m_import.emplace(db(), *m_ui, m_progressArea);
    m_import->NodeID = NodeID;
    m_import->NodeKey = NodeKey;
    m_import->view = m_view;
    m_import->options = opt;

    // A large index takes a while to read; the window keeps answering, and Cancel stops here.
    m_progressArea->setTimeText(QStringLiteral("Reading the index file..."));
    bool loaded = false;
    {
        BusyPointer busy(*m_ui);
        loaded = IdxLoad(path, [this] { m_ui->processEvents(); });
    }
    m_progressArea->setTimeText(QString());
    DiskScan::Result result = DiskScan::Result::Failed;
    if (!loaded) {
        if (!Cancelled)
            m_ui->message(kImportUnreadable, Ui::Buttons::Ok, Ui::Icon::Exclamation);
    } else if (!Cancelled) {
        result = m_import->Run();
    }
    // The index can be hundreds of megabytes; it is not needed once written.
    IdxClear();

    if (result == DiskScan::Result::Done && opt.eject)
        txtFile->clear();
    setIdle(true);
    setExpanded(false);
    if (Cancelled)
        return;
    if (opt.autoClose)
        cmdCancel_Click();
}

void frmImport::cmdCancel_Click() {
    if (Busy) {
        Cancelled = true;
        if (m_import)
            m_import->cancel();
        cmdCancel->setEnabled(false);
        // The import unwinds at its next look at the flag and rolls its writes back; the
        // dialog returns to idle when it has.
        m_ui->processEvents();
        cmdCancel->setEnabled(true);
        return;
    }
    reject();
}

void frmImport::done(int result) {
    if (Busy)
        return;
    QDialog::done(result);
}

void frmImport::closeEvent(QCloseEvent* event) {
    if (Busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool frmImport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFile && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtFile, [this] { txtFile->selectAll(); });
    return QDialog::eventFilter(watched, event);
}
