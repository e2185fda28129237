#pragma once

#include <QString>
#include <optional>

// Every message box, question, input box, event pause and busy pointer goes through this seam,
// so that procedures run the same under the windows, the command line and the tests.
class Ui {
public:
    enum class Icon { None, Information, Exclamation, Question, Critical };
    // YesNoDefaultNo: a destructive question, whose default (Enter) answer is No.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Ui() = default;

    // A message box titled with the application title.
    virtual Answer message(const QString& text, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None) = 0;
    // A question whose default button (the one Enter presses) is given. A Ui without its own
    // way of showing it asks as message() does.
    virtual Answer ask(const QString& text, Buttons buttons, Icon icon, Answer defaultButton) {
        (void)defaultButton;
        return message(text, buttons, icon);
    }
    // An input box; no value when the user cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& defaultText) = 0;
    // Let pending window events run.
    virtual void processEvents() = 0;
    // The busy (hourglass) pointer on or off.
    virtual void setBusy(bool busy) = 0;
};

// A Ui that answers nothing and shows nothing: questions get their default answer.
class SilentUi : public Ui {
public:
    Answer message(const QString&, Buttons buttons, Icon) override {
        switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
        case Buttons::YesNoDefaultNo:
            return Answer::No;
        }
        return Answer::Ok;
    }
    std::optional<QString> input(const QString&, const QString& defaultText) override {
        return defaultText;
    }
    void processEvents() override {}
    void setBusy(bool) override {}
};

inline const QString kAppTitle = QStringLiteral("Ledra");
