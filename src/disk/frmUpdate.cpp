#include "frmUpdate.h"

#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "common/mdlTrim.h"
#include "disk/FolderSource.h"
#include "disk/ReadAheadSource.h"
#include "disk/frmUpdateDiff.h"
#include "disk/guiScanProgress.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmUpdate::frmUpdate(QWidget* owner, MainView* view, qint32 imageId, VolumeSource* volumes)
    : QDialog(owner), m_view(view), m_imageId(imageId),
      m_volumes(volumes ? volumes : &m_systemVolumes), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("Update from Disk"));
    setModal(true);
    lblImage = new QLabel(this);
    lblImage->setObjectName(QStringLiteral("lblImage"));
    lblImage->setTextFormat(Qt::PlainText);
    m_progressArea = new ScanProgressArea(this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, &frmUpdate::cmdCancel_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(lblImage);
    main->addWidget(m_progressArea);
    main->addLayout(buttons);
    setMinimumWidth(420);
    pickFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Where is the disk?"), start);
    };
    review = [](frmUpdateDiff& dialog) { return dialog.exec() == QDialog::Accepted; };
}

frmUpdate::~frmUpdate() = default;

void frmUpdate::showFor(QWidget* owner, MainView* view, qint32 imageId,
                        const ImageUpdate::Hook& afterRows) {
    frmUpdate dialog(owner, view, imageId);
    dialog.afterRows = afterRows;
    const QString root = dialog.findDisk();
    if (!root.isEmpty())
        dialog.RunFolder(root);
}

void frmUpdate::showFor(QWidget* owner, MainView* view, qint32 imageId,
                        const ImageUpdate::Hook& afterRows, TreeSource& source,
                        const ScanFlavour& flavour) {
    frmUpdate dialog(owner, view, imageId);
    dialog.afterRows = afterRows;
    dialog.Run(source, flavour);
}

QString frmUpdate::findDisk() {
    Recordset rs = db().OpenRecordset(QStringLiteral("SELECT Serial, Label FROM Images WHERE ID=?"),
                                      {m_imageId});
    if (!rs.isValid() || rs.Eof()) {
        m_ui->message(QStringLiteral("Image %1 does not exist.").arg(m_imageId), Ui::Buttons::Ok,
                      Ui::Icon::Exclamation);
        return QString();
    }
    const QString serial = rs.text(0);
    const QString label = rs.text(1);
    rs.Close();
    QString start;
    // A serial of 0 is every volume without one: it tells nothing.
    if (serial != SerialText(0)) {
        for (const VolumeInfo& v : m_volumes->volumes()) {
            if (v.mountPoint.isEmpty() || SerialText(v.serial) != serial)
                continue;
            // An image of a folder within the volume carries the folder's name as its label:
            // the user shows which folder it was, starting from the volume.
            if (v.label.left(32) == label)
                return v.mountPoint;
            start = v.mountPoint;
            break;
        }
    }
    return pickFolder(start);
}

DiskScan::Result frmUpdate::RunFolder(const QString& root) {
    FolderSource source(root);
    ScanOptions opt = ScanOptions::fromSettings();
    ReadAheadSource readAhead(
        source, [root] { return std::make_unique<FolderSource>(root); }, opt.listRequest());
    readAhead.whileWaiting = [this] {
        m_ui->processEvents();
        return !Cancelled;
    };
    return Run(readAhead);
}

DiskScan::Result frmUpdate::Run(TreeSource& source, const ScanFlavour& flavour) {
    Cancelled = false;
    Busy = true;
    m_progressArea->reset();
    lblImage->setText(
        NullToText(db().scalar(QStringLiteral("SELECT Name FROM Images WHERE ID=?"), {m_imageId})));
    show();
    m_update.emplace(db(), *m_ui, m_imageId, m_progressArea, flavour);
    m_update->options = ScanOptions::fromSettings();
    DiskScan::Result result = m_update->Read(source);
    Busy = false;
    hide();
    if (result != DiskScan::Result::Done)
        return result;
    if (!m_update->hasWrites()) {
        m_ui->message(QStringLiteral("The image is up to date."), Ui::Buttons::Ok,
                      Ui::Icon::Information);
        return result;
    }
    frmUpdateDiff diff(parentWidget(), *m_update);
    if (!review(diff))
        return DiskScan::Result::Cancelled;
    result = m_update->Apply(afterRows);
    if (result == DiskScan::Result::Done && m_view)
        m_view->mnuViewRefresh_Click();
    return result;
}

void frmUpdate::cmdCancel_Click() {
    if (!Busy) {
        reject();
        return;
    }
    // The walk unwinds at its next look at the flag; nothing has been written.
    Cancelled = true;
    if (m_update)
        m_update->cancel();
}

void frmUpdate::done(int result) {
    if (Busy)
        return;
    QDialog::done(result);
}

void frmUpdate::closeEvent(QCloseEvent* event) {
    if (Busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
