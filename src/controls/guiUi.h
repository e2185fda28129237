#pragma once

#include "common/Ui.h"

#include <optional>

class QWidget;

// The windows' side of the Ui seam: real message boxes and input boxes owned by a window.
class WidgetUi : public Ui {
public:
    explicit WidgetUi(QWidget* owner = nullptr) : m_owner(owner) {}

    Answer message(const QString& text, Buttons buttons, Icon icon) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, Answer defaultButton) override;
    std::optional<QString> input(const QString& prompt, const QString& defaultText) override;
    void processEvents() override;
    void setBusy(bool busy) override;

    void setOwner(QWidget* owner) { m_owner = owner; }

private:
    Answer show(const QString& text, Buttons buttons, Icon icon,
                std::optional<Answer> defaultButton);
    QWidget* m_owner;
};

// Shows the busy pointer for the life of the object.
class BusyPointer {
public:
    explicit BusyPointer(Ui& ui) : m_ui(ui) { m_ui.setBusy(true); }
    ~BusyPointer() { m_ui.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Ui& m_ui;
};
