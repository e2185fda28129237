#pragma once

#include "catalogue/mdlCompact.h"

#include <QDialog>

class MainView;
class QLabel;
class Ui;

// The small progress window of compaction: it runs the whole procedure once it is shown and
// closes itself at the end.
class frmCompact : public QDialog {
    Q_OBJECT

public:
    frmCompact(Ui& ui, MainView* view, QWidget* parent = nullptr);

    const CompactOutcome& outcome() const { return m_outcome; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void run();

    Ui& m_ui;
    MainView* m_view;
    QLabel* lblStatus;
    bool m_started = false;
    CompactOutcome m_outcome;
};
