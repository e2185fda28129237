#include "frmAbout.h"

#include "common/mdlConvert.h"
#include "version.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace {

std::function<bool(const QUrl&)>& openUrlHook() {
    static std::function<bool(const QUrl&)> hook;
    return hook;
}

void openUrl(const QUrl& url) {
    // The pointer shows work while the desktop starts the browser or the mail program.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (openUrlHook())
        openUrlHook()(url);
    else
        QDesktopServices::openUrl(url);
    QGuiApplication::restoreOverrideCursor();
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

void frmAbout::setOpenUrlForTest(std::function<bool(const QUrl&)> open) {
    openUrlHook() = std::move(open);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Ledra"));

    lblTitle = makeLabel(this, "lblTitle", QStringLiteral(LEDRA_PRODUCT_NAME));
    QFont big = lblTitle->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion =
        makeLabel(this, "lblVersion",
                  VersionText(LEDRA_VERSION_MAJOR, LEDRA_VERSION_MINOR, LEDRA_VERSION_PATCH));
    lblCopyright = makeLabel(this, "lblCopyright", QStringLiteral(LEDRA_LEGAL_COPYRIGHT));
    lblCopyright->setWordWrap(true);
    lblURLC = makeLabel(this, "lblURLC", QStringLiteral("URL:"));
    lblURL = makeLabel(this, "lblURL", QLatin1String(kWebPage));
    lblEmailC = makeLabel(this, "lblEmailC", QStringLiteral("E-mail:"));
    lblEmail = makeLabel(this, "lblEmail", QLatin1String(kSupportMail));
    for (QLabel* link : {lblURL, lblEmail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setFocusPolicy(Qt::StrongFocus); // reachable by Tab, opened with Enter or Space
        QPalette p = link->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Link));
        link->setPalette(p);
        link->installEventFilter(this);
    }

    auto* imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setPixmap(QIcon(QStringLiteral(":/icons/ledra.svg")).pixmap(64, 64));
    imgIcon->setAlignment(Qt::AlignTop);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(imgIcon, 0, 2, 3, 1);
    layout->addWidget(lblTitle, 0, 0, 1, 2);
    layout->addWidget(lblVersion, 1, 0, 1, 2);
    layout->addWidget(lblCopyright, 2, 0, 1, 2);
    layout->addWidget(lblURLC, 3, 0);
    layout->addWidget(lblURL, 3, 1);
    layout->addWidget(lblEmailC, 4, 0);
    layout->addWidget(lblEmail, 4, 1);
    layout->setColumnStretch(1, 1);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(cmdClose, 5, 0, 1, 3, Qt::AlignRight);
    // No address, no link row.
    const bool web = QLatin1String(kWebPage).size() > 0;
    const bool mail = QLatin1String(kSupportMail).size() > 0;
    lblURLC->setVisible(web);
    lblURL->setVisible(web);
    lblEmailC->setVisible(mail);
    lblEmail->setVisible(mail);
    setWindowIcon(QIcon(QStringLiteral(":/icons/ledra.svg")));

    tmrUnderline = new QTimer(this);
    tmrUnderline->setObjectName(QStringLiteral("tmrUnderline"));
    tmrUnderline->setInterval(50);
    connect(tmrUnderline, &QTimer::timeout, this, &frmAbout::tmrUnderline_Timer);
}

void frmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    lblURL->setProperty("Tag", URL);
    if (!URL.isEmpty()) {
        lblURL->setText(URL);
        lblURLC->show();
        lblURL->show();
    }
    tmrUnderline->start();
}

void frmAbout::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    const bool click = event->type() == QEvent::MouseButtonRelease;
    bool key = false;
    if (event->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(event)->key();
        key = k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space;
    }
    if (click || key) {
        if (watched == lblURL) {
            lblURL_Click();
            return true;
        }
        if (watched == lblEmail) {
            lblEmail_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::lblEmail_Click() {
    openUrl(QUrl(QStringLiteral("mailto:") + lblEmail->text() + QStringLiteral("?subject=") +
                 lblTitle->text()));
}

void frmAbout::lblURL_Click() {
    // The tag is taken as shown, in case the box was not shown through showEvent.
    QString target = lblURL->property("Tag").toString();
    if (target.isEmpty())
        target = URL;
    openUrl(QUrl(target.isEmpty() ? lblURL->text() : target));
}

void frmAbout::underlineIfHovered(QLabel* label) {
    const QPoint pos = label->mapFromGlobal(QCursor::pos());
    const bool over =
        pos.x() >= 0 && pos.y() >= 0 && pos.x() <= label->width() && pos.y() <= label->height();
    QFont f = label->font();
    if (over != f.underline()) {
        f.setUnderline(over);
        label->setFont(f);
    }
}

void frmAbout::tmrUnderline_Timer() {
    underlineIfHovered(lblEmail);
    underlineIfHovered(lblURL);
}
