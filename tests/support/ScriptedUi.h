#pragma once

#include "common/Ui.h"

#include <QStringList>

// A Ui for tests: answers questions from a script and records everything it was shown.
class ScriptedUi : public Ui {
public:
    struct Shown {
        QString text;
        Buttons buttons;
        Icon icon;
        std::optional<Answer> defaultButton; // when the question named one
    };

    // Answers to hand out, in order; when none is left, questions get defaultAnswer.
    QList<Answer> answers;
    Answer defaultAnswer = Answer::No;
    QList<std::optional<QString>> inputs;

    QList<Shown> shown;
    QStringList prompts;
    int pauses = 0;
    int busyDepth = 0;

    Answer message(const QString& text, Buttons buttons, Icon icon) override {
        shown.append({text, buttons, icon, std::nullopt});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    Answer ask(const QString& text, Buttons buttons, Icon icon, Answer defaultButton) override {
        const Answer a = message(text, buttons, icon);
        shown.last().defaultButton = defaultButton;
        return a;
    }
    std::optional<QString> input(const QString& prompt, const QString& defaultText) override {
        prompts.append(prompt);
        return inputs.isEmpty() ? defaultText : inputs.takeFirst();
    }
    void processEvents() override { ++pauses; }
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }

    QStringList texts() const {
        QStringList out;
        for (const Shown& s : shown)
            out.append(s.text);
        return out;
    }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear() { shown.clear(), prompts.clear(), pauses = 0; }
};
