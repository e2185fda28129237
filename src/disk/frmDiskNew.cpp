#include "frmDiskNew.h"

#include "catalogue/mdlDatabase.h"
#include "common/mdlTrim.h"
#include "disk/AudioCdSource.h"
#include "disk/FolderSource.h"
#include "disk/ReadAheadSource.h"
#include "shell/mdlOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cerrno>

#include <dirent.h>

namespace {

enum Column { ColDrive, ColMount, ColLabel, ColImage };
constexpr int kTagRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

// The pictures of the drive types; code 0 shows the "T1" picture.
QIcon driveIcon(int code, QStyle* style) {
    switch (code) {
    case DriveType::Removable:
        return QIcon::fromTheme(QStringLiteral("drive-removable-media"),
                                style->standardIcon(QStyle::SP_DriveFDIcon));
    case DriveType::Fixed:
        return QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                style->standardIcon(QStyle::SP_DriveHDIcon));
    case DriveType::Remote:
        return QIcon::fromTheme(QStringLiteral("folder-remote"),
                                style->standardIcon(QStyle::SP_DriveNetIcon));
    case DriveType::CdRom:
        return QIcon::fromTheme(QStringLiteral("media-optical"),
                                style->standardIcon(QStyle::SP_DriveCDIcon));
    case DriveType::RamDisk:
        return QIcon::fromTheme(QStringLiteral("media-flash"),
                                style->standardIcon(QStyle::SP_DriveHDIcon));
    case DriveType::AudioCd:
        return QIcon::fromTheme(QStringLiteral("media-optical-audio"),
                                style->standardIcon(QStyle::SP_DriveDVDIcon));
    default:
        return style->standardIcon(QStyle::SP_DriveFDIcon);
    }
}

QCheckBox* addCheck(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

// The root of the drive can be listed (an empty one too).
bool canList(const QString& folder) {
    if (folder.isEmpty())
        return false;
    DIR* d = ::opendir(QFile::encodeName(folder).constData());
    if (!d)
        return false;
    errno = 0;
    ::readdir(d);
    const bool ok = errno == 0;
    ::closedir(d);
    return ok;
}

} // namespace

frmDiskNew::frmDiskNew(QWidget* owner, MainView* view, VolumeSource* volumes)
    : QDialog(owner), m_view(view), m_volumes(volumes ? volumes : &m_systemVolumes),
      m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmDiskNew"));
    setWindowTitle(QStringLiteral("New Disk"));
    buildUi();
}

frmDiskNew::~frmDiskNew() = default;

void frmDiskNew::showFor(QWidget* owner, MainView* view, qint32 nodeId, const QString& nodeKey) {
    frmDiskNew dialog(owner, view);
    dialog.NodeID = nodeId;
    dialog.NodeKey = nodeKey;
    dialog.Form_Load();
    dialog.exec();
}

void frmDiskNew::buildUi() {
    lsvDrive = new QTreeWidget(this);
    lsvDrive->setObjectName(QStringLiteral("lsvDrive"));
    lsvDrive->setHeaderLabels({QStringLiteral("Drive"), QStringLiteral("Mount point"),
                               QStringLiteral("Label"), QStringLiteral("Image")});
    lsvDrive->setRootIsDecorated(false);
    lsvDrive->setUniformRowHeights(true);
    lsvDrive->setAllColumnsShowFocus(true);
    lsvDrive->setMouseTracking(true);
    lsvDrive->viewport()->installEventFilter(this);
    lsvDrive->installEventFilter(this);
    lsvDrive->header()->setStretchLastSection(true);
    lsvDrive->setMinimumSize(420, 140);
    connect(lsvDrive, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (!Busy)
            cmdOK_Click();
    });

    chkNoCollect = addCheck(this, "chkNoCollect", QStringLiteral("Don't Collect Information"));
    chkAskName = addCheck(this, "chkAskName", QStringLiteral("Ask For Name"));
    chkEject = addCheck(this, "chkEject", QStringLiteral("Eject When Done"));
    chkSummary = addCheck(this, "chkSummary", QStringLiteral("Display Summary"));
    chkAutoClose = addCheck(this, "chkAutoClose", QStringLiteral("Auto Close"));
    chkFiles = addCheck(this, "chkFiles", QStringLiteral("Scan Files"));
    chkMSDOSName = addCheck(this, "chkMSDOSName", QStringLiteral("Scan MSDOS Name"));
    chkTime = addCheck(this, "chkTime", QStringLiteral("Scan Date && Time"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Close"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdRefresh = new QPushButton(QStringLiteral("Refresh"), this);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    connect(cmdOK, &QPushButton::clicked, this, &frmDiskNew::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDiskNew::cmdCancel_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmDiskNew::cmdRefresh_Click);

    m_progressArea = new ScanProgressArea(this);

    auto* options = new QGridLayout;
    const QList<QCheckBox*> checks = {chkNoCollect, chkAskName, chkEject,     chkSummary,
                                      chkAutoClose, chkFiles,   chkMSDOSName, chkTime};
    for (int i = 0; i < checks.size(); ++i)
        options->addWidget(checks[i], i % 4, i / 4);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdRefresh);
    buttons->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(lsvDrive, 1);
    top->addLayout(buttons);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addLayout(options);
    main->addWidget(m_progressArea);
    m_progressArea->hide();
    setTabOrder(lsvDrive, cmdOK);
}

