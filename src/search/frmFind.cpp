#include "frmFind.h"

#include "catalogue/mdlDatabase.h"
#include "common/MainView.h"
#include "common/mdlConvert.h"
#include "controls/ctlLText.h"
#include "mdlFind.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kSizeRole = Qt::UserRole + 2;

enum Column { ColName, ColImage, ColFolder, ColSize };

// Sizes sort by their number, the texts without regard to case; ties keep the search's order.
class FoundRow : public QTreeWidgetItem {
public:
    FoundRow(const QStringList& texts, int order) : QTreeWidgetItem(texts), m_order(order) {}

    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const auto& o = static_cast<const FoundRow&>(other);
        if (column == ColSize) {
            const qint64 a = data(ColSize, kSizeRole).toLongLong();
            const qint64 b = o.data(ColSize, kSizeRole).toLongLong();
            if (a != b)
                return a < b;
        } else if (const int c = text(column).compare(o.text(column), Qt::CaseInsensitive)) {
            return c < 0;
        }
        return m_order < o.m_order;
    }

private:
    int m_order;
};

QIcon folderPicture() {
    return QIcon::fromTheme(QStringLiteral("folder"),
                            QApplication::style()->standardIcon(QStyle::SP_DirIcon));
}

} // namespace

QPointer<frmFind> frmFind::s_instance;

frmFind::frmFind(QWidget* owner, MainView* view)
    : QDialog(owner), m_view(view), m_widgetUi(this), m_ui(&m_widgetUi) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto makeField = [&](const char* name, const char* caption) {
        auto* f = new ctlLText(QLatin1String(name), this);
        f->setCaption(QLatin1String(caption));
        layout->addWidget(f);
        return f;
    };
    ltxName = makeField("ltxName", "Name:");
    ltxMSDOSName = makeField("ltxMSDOSName", "MS-DOS Name:");
    ltxKeywords = makeField("ltxKeywords", "Keywords:");
    ltxDescription = makeField("ltxDescription", "Description:");
    ltxComment = makeField("ltxComment", "Comment:");
    const QList<ctlLText*> fields{ltxName, ltxMSDOSName, ltxKeywords, ltxDescription, ltxComment};
    int left = 0;
    for (ctlLText* f : fields)
        left = qMax(left, f->sizeHint().width() - f->textBox()->sizeHint().width());
    for (ctlLText* f : fields)
        f->setTextLeft(left + 2);

    auto* buttons = new QDialogButtonBox(this);
    cmdSearch = buttons->addButton(QStringLiteral("Search"), QDialogButtonBox::ActionRole);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    cmdCancel = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdExport = buttons->addButton(QStringLiteral("Export..."), QDialogButtonBox::ActionRole);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdExport->setVisible(bool(s_exportHook));
    cmdExport->setEnabled(false);
    layout->addWidget(buttons);

    lsvFound = new QTreeWidget(this);
    lsvFound->setObjectName(QStringLiteral("lsvFound"));
    lsvFound->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Image"),
                               QStringLiteral("Folder"), QStringLiteral("Size")});
    lsvFound->setRootIsDecorated(false);
    lsvFound->setUniformRowHeights(true);
    // Deep folders differ at their ends: keep both ends of a long path in sight.
    lsvFound->setTextElideMode(Qt::ElideMiddle);
    lsvFound->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvFound->header()->resizeSection(ColName, 240);
    lsvFound->header()->resizeSection(ColImage, 120);
    lsvFound->header()->resizeSection(ColFolder, 300);
    // The search's own order stands until a header is clicked.
    lsvFound->header()->setSectionsClickable(true);
    lsvFound->headerItem()->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    lsvFound->setVisible(false);
    layout->addWidget(lsvFound, 1);
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setVisible(false);
    layout->addWidget(lblCount);

    connect(cmdSearch, &QPushButton::clicked, this, &frmFind::cmdSearch_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFind::cmdCancel_Click);
    connect(cmdExport, &QPushButton::clicked, this, &frmFind::cmdExport_Click);
    // Enter on a match shows it too, so the list works without a mouse.
    connect(lsvFound, &QTreeWidget::itemActivated, this, [this] { lsvFound_DblClick(); });
    connect(lsvFound->header(), &QHeaderView::sectionClicked, this, &frmFind::sortBy);

    resize(420, sizeHint().height());
}

