#include "guiUi.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

Ui::Answer WidgetUi::message(const QString& text, Buttons buttons, Icon icon) {
    return show(text, buttons, icon, std::nullopt);
}

Ui::Answer WidgetUi::ask(const QString& text, Buttons buttons, Icon icon, Answer defaultButton) {
    return show(text, buttons, icon, defaultButton);
}

Ui::Answer WidgetUi::show(const QString& text, Buttons buttons, Icon icon,
                          std::optional<Answer> defaultButton) {
    QMessageBox box(m_owner);
    box.setWindowTitle(kAppTitle);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    if (defaultButton) {
        switch (*defaultButton) {
        case Answer::Ok:
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case Answer::Cancel:
            box.setDefaultButton(QMessageBox::Cancel);
            break;
        case Answer::Yes:
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Answer::No:
            box.setDefaultButton(QMessageBox::No);
            break;
        }
    }
    // A message must be readable even while a long operation shows the busy pointer.
    const bool overridden = QGuiApplication::overrideCursor() != nullptr;
    if (overridden)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    if (overridden)
        QGuiApplication::restoreOverrideCursor();
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No
                                                                               : Answer::Ok;
    }
}

std::optional<QString> WidgetUi::input(const QString& prompt, const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_owner, kAppTitle, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void WidgetUi::processEvents() {
    QApplication::processEvents();
}

void WidgetUi::setBusy(bool busy) {
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}