void frmDiskNew::Form_Load() {
    const Options& o = options();
    chkNoCollect->setChecked(o.NoCollect);
    chkAskName->setChecked(o.AskForName);
    chkEject->setChecked(o.Eject);
    chkSummary->setChecked(o.DisplaySummary);
    chkAutoClose->setChecked(o.AutoClose);
    chkFiles->setChecked(o.ScanFiles);
    chkMSDOSName->setChecked(o.ScanMSDOSName);
    chkTime->setChecked(o.ScanTime);
    Busy = false;
    Cancelled = false;
    m_settingsStored = false;
    cmdRefresh_Click();
    // The volume last chosen, wherever its letter is now; the letter alone for older settings.
    if (!o.LastDriveVolume.isEmpty())
        selectPlace(o.LastDriveVolume);
    else if (!o.LastDrive.isEmpty())
        selectKey(o.LastDrive.left(1).toUpper());
    setExpanded(false);
}

QString frmDiskNew::selectedKey() const {
    const QTreeWidgetItem* item = lsvDrive->currentItem();
    return item && item->isSelected() ? item->data(0, kKeyRole).toString() : QString();
}

void frmDiskNew::selectKey(const QString& key) {
    for (int i = 0; i < lsvDrive->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lsvDrive->topLevelItem(i);
        if (item->data(0, kKeyRole).toString() == key) {
            lsvDrive->setCurrentItem(item);
            item->setSelected(true);
            return;
        }
    }
}

void frmDiskNew::selectPlace(const QString& place) {
    for (const VolumeInfo& v : m_listed) {
        if (VolumePlace(v) == place) {
            selectKey(QString(v.key));
            return;
        }
    }
}

void frmDiskNew::cmdRefresh_Click() {
    BusyPointer busy(*m_ui);
    const QString kept = selectedKey();
    lsvDrive->clear();
    m_listed = m_volumes->volumes();
    const bool haveCatalogue = db().isOpen();
    for (const VolumeInfo& v : m_listed) {
        const QString serial = SerialText(v.serial);
        QString image;
        // A volume without a serial matches no image.
        if (haveCatalogue && v.serial != 0) {
            // With several images of one serial, the first the catalogue returns.
            image = NullToText(
                db().scalar(QStringLiteral("SELECT Name FROM Images WHERE Serial=?"), {serial}));
        }
        auto* item = new QTreeWidgetItem(lsvDrive);
        item->setText(ColDrive, QString(v.key) + QLatin1Char(':'));
        item->setText(ColMount, v.mountPoint);
        item->setText(ColLabel, v.label);
        item->setText(ColImage, image);
        item->setIcon(ColDrive, driveIcon(v.typeCode, style()));
        item->setData(0, kKeyRole, QString(v.key));
        item->setData(0, kTagRole,
                      QString(DriveTypeText(v.typeCode) + QStringLiteral(" (") + v.fileSystem +
                              QLatin1Char(')')));
    }
    for (int c = 0; c < ColImage; ++c)
        lsvDrive->resizeColumnToContents(c);
    if (!kept.isEmpty())
        selectKey(kept);
}

ScanOptions frmDiskNew::checkedOptions() const {
    ScanOptions s;
    s.noCollect = chkNoCollect->isChecked();
    s.askForName = chkAskName->isChecked();
    s.eject = chkEject->isChecked();
    s.displaySummary = chkSummary->isChecked();
    s.autoClose = chkAutoClose->isChecked();
    s.scanFiles = chkFiles->isChecked();
    s.scanMSDOSName = chkMSDOSName->isChecked();
    s.scanTime = chkTime->isChecked();
    return s;
}

