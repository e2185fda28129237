#include "frmExport.h"

#include "FolderMap.h"
#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "common/mdlPath.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// A file name made from an image name: the characters a path cannot hold become "_".
QString fileNameFor(const QString& name) {
    QString base = name.trimmed();
    for (QChar& c : base) {
        if (c == u'/' || c == u'\\' || c.unicode() < 32)
            c = u'_';
    }
    if (base.isEmpty() || base.startsWith(u'.'))
        base.prepend(QStringLiteral("Export"));
    return base;
}

} // namespace

frmExport::frmExport(QWidget* owner, MainView& view)
    : QDialog(owner), m_widgetUi(this), m_ui(&m_widgetUi) {
    m_scope.kind = ExportScope::Kind::Image;
    m_scope.imageId = view.currentImageId();
    m_listedFolder = view.listedFolderId();
    const QString image =
        db().scalar(QStringLiteral("SELECT Name FROM Images WHERE ID=?"), {m_scope.imageId})
            .toString();
    QString folderText;
    if (m_scope.imageId > 0 && m_listedFolder > 0) {
        FolderMap folders;
        if (folders.load(db(), m_scope.imageId) && folders.contains(m_listedFolder))
            folderText = folders.path(m_listedFolder);
    }
    build(QStringLiteral("Whole image \"%1\"").arg(image), folderText);
    txtFile->setText(PersonalFolder() + fileNameFor(image) + QStringLiteral(".csv"));
}

frmExport::frmExport(QWidget* owner, const QList<QPair<qint32, qint32>>& items)
    : QDialog(owner), m_widgetUi(this), m_ui(&m_widgetUi) {
    m_scope.kind = ExportScope::Kind::Items;
    m_scope.items = items;
    build(items.size() == 1 ? QStringLiteral("1 found item")
                            : QStringLiteral("%1 found items").arg(items.size()),
          QString());
    txtFile->setText(PersonalFolder() + QStringLiteral("Find results.csv"));
}

void frmExport::exportFromView(QWidget* owner, MainView& view, Ui& ui) {
    if (view.currentImageId() <= 0) {
        ui.message(QStringLiteral("Select an image to export."), Ui::Buttons::Ok,
                   Ui::Icon::Exclamation);
        return;
    }
    frmExport dialog(owner, view);
    dialog.exec();
}

void frmExport::build(const QString& what, const QString& folderText) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Export"));
    setModal(true);

    auto* form = new QFormLayout;
    auto* scope = new QVBoxLayout;
    optImage = new QRadioButton(what, this);
    optImage->setObjectName(QStringLiteral("optImage"));
    optImage->setChecked(true);
    scope->addWidget(optImage);
    optFolder =
        new QRadioButton(QStringLiteral("Folder %1 and everything in it").arg(folderText), this);
    optFolder->setObjectName(QStringLiteral("optFolder"));
    optFolder->setVisible(!folderText.isEmpty());
    scope->addWidget(optFolder);
    form->addRow(QStringLiteral("Export:"), scope);

    cboFormat = new QComboBox(this);
    cboFormat->setObjectName(QStringLiteral("cboFormat"));
    cboFormat->addItem(QStringLiteral("CSV (spreadsheets)"), int(ExportFormat::Csv));
    cboFormat->addItem(QStringLiteral("HTML page"), int(ExportFormat::Html));
    cboFormat->addItem(QStringLiteral("JSON Lines"), int(ExportFormat::Jsonl));
    form->addRow(QStringLiteral("Format:"), cboFormat);

    auto* file = new QHBoxLayout;
    txtFile = new QLineEdit(this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setMinimumWidth(320);
    cmdBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    file->addWidget(txtFile, 1);
    file->addWidget(cmdBrowse);
    form->addRow(QStringLiteral("File:"), file);

    prgExport = new QProgressBar(this);
    prgExport->setObjectName(QStringLiteral("prgExport"));
    prgExport->setRange(0, 1000);
    prgExport->setVisible(false);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("Export"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(prgExport);
    layout->addWidget(lblStatus);
    layout->addWidget(buttons);

    connect(cboFormat, &QComboBox::currentIndexChanged, this, &frmExport::cboFormat_Change);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmExport::cmdBrowse_Click);
    // The buttons are handled here, not by the box's roles: Export must not close the dialog.
    disconnect(buttons, nullptr, this, nullptr);
    connect(cmdOK, &QPushButton::clicked, this, &frmExport::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmExport::cmdCancel_Click);
}

