#include "guiContentsView.h"

#include "common/mdlConvert.h"

#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QResizeEvent>
#include <QTreeView>

#include <algorithm>

namespace {

// Names wider than this are elided rather than making one column fill the pane.
constexpr int kMaxListCellWidth = 420;
// Only the longest names by character count are measured for the cell width: measuring every
// name of a folder of 100,000 would cost more than listing it.
constexpr int kMeasuredNames = 256;
// Fits a window of 800 pixels beside the catalogue tree without a horizontal scroll bar.
const int kDefaultWidths[kListColumns] = {250, 80, 140, 150};

} // namespace

// ---- ContentsModel ----------------------------------------------------------------------------

void ContentsModel::setEntries(QVector<ListEntry> entries, bool useIcons, const QColor& ghost) {
    beginResetModel();
    SortListEntries(entries, m_sortColumn, m_sortOrder == Qt::DescendingOrder);
    m_rows.clear();
    m_rows.reserve(entries.size());
    for (ListEntry& e : entries)
        m_rows.append(Row{std::move(e), QString()});
    m_useIcons = useIcons;
    m_ghost = ghost;
    reindex();
    endResetModel();
}

void ContentsModel::clear() {
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rowOfKey.clear();
    endResetModel();
}

void ContentsModel::reindex() {
    m_rowOfKey.clear();
    m_rowOfKey.reserve(m_rows.size());
    for (int i = 0; i < m_rows.size(); ++i)
        m_rowOfKey.insert(m_rows.at(i).entry.key, i);
}

int ContentsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ContentsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kListColumns;
}

QString ContentsModel::iconKeyAt(int row) const {
    const Row& r = m_rows.at(row);
    if (r.iconKey.isNull()) {
        if (m_useIcons && iconKeyOf)
            r.iconKey = iconKeyOf(r.entry.name, r.entry.folder);
        else
            r.iconKey = r.entry.folder ? QStringLiteral("Folder") : QStringLiteral("");
    }
    return r.iconKey;
}

QVariant ContentsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ListEntry& e = m_rows.at(index.row()).entry;
    const auto column = ListColumn(index.column());
    switch (role) {
    case Qt::ToolTipRole:
        // The name may be cut short in its cell; the other columns never are.
        return column == ListColumn::Name ? QVariant(e.name) : QVariant();
    case Qt::DisplayRole:
        switch (column) {
        case ListColumn::Name:
            return e.text;
        case ListColumn::Size:
            return e.folder ? QString() : SizeText(e.size);
        case ListColumn::Modified:
            return e.modified;
        case ListColumn::Type:
            return FileTypeText(e.name, e.folder);
        }
        return {};
    case Qt::DecorationRole: {
        if (column != ListColumn::Name)
            return {};
        const QString key = iconKeyAt(index.row());
        if (key.isEmpty() || !pictureOf)
            return {};
        return pictureOf(key);
    }
    case Qt::TextAlignmentRole:
        if (column == ListColumn::Size)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ForegroundRole:
        if (e.ghosted)
            return m_ghost;
        return {};
    case KeyRole:
        return e.key;
    case IconKeyRole:
        return iconKeyAt(index.row());
    case GhostedRole:
        return e.ghosted;
    default:
        return {};
    }
}

QVariant ContentsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (ListColumn(section)) {
    case ListColumn::Name:
        return QStringLiteral("Name");
    case ListColumn::Size:
        return QStringLiteral("Size");
    case ListColumn::Modified:
        return QStringLiteral("Modified");
    case ListColumn::Type:
        return QStringLiteral("Type");
    }
    return {};
}

void ContentsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kListColumns)
        return;
    m_sortColumn = ListColumn(column);
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QStringList keys;
    keys.reserve(before.size());
    for (const QModelIndex& i : before)
        keys.append(m_rows.at(i.row()).entry.key);
    QVector<ListEntry> entries;
    entries.reserve(m_rows.size());
    for (Row& r : m_rows)
        entries.append(std::move(r.entry));
    SortListEntries(entries, m_sortColumn, order == Qt::DescendingOrder);
    m_rows.clear();
    for (ListEntry& e : entries)
        m_rows.append(Row{std::move(e), QString()});
    reindex();
    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i)
        after.append(index(m_rowOfKey.value(keys.at(i)), before.at(i).column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---- ContentsView -----------------------------------------------------------------------------

ContentsView::ContentsView(QWidget* parent) : QWidget(parent), m_model(new ContentsModel(this)) {
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("lsvMainList"));
    m_list->setViewMode(QListView::ListMode);
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    // One pass: every entry is laid out at once, so the scroll bar covers the whole folder.
    m_list->setLayoutMode(QListView::SinglePass);
    m_list->setTextElideMode(Qt::ElideMiddle);

    m_details = new QTreeView(this);
    m_details->setObjectName(QStringLiteral("lsvMainDetails"));
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setSortingEnabled(true);
    m_details->setTextElideMode(Qt::ElideMiddle);
    m_details->header()->setSortIndicator(0, Qt::AscendingOrder);
    m_details->header()->setStretchLastSection(true);
    m_details->header()->setSectionsMovable(false);

    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_list), static_cast<QAbstractItemView*>(m_details)}) {
        v->setModel(m_model);
        v->setIconSize(QSize(16, 16));
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        connect(v, &QAbstractItemView::doubleClicked, this, &ContentsView::activated);
        connect(v, &QAbstractItemView::clicked, this, &ContentsView::clicked);
    }
    m_details->setSelectionBehavior(QAbstractItemView::SelectRows);
    // One selection for both views: switching keeps the entry picked.
    QItemSelectionModel* own = m_details->selectionModel();
    m_details->setSelectionModel(m_list->selectionModel());
    delete own;
    setColumnWidths(QString());

    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("lblHint"));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hint->setForegroundRole(QPalette::PlaceholderText);
    m_hint->hide();
    connect(m_model, &QAbstractItemModel::modelReset, this, &ContentsView::updateHint);
    m_details->hide();
    setFocusProxy(m_list);
}

