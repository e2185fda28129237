#include "frmSplash.h"

#include "common/mdlConvert.h"
#include "version.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    // A frameless window needs its own edge and background to stand out from what is behind.
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#frmSplash { background: palette(base); "
                                 "border: 1px solid palette(mid); }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 48, 24);
    auto* imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setPixmap(QIcon(QStringLiteral(":/icons/ledra.svg")).pixmap(64, 64));
    auto* lblAppName = new QLabel(QStringLiteral(LEDRA_PRODUCT_NAME), this);
    lblAppName->setObjectName(QStringLiteral("lblAppName"));
    QFont big = lblAppName->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    lblAppName->setFont(big);
    auto* lblAppVer = new QLabel(
        VersionText(LEDRA_VERSION_MAJOR, LEDRA_VERSION_MINOR, LEDRA_VERSION_PATCH), this);
    lblAppVer->setObjectName(QStringLiteral("lblAppVer"));
    auto* lblCopyright = new QLabel(QStringLiteral(LEDRA_LEGAL_COPYRIGHT), this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    layout->addWidget(imgIcon);
    layout->addWidget(lblAppName);
    layout->addWidget(lblAppVer);
    layout->addWidget(lblCopyright);
}
