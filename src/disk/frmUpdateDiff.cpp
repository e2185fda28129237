#include "frmUpdateDiff.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

UpdateDiffModel::UpdateDiffModel(const ImageUpdate& update, QObject* parent)
    : QAbstractTableModel(parent), m_update(update) {
    setFilter(-1, QString());
}

void UpdateDiffModel::setFilter(int kind, const QString& text) {
    beginResetModel();
    m_rows.clear();
    const std::vector<ImageUpdate::Difference>& all = m_update.differences();
    for (size_t i = 0; i < all.size(); ++i) {
        const ImageUpdate::Difference& d = all[i];
        if (kind >= 0 && int(d.kind) != kind)
            continue;
        if (!text.isEmpty() && !fromUtf8(m_update.pathOf(d)).contains(text, Qt::CaseInsensitive) &&
            !fromUtf8(m_update.movedFrom(d)).contains(text, Qt::CaseInsensitive))
            continue;
        m_rows.push_back(qint32(i));
    }
    endResetModel();
}

int UpdateDiffModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UpdateDiffModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString UpdateDiffModel::changeText(const ImageUpdate::Difference& d) const {
    switch (d.kind) {
    case ImageUpdate::Kind::Added:
        return QStringLiteral("Added");
    case ImageUpdate::Kind::Removed:
        return m_update.removedHasNotes(d.index) ? QStringLiteral("Removed (notes lost)")
                                                 : QStringLiteral("Removed");
    case ImageUpdate::Kind::Changed:
        return QStringLiteral("Changed");
    case ImageUpdate::Kind::Moved:
        return QStringLiteral("Moved");
    }
    return QString();
}

QString UpdateDiffModel::path(const ImageUpdate::Difference& d, int column) const {
    if (d.kind == ImageUpdate::Kind::Moved)
        return fromUtf8(column == ColPath ? m_update.movedFrom(d) : m_update.pathOf(d));
    return column == ColPath ? fromUtf8(m_update.pathOf(d)) : QString();
}

QVariant UpdateDiffModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()) || role != Qt::DisplayRole)
        return {};
    const ImageUpdate::Difference& d = m_update.differences()[size_t(m_rows[size_t(index.row())])];
    return index.column() == ColChange ? changeText(d) : path(d, index.column());
}

QVariant UpdateDiffModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColChange:
        return QStringLiteral("Change");
    case ColPath:
        return QStringLiteral("Path");
    case ColNewPath:
        return QStringLiteral("Moved to");
    }
    return {};
}

frmUpdateDiff::frmUpdateDiff(QWidget* owner, const ImageUpdate& update)
    : QDialog(owner), m_model(new UpdateDiffModel(update, this)) {
    setObjectName(QStringLiteral("frmUpdateDiff"));
    setWindowTitle(QStringLiteral("Differences"));
    const ImageUpdate::Counts& c = update.counts();

    lblCounts = new QLabel(this);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));
    lblCounts->setText(QStringLiteral("Added %1, removed %2, changed %3, moved %4, kept %5.")
                           .arg(c.added)
                           .arg(c.removed)
                           .arg(c.changed)
                           .arg(c.moved)
                           .arg(c.kept));
    lblLostNotes = new QLabel(update.lostNotesText(), this);
    lblLostNotes->setObjectName(QStringLiteral("lblLostNotes"));
    lblLostNotes->setStyleSheet(QStringLiteral("font-weight: bold"));
    lblLostNotes->setVisible(update.lostNotes() != 0);

    cboKind = new QComboBox(this);
    cboKind->setObjectName(QStringLiteral("cboKind"));
    cboKind->addItem(QStringLiteral("All changes"), -1);
    cboKind->addItem(QStringLiteral("Added"), int(ImageUpdate::Kind::Added));
    cboKind->addItem(QStringLiteral("Removed"), int(ImageUpdate::Kind::Removed));
    cboKind->addItem(QStringLiteral("Changed"), int(ImageUpdate::Kind::Changed));
    cboKind->addItem(QStringLiteral("Moved"), int(ImageUpdate::Kind::Moved));
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Filter by path"));
    txtFilter->setClearButtonEnabled(true);

    lsvDiff = new QTreeView(this);
    lsvDiff->setObjectName(QStringLiteral("lsvDiff"));
    lsvDiff->setRootIsDecorated(false);
    lsvDiff->setUniformRowHeights(true);
    lsvDiff->setAllColumnsShowFocus(true);
    lsvDiff->setModel(m_model);
    lsvDiff->header()->setStretchLastSection(true);
    lsvDiff->setColumnWidth(UpdateDiffModel::ColChange, 150);
    lsvDiff->setColumnWidth(UpdateDiffModel::ColPath, 300);
    lsvDiff->setMinimumSize(560, 240);

    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdApply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cboKind, &QComboBox::currentIndexChanged, this, &frmUpdateDiff::applyFilter);
    connect(txtFilter, &QLineEdit::textChanged, this, &frmUpdateDiff::applyFilter);

    auto* filter = new QHBoxLayout;
    filter->addWidget(cboKind);
    filter->addWidget(txtFilter, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(lblCounts);
    main->addWidget(lblLostNotes);
    main->addLayout(filter);
    main->addWidget(lsvDiff, 1);
    main->addLayout(buttons);
}

void frmUpdateDiff::applyFilter() {
    m_model->setFilter(cboKind->currentData().toInt(), txtFilter->text());
}