void frmDiskNew::setIdle(bool idle) {
    lsvDrive->setEnabled(idle);
    for (QCheckBox* c : {chkNoCollect, chkAskName, chkEject, chkSummary, chkAutoClose, chkFiles,
                         chkMSDOSName, chkTime})
        c->setEnabled(idle);
    cmdOK->setEnabled(idle);
    cmdRefresh->setEnabled(idle);
    cmdCancel->setText(idle ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    Busy = !idle;
}

void frmDiskNew::setExpanded(bool expanded) {
    m_progressArea->showInWindow(expanded);
}

void frmDiskNew::cmdOK_Click() {
    Cancelled = false;
    m_progressArea->reset();

    const QString key = selectedKey();
    const VolumeInfo* volume = nullptr;
    for (const VolumeInfo& v : m_listed) {
        if (QString(v.key) == key)
            volume = &v;
    }
    // An audio CD has no file system: its tracks come from the table of contents.
    const bool audio =
        volume && volume->typeCode == DriveType::AudioCd && volume->mountPoint.isEmpty();
    std::unique_ptr<TocSource> toc;
    if (audio)
        toc = m_volumes->tocSource(*volume);
    // The drive must be readable now, not only when the list was made.
    const bool readable =
        volume && (audio ? toc && toc->readToc().has_value() : canList(volume->mountPoint));
    if (!readable) {
        m_ui->message(QStringLiteral("Drive cannot be accessed."), Ui::Buttons::Ok,
                      Ui::Icon::Exclamation);
        return;
    }
    const VolumeInfo chosen = *volume;

    setIdle(false);
    setExpanded(true);

    const ScanOptions opt = checkedOptions();
    opt.toSettings();
    m_scan.emplace(db(), *m_ui, m_progressArea);
    m_scan->NodeID = NodeID;
    m_scan->NodeKey = NodeKey;
    m_scan->view = m_view;
    m_scan->options = opt;
    if (audio) {
        AudioCdSource source(*toc, QString(chosen.key) + QLatin1Char(':'), chosen.device);
        m_scan->NewDisk(source);
    } else {
        scanFolder(chosen, opt);
    }

    setIdle(true);
    setExpanded(false);
    if (Cancelled)
        return;
    if (!opt.autoClose) {
        cmdRefresh_Click();
        cmdOK->setFocus();
    } else {
        cmdCancel_Click();
    }
}

void frmDiskNew::scanFolder(const VolumeInfo& chosen, const ScanOptions& opt) {
    FolderSource source(chosen.mountPoint);
    VolumeSource* volumes = m_volumes;
    // Read afresh at the start of the scan; the type stays that of the chosen row.
    source.volumeReader = [volumes, chosen](VolumeFacts& facts) {
        for (const VolumeInfo& v : volumes->volumes()) {
            if (v.mountPoint == chosen.mountPoint) {
                facts.label = v.label;
                facts.fileSystem = v.fileSystem;
                facts.serial = v.serial;
                facts.typeCode = chosen.typeCode;
                facts.source = QString(chosen.key) + QLatin1Char(':');
                facts.device = v.device;
                facts.place = v.mountPoint;
                return true;
            }
        }
        return false;
    };
    // The disk is read on a second thread while the catalogue is written; a slow disk keeps
    // the window painting and Cancel working.
    const QString root = chosen.mountPoint;
    ReadAheadSource readAhead(
        source, [root] { return std::make_unique<FolderSource>(root); }, opt.listRequest());
    readAhead.whileWaiting = [this] {
        m_ui->processEvents();
        return !(m_scan && m_scan->Cancelled);
    };
    m_scan->NewDisk(readAhead);
}

void frmDiskNew::cmdCancel_Click() {
    if (Busy) {
        Cancelled = true;
        if (m_scan)
            m_scan->cancel();
        cmdCancel->setEnabled(false);
        // The scan unwinds at its next look at the flag and rolls its writes back; the
        // dialog returns to idle when it has.
        m_ui->processEvents();
        cmdCancel->setEnabled(true);
        return;
    }
    reject();
}

void frmDiskNew::storeSettings() {
    if (m_settingsStored)
        return;
    m_settingsStored = true;
    const QString key = selectedKey();
    if (!key.isEmpty()) {
        options().LastDrive = key + QLatin1Char(':');
        for (const VolumeInfo& v : m_listed) {
            if (QString(v.key) == key)
                options().LastDriveVolume = VolumePlace(v);
        }
    }
    checkedOptions().toSettings();
}

void frmDiskNew::done(int result) {
    if (Busy)
        return;
    storeSettings();
    QDialog::done(result);
}

void frmDiskNew::closeEvent(QCloseEvent* event) {
    if (Busy) {
        event->ignore();
        return;
    }
    storeSettings();
    QDialog::closeEvent(event);
}

bool frmDiskNew::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lsvDrive->viewport() && event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QTreeWidgetItem* item = lsvDrive->itemAt(help->pos());
        const QString tip =
            item ? item->data(0, kTagRole).toString() : QStringLiteral("Drive list");
        lsvDrive->setToolTip(tip);
        QToolTip::showText(help->globalPos(), tip, lsvDrive);
        return true;
    }
    if (watched == lsvDrive && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F5) {
            if (key->modifiers() == Qt::NoModifier && !Busy)
                cmdRefresh_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