frmFind* frmFind::showFor(QWidget* owner, MainView* view) {
    if (!s_instance) {
        s_instance = new frmFind(owner, view);
        s_instance->setAttribute(Qt::WA_DeleteOnClose);
    }
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
    return s_instance;
}

void frmFind::growForList() {
    if (lsvFound->isVisible())
        return;
    lsvFound->setVisible(true);
    lblCount->setVisible(true);
    // The list gets room of its own; the fields keep theirs.
    resize(qMax(width(), 800), qMax(height(), sizeHint().height() + 240));
}

void frmFind::sortBy(int column) {
    QHeaderView* header = lsvFound->header();
    // A second click on the same column turns the order round.
    const Qt::SortOrder order = header->isSortIndicatorShown() &&
                                        header->sortIndicatorSection() == column &&
                                        header->sortIndicatorOrder() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, order);
    lsvFound->sortItems(column, order);
}

void frmFind::cmdSearch_Click() {
    FindCriteria criteria;
    criteria.name = ltxName->Text();
    criteria.msdosName = ltxMSDOSName->Text();
    criteria.keywords = ltxKeywords->Text();
    criteria.description = ltxDescription->Text();
    criteria.comment = ltxComment->Text();

    // Refused criteria leave the last results as they are.
    FindQuery query;
    QString message;
    if (!db().isOpen())
        message = QStringLiteral("Open a catalogue to search it.");
    if (!message.isEmpty() || !BuildFindQuery(criteria, &query, &message)) {
        m_ui->message(message, Ui::Buttons::Ok, Ui::Icon::Exclamation);
        return;
    }

    FindOutcome outcome;
    bool engineError = false;
    {
        BusyPointer busy(*m_ui);
        growForList();
        lsvFound->clear();
        lsvFound->header()->setSortIndicatorShown(false);
        lsvFound->setUpdatesEnabled(false);
        FindOptions options;
        options.count = FindCount::Cheap;
        RunFind(db(), criteria, options, &outcome, &message, &engineError);
        const QIcon folder = folderPicture();
        QHash<QPair<qint32, qint32>, QString> folders;
        QList<QTreeWidgetItem*> rows;
        rows.reserve(outcome.matches.size());
        for (const FindMatch& m : std::as_const(outcome.matches)) {
            const QPair<qint32, qint32> where(m.imageId, m.parentId);
            auto path = folders.constFind(where);
            if (path == folders.cend())
                path = folders.insert(where, FolderPath(db(), m.imageId, m.parentId));
            auto* row =
                new FoundRow({m.itemName, m.imageName, *path, SizeText(m.size)}, int(rows.size()));
            row->setData(0, kKeyRole, m.key());
            row->setData(0, kTagRole, m.type);
            row->setData(ColSize, kSizeRole, m.size);
            row->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
            if (m.type == 0)
                row->setIcon(0, folder);
            rows.append(row);
        }
        lsvFound->addTopLevelItems(rows);
        cmdExport->setEnabled(!rows.isEmpty());
        lsvFound->setUpdatesEnabled(true);
        lblCount->setText(engineError ? QString() : FindSummaryText(outcome));
    }
    if (engineError)
        m_ui->message(message, Ui::Buttons::Ok, Ui::Icon::Critical);
}

void frmFind::cmdCancel_Click() {
    close();
}

void frmFind::cmdExport_Click() {
    QList<QPair<qint32, qint32>> items;
    for (int i = 0; i < lsvFound->topLevelItemCount(); ++i) {
        qint32 image = 0, item = 0, parent = 0;
        if (ParseMatchKey(lsvFound->topLevelItem(i)->data(0, kKeyRole).toString(), &image, &item,
                          &parent))
            items.append({image, item});
    }
    if (s_exportHook && !items.isEmpty())
        s_exportHook(this, items);
}

void frmFind::lsvFound_DblClick() {
    QTreeWidgetItem* row = lsvFound->currentItem();
    if (!row || !m_view)
        return;
    qint32 image = 0, item = 0, parent = 0;
    if (!ParseMatchKey(row->data(0, kKeyRole).toString(), &image, &item, &parent))
        return;
    BusyPointer busy(*m_ui);
    ShowMatch(*m_view, image, item, parent, row->data(0, kTagRole).toInt());
}
