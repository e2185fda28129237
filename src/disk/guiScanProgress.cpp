#include "guiScanProgress.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>

#include <algorithm>
#include <climits>

namespace {

QFrame* marker(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFixedSize(10, 10);
    f->setFrameShape(QFrame::Box);
    f->setAutoFillBackground(true);
    f->setBackgroundRole(QPalette::Highlight);
    f->hide();
    return f;
}

QProgressBar* bar(QWidget* parent, const char* name) {
    auto* p = new QProgressBar(parent);
    p->setObjectName(QLatin1String(name));
    // The share done, as text on the bar.
    p->setTextVisible(true);
    p->setFormat(QStringLiteral("%p%"));
    p->setRange(0, 1);
    p->setValue(0);
    return p;
}

QLabel* label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    // A long path must not widen the dialog.
    l->setMinimumWidth(1);
    return l;
}

} // namespace

ScanProgressArea::ScanProgressArea(QWidget* parent)
    : QWidget(parent), prgScaned(bar(this, "prgScaned")), prgWritten(bar(this, "prgWritten")),
      shpScaned(marker(this, "shpScaned")), shpWritten(marker(this, "shpWritten")),
      lblFolder(label(this, "lblFolder")), lblTime(label(this, "lblTime")) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(shpScaned, 0, 0);
    grid->addWidget(prgScaned, 0, 1);
    grid->addWidget(shpWritten, 1, 0);
    grid->addWidget(prgWritten, 1, 1);
    grid->addWidget(lblFolder, 2, 0, 1, 2);
    grid->addWidget(lblTime, 3, 0, 1, 2);
    lblFolder->installEventFilter(this);
}

bool ScanProgressArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblFolder && event->type() == QEvent::Resize)
        elideFolder();
    return QWidget::eventFilter(watched, event);
}

void ScanProgressArea::elideFolder() {
    // The ends of a path say the most: the drive and the folder itself.
    lblFolder->setText(
        lblFolder->fontMetrics().elidedText(m_folder, Qt::ElideMiddle, lblFolder->width()));
    lblFolder->setToolTip(lblFolder->text() == m_folder ? QString() : m_folder);
}

void ScanProgressArea::reset() {
    m_folder.clear();
    lblFolder->clear();
    lblFolder->setToolTip(QString());
    lblTime->clear();
    for (QProgressBar* p : {prgScaned, prgWritten}) {
        p->setValue(p->minimum());
        p->setToolTip(QString());
    }
    shpScaned->hide();
    shpWritten->hide();
}

void ScanProgressArea::showInWindow(bool shown) {
    QWidget* w = window();
    const int width = w->width();
    setVisible(shown);
    QLayout* layout = w->layout();
    layout->activate();
    const int height = layout->totalHeightForWidth(width) > 0 ? layout->totalHeightForWidth(width)
                                                              : layout->sizeHint().height();
    w->setFixedHeight(std::max(height, layout->minimumSize().height()));
    w->resize(width, height);
}

void ScanProgressArea::setFolderText(const QString& text) {
    m_folder = text;
    elideFolder();
}

void ScanProgressArea::setTimeText(const QString& text) {
    lblTime->setText(text);
}

void ScanProgressArea::setMaximum(qint64 maximum) {
    const int m = int(std::min<qint64>(maximum, INT_MAX));
    prgScaned->setMaximum(m);
    prgWritten->setMaximum(m);
}

void ScanProgressArea::setScanned(qint64 value) {
    prgScaned->setValue(int(std::min<qint64>(value, prgScaned->maximum())));
}

void ScanProgressArea::setScannedTip(const QString& tip) {
    prgScaned->setToolTip(tip);
}

void ScanProgressArea::setWritten(qint64 value) {
    prgWritten->setValue(int(std::min<qint64>(value, prgWritten->maximum())));
}

void ScanProgressArea::setWrittenTip(const QString& tip) {
    prgWritten->setToolTip(tip);
}

void ScanProgressArea::showListing(bool listing) {
    shpScaned->setVisible(listing);
    shpWritten->setVisible(!listing);
}
