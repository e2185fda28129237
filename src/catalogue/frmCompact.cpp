#include "frmCompact.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

frmCompact::frmCompact(Ui& ui, MainView* view, QWidget* parent)
    : QDialog(parent), m_ui(ui), m_view(view) {
    setObjectName(QStringLiteral("frmCompact"));
    setWindowTitle(QStringLiteral("Compact Database"));
    setModal(true);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setMinimumWidth(280);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
}

void frmCompact::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // Once the window is on screen, so the status texts can be seen.
    QTimer::singleShot(0, this, &frmCompact::run);
}

void frmCompact::run() {
    m_outcome = CompactCatalogue(m_ui, m_view, [this](const QString& text) {
        lblStatus->setText(text);
        lblStatus->repaint();
    });
    accept();
}
