#ifndef WINDOWPROMPT_H
#define WINDOWPROMPT_H

#include "userprompt.h"

// The engines' boxes and file dialogs, shown through Prompt like every other box of the window.
class WindowPrompt : public UserPrompt
{
public:
    Button ask(Icon icon, const QString& title, const QString& text, int buttons,
               Button defaultButton) override;
    QString openFileName(const QString& caption, const QString& filter, const QString& defaultSuffix) override;
};

#endif // WINDOWPROMPT_H