QAbstractItemView* ContentsView::view() const {
    if (m_isDetails)
        return m_details;
    return m_list;
}

void ContentsView::setDetails(bool details) {
    if (details == m_isDetails)
        return;
    const bool hadFocus = view()->hasFocus();
    m_isDetails = details;
    m_details->setVisible(details);
    m_list->setVisible(!details);
    setFocusProxy(view());
    if (details) {
        m_details->header()->setSortIndicator(int(m_model->sortColumn()), m_model->sortOrder());
    }
    if (view()->currentIndex().isValid())
        view()->scrollTo(view()->currentIndex());
    if (hadFocus)
        view()->setFocus();
    m_hint->raise();
}

int ContentsView::count() const {
    return m_model->rowCount();
}

QString ContentsView::keyAt(int row) const {
    if (row < 0 || row >= count())
        return {};
    return m_model->entry(row).key;
}

int ContentsView::currentRow() const {
    const QModelIndex i = m_list->selectionModel()->currentIndex();
    return i.isValid() ? i.row() : -1;
}

QString ContentsView::selectedKey() const {
    const QModelIndex i = m_list->selectionModel()->currentIndex();
    if (!i.isValid() || !m_list->selectionModel()->isSelected(i.siblingAtColumn(0)))
        return {};
    return keyAt(i.row());
}

void ContentsView::setCurrentRow(int row) {
    if (row < 0 || row >= count()) {
        clearSelection();
        return;
    }
    const QModelIndex i = m_model->index(row, 0);
    m_list->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    view()->scrollTo(i);
}

bool ContentsView::selectKey(const QString& key) {
    const int row = m_model->rowOf(key);
    if (row < 0)
        return false;
    setCurrentRow(row);
    return true;
}

void ContentsView::clearSelection() {
    m_list->selectionModel()->clear();
}

int ContentsView::rowAt(const QPoint& viewportPos) const {
    const QModelIndex i = view()->indexAt(viewportPos);
    return i.isValid() ? i.row() : -1;
}

QRect ContentsView::visualRowRect(int row) const {
    if (row < 0 || row >= count())
        return {};
    return view()->visualRect(m_model->index(row, 0));
}

QWidget* ContentsView::viewport() const {
    return view()->viewport();
}

void ContentsView::setHint(const QString& text) {
    m_hint->setText(text);
    updateHint();
}

QString ContentsView::hint() const {
    return count() == 0 ? m_hint->text() : QString();
}

void ContentsView::updateHint() {
    m_hint->setVisible(!m_hint->text().isEmpty() && count() == 0);
    m_hint->raise();
}

QString ContentsView::columnWidths() const {
    QStringList out;
    for (int i = 0; i < kListColumns; ++i)
        out.append(QString::number(m_details->header()->sectionSize(i)));
    return out.join(u',');
}

void ContentsView::setColumnWidths(const QString& widths) {
    const QStringList parts = widths.split(u',');
    for (int i = 0; i < kListColumns; ++i) {
        bool ok = false;
        const int w = i < parts.size() ? parts.at(i).toInt(&ok) : 0;
        m_details->header()->resizeSection(i, ok && w >= 16 && w <= 4000 ? w : kDefaultWidths[i]);
    }
}

void ContentsView::fitListCells() {
    const int n = count();
    QVector<int> rows(n);
    for (int i = 0; i < n; ++i)
        rows[i] = i;
    const int measured = std::min(n, kMeasuredNames);
    auto longer = [this](int a, int b) {
        return m_model->entry(a).text.size() > m_model->entry(b).text.size();
    };
    std::nth_element(rows.begin(), rows.begin() + measured, rows.end(), longer);
    const QFontMetrics metrics(m_list->font());
    int widest = 0;
    for (int i = 0; i < measured; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(m_model->entry(rows.at(i)).text));
    const int iconWidth = m_list->iconSize().width();
    m_list->setGridSize(QSize(std::min(widest + iconWidth + 16, kMaxListCellWidth),
                              std::max(metrics.height(), m_list->iconSize().height()) + 4));
}

void ContentsView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect r(QPoint(0, 0), event->size());
    m_list->setGeometry(r);
    m_details->setGeometry(r);
    m_hint->setGeometry(r.adjusted(16, 16, -16, -16));
}
