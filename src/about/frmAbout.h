#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;
class QUrl;

// The about box: title, version, legal notice and two live links.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The address a click on the web link opens; set before the box is shown.
    QString URL;

    // Where links go; tests replace it so that nothing is opened.
    static void setOpenUrlForTest(std::function<bool(const QUrl&)> open);

    void lblEmail_Click();
    void lblURL_Click();
    // One tick of the hover timer: underline the link under the mouse.
    void tmrUnderline_Timer();

    // The project's home and support address; empty while it has none, and the box then shows
    // no link rather than a made-up one.
    static constexpr const char* kWebPage = "";
    static constexpr const char* kSupportMail = "";

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void underlineIfHovered(QLabel* label);

    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblCopyright;
    QLabel* lblURLC;
    QLabel* lblURL;
    QLabel* lblEmailC;
    QLabel* lblEmail;
    QTimer* tmrUnderline;
    QPushButton* cmdClose;
};
