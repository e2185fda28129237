#pragma once

#include "common/Ui.h"

#include <QList>
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
    int busyCalls = 0;

    Answer message(const QString& text, Buttons buttons, Icon icon) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, Answer defaultButton) override;
    std::optional<QString> input(const QString& prompt, const QString& defaultText) override;
    void processEvents() override { ++pauses; }
    void setBusy(bool busy) override;

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void clear();
};
