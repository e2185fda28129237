#include "frmSplash.h"

#include "common/mdlConvert.h"
#include "version.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSplash"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    auto* imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(48, 48));
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
