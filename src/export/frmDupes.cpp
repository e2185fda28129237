#include "frmDupes.h"

#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "common/mdlConvert.h"
#include "mdlDupes.h"
#include "search/mdlFind.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Where a listed copy lives: image, item, folder.
constexpr int kImageRole = Qt::UserRole;
constexpr int kItemRole = Qt::UserRole + 1;
constexpr int kParentRole = Qt::UserRole + 2;

QTreeWidgetItem* copyRow(qint32 imageId, const QString& image, qint32 itemId, qint32 parentId,
                         const QString& path, const QString& size) {
    auto* row = new QTreeWidgetItem({path, size, image});
    row->setData(0, kImageRole, imageId);
    row->setData(0, kItemRole, itemId);
    row->setData(0, kParentRole, parentId);
    return row;
}

} // namespace

frmDupes::frmDupes(QWidget* owner, MainView* view)
    : QDialog(owner), m_view(view), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmDupes"));
    setWindowTitle(QStringLiteral("Duplicates"));

    auto* form = new QFormLayout;
    cboShow = new QComboBox(this);
    cboShow->setObjectName(QStringLiteral("cboShow"));
    cboShow->addItem(QStringLiteral("Files held more than once"), 0);
    Recordset images =
        db().OpenRecordset(QStringLiteral("SELECT ID, Name FROM Images ORDER BY Name, ID"));
    for (; images.isValid() && !images.Eof(); images.MoveNext())
        cboShow->addItem(QStringLiteral("Files only \"%1\" holds").arg(images.text(1)),
                         qint32(images.int64(0)));
    form->addRow(QStringLiteral("Show:"), cboShow);
    txtMinSize = new QLineEdit(QStringLiteral("0"), this);
    txtMinSize->setObjectName(QStringLiteral("txtMinSize"));
    form->addRow(QStringLiteral("Smallest size (bytes):"), txtMinSize);

    auto* buttons = new QDialogButtonBox(this);
    cmdSearch = buttons->addButton(QStringLiteral("Search"), QDialogButtonBox::ActionRole);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    cmdClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    lsvDupes = new QTreeWidget(this);
    lsvDupes->setObjectName(QStringLiteral("lsvDupes"));
    lsvDupes->setHeaderLabels(
        {QStringLiteral("Name / Path"), QStringLiteral("Size"), QStringLiteral("Image")});
    lsvDupes->setUniformRowHeights(true);
    lsvDupes->header()->resizeSection(0, 320);
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->addWidget(lsvDupes, 1);
    layout->addWidget(lblCount);

    connect(cmdSearch, &QPushButton::clicked, this, &frmDupes::cmdSearch_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(cboShow, &QComboBox::currentIndexChanged, this,
            [this] { txtMinSize->setEnabled(cboShow->currentData().toInt() == 0); });
    connect(lsvDupes, &QTreeWidget::itemActivated, this, [this] { lsvDupes_DblClick(); });
    resize(640, 480);
}

void frmDupes::cmdSearch_Click() {
    const qint32 imageId = cboShow->currentData().toInt();
    bool ok = true;
    const qint64 minSize = txtMinSize->text().trimmed().toLongLong(&ok);
    if (imageId == 0 && (!ok || minSize < 0)) {
        m_ui->message(QStringLiteral("The smallest size must be a number of bytes."),
                      Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }
    BusyPointer busy(*m_ui);
    lsvDupes->clear();
    lsvDupes->setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> rows;
    qint64 groups = 0, copies = 0;
    QString message;
    bool found;
    if (imageId == 0) {
        found = FindDuplicates(
            db(), minSize,
            [&](const DuplicateGroup& g) {
                ++groups;
                copies += g.copies.size();
                if (rows.size() >= kListLimit)
                    return;
                auto* group = new QTreeWidgetItem(
                    {g.name, SizeText(g.size), QStringLiteral("%1 copies").arg(g.copies.size())});
                for (const FileCopy& c : g.copies)
                    group->addChild(copyRow(c.imageId, c.imageName, c.itemId, c.parentId, c.path,
                                            SizeText(g.size)));
                rows.append(group);
            },
            &message);
    } else {
        const QString image = cboShow->currentText();
        found = FindSingleCopies(
            db(), imageId,
            [&](const ImageFile& f) {
                ++copies;
                if (rows.size() < kListLimit)
                    rows.append(copyRow(imageId, QString(), f.itemId, f.parentId, f.path,
                                        SizeText(f.size)));
            },
            &message);
    }
    lsvDupes->addTopLevelItems(rows);
    lsvDupes->setRootIsDecorated(imageId == 0);
    lsvDupes->setUpdatesEnabled(true);
    if (!found) {
        lblCount->clear();
        m_ui->message(message, Ui::Buttons::Ok, Ui::Icon::Critical);
        return;
    }
    QString text = imageId == 0 ? QStringLiteral("%1 files held more than once, %2 copies in all.")
                                      .arg(groups)
                                      .arg(copies)
                                : QStringLiteral("%1 files are on no other image.").arg(copies);
    if (rows.size() >= kListLimit)
        text += QStringLiteral(" The first %1 are listed.").arg(kListLimit);
    lblCount->setText(text);
}

void frmDupes::lsvDupes_DblClick() {
    QTreeWidgetItem* row = lsvDupes->currentItem();
    if (!row || !m_view || !row->data(0, kItemRole).isValid())
        return;
    BusyPointer busy(*m_ui);
    ShowMatch(*m_view, row->data(0, kImageRole).toInt(), row->data(0, kItemRole).toInt(),
              row->data(0, kParentRole).toInt(), 1);
}
