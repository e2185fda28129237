#include "CliUi.h"

Ui::Answer CliUi::message(const QString& text, Buttons buttons, Icon) {
    m_err << text << Qt::endl;
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return answer.value_or(Answer::Ok);
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
    case Buttons::YesNoDefaultNo:
        return answer.value_or(Answer::No);
    }
    return Answer::Ok;
}

std::optional<QString> CliUi::input(const QString&, const QString& defaultText) {
    return defaultText;
}
