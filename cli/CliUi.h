#pragma once

#include "common/Ui.h"

#include <QTextStream>

// The terminal side of the Ui seam: messages go to standard error, questions take the answer
// the command line gave (or the default), and there is no window to pause for.
class CliUi : public Ui {
public:
    explicit CliUi(QTextStream& err) : m_err(err) {}

    Answer message(const QString& text, Buttons buttons, Icon icon) override;
    std::optional<QString> input(const QString& prompt, const QString& defaultText) override;
    void processEvents() override {}
    void setBusy(bool) override {}

    // The answer to give to the next Yes/No questions (No when unset).
    std::optional<Answer> answer;

private:
    QTextStream& m_err;
};