ExportFormat frmExport::format() const {
    return ExportFormat(cboFormat->currentData().toInt());
}

void frmExport::cboFormat_Change() {
    // A name ending in one of the formats' extensions follows the format.
    QString name = txtFile->text();
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("csv") || suffix == QLatin1String("html") ||
        suffix == QLatin1String("jsonl")) {
        name.chop(suffix.size());
        txtFile->setText(name + ExportFormatSuffix(format()));
    }
}

void frmExport::cmdBrowse_Click() {
    const QString suffix = ExportFormatSuffix(format());
    const QString chosen = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export"), txtFile->text(),
        QStringLiteral("%1 (*.%2);;All Files (*)").arg(cboFormat->currentText(), suffix));
    if (!chosen.isEmpty())
        txtFile->setText(chosen);
}

void frmExport::setRunning(bool running) {
    m_running = running;
    for (QWidget* w :
         std::initializer_list<QWidget*>{optImage, optFolder, cboFormat, txtFile, cmdBrowse, cmdOK})
        w->setEnabled(!running);
    prgExport->setVisible(running);
}

void frmExport::cmdOK_Click() {
    if (m_running)
        return;
    const QString path = QFileInfo(txtFile->text().trimmed()).absoluteFilePath();
    if (txtFile->text().trimmed().isEmpty()) {
        m_ui->message(QStringLiteral("Choose the file to export to."), Ui::Buttons::Ok,
                      Ui::Icon::Exclamation);
        return;
    }
    if (QFileInfo(path).isDir()) {
        m_ui->message(QStringLiteral("%1 is a folder; choose a file name.").arg(path),
                      Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    if (QFileInfo::exists(path) &&
        m_ui->message(QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(path),
                      Ui::Buttons::YesNo, Ui::Icon::Question) != Ui::Answer::Yes)
        return;

    ExportScope scope = m_scope;
    if (scope.kind != ExportScope::Kind::Items && optFolder->isChecked()) {
        scope.kind = ExportScope::Kind::Folder;
        scope.folderId = m_listedFolder;
    }
    m_cancel = false;
    setRunning(true);
    lblStatus->setText(QStringLiteral("Exporting..."));
    prgExport->setValue(0);
    QString message;
    const ExportResult result = ExportToFile(
        db(), scope, format(), path,
        [this](qint64 done, qint64 total) {
            prgExport->setValue(total > 0 ? int(qMin<qint64>(1000, done * 1000 / total)) : 0);
            m_ui->processEvents();
            return !m_cancel;
        },
        &message);
    setRunning(false);
    switch (result) {
    case ExportResult::Done:
        lblStatus->setText(QStringLiteral("Exported to %1.").arg(path));
        accept();
        break;
    case ExportResult::Cancelled:
        lblStatus->setText(QStringLiteral("Export cancelled; no file was written."));
        break;
    case ExportResult::Failed:
        lblStatus->clear();
        m_ui->message(message, Ui::Buttons::Ok, Ui::Icon::Critical);
        break;
    }
}

void frmExport::cmdCancel_Click() {
    if (m_running)
        m_cancel = true;
    else
        QDialog::reject();
}

void frmExport::reject() {
    // Escape while the export runs cancels it; the dialog stays until the export has stopped.
    cmdCancel_Click();
}

void frmExport::closeEvent(QCloseEvent* event) {
    if (m_running) {
        m_cancel = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
