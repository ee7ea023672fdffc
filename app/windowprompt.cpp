#include "windowprompt.h"

#include "prompt.h"

UserPrompt::Button WindowPrompt::ask(Icon icon, const QString& title, const QString& text, int buttons,
                                     Button defaultButton)
{
    const QMessageBox::StandardButtons boxButtons(buttons);
    const auto boxDefault = QMessageBox::StandardButton(defaultButton);
    const QMessageBox::StandardButton pressed =
        icon == Icon::Warning ? Prompt::warning(nullptr, title, text, boxButtons, boxDefault)
                              : Prompt::information(nullptr, title, text, boxButtons, boxDefault);
    return Button(pressed);
}

QString WindowPrompt::openFileName(const QString& caption, const QString& filter, const QString& defaultSuffix)
{
    return Prompt::getOpenFileName(nullptr, caption, QString(), filter, defaultSuffix);
}
