#include "ScriptedUi.h"

Ui::Answer ScriptedUi::message(const QString& text, Buttons buttons, Icon icon) {
    shown.append({text, buttons, icon, std::nullopt});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (!answers.isEmpty())
        return answers.takeFirst();
    return defaultAnswer;
}

Ui::Answer ScriptedUi::ask(const QString& text, Buttons buttons, Icon icon, Answer defaultButton) {
    const Answer a = message(text, buttons, icon);
    shown.last().defaultButton = defaultButton;
    return a;
}

std::optional<QString> ScriptedUi::input(const QString& prompt, const QString& defaultText) {
    prompts.append(prompt);
    if (!inputs.isEmpty())
        return inputs.takeFirst();
    return defaultText;
}

void ScriptedUi::setBusy(bool busy) {
    ++busyCalls;
    busyDepth += busy ? 1 : -1;
}

QStringList ScriptedUi::texts() const {
    QStringList out;
    for (const Shown& s : shown)
        out.append(s.text);
    return out;
}

void ScriptedUi::clear() {
    shown.clear();
    prompts.clear();
    pauses = 0;
}
