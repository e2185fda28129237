#pragma once

#include <QWidget>

// The window shown while the settings load: product name, version and legal notice.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
};
