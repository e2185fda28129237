#pragma once

#include "mdlScan.h"

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

// The progress area of the New Disk and Import dialogs: the two bars with their phase markers,
// the folder being read and the time line. It is the scan's progress sink.
class ScanProgressArea : public QWidget, public ScanProgress {
    Q_OBJECT

public:
    explicit ScanProgressArea(QWidget* parent);

    // Empty texts, both bars at their minimum without tips, markers hidden: ready for a run.
    void reset();
    // Shows or hides the area and gives its window the height that fits, keeping the width:
    // the dialogs are compact while idle.
    void showInWindow(bool shown);

    void setFolderText(const QString& text) override;
    void setTimeText(const QString& text) override;
    void setMaximum(qint64 maximum) override;
    void setScanned(qint64 value) override;
    void setScannedTip(const QString& tip) override;
    void setWritten(qint64 value) override;
    void setWrittenTip(const QString& tip) override;
    void showListing(bool listing) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the folder shortened in the middle to the label's width; the whole path is its tip.
    void elideFolder();

    QString m_folder;
    QProgressBar* prgScaned;
    QProgressBar* prgWritten;
    QFrame* shpScaned;
    QFrame* shpWritten;
    QLabel* lblFolder;
    QLabel* lblTime;
};
