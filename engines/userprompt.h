#ifndef USERPROMPT_H
#define USERPROMPT_H

#include <QString>

// How an engine puts a message box or a file dialog in front of the user without knowing about
// widgets. The window gives the engines that need one its implementation (the real boxes, which
// tests answer through their responder); an engine without one takes every box as answered with
// its default button and every file dialog as cancelled, so it never waits for a click.
class UserPrompt
{
public:
    enum class Icon
    {
        Information,
        Warning
    };
    // The same values as the standard buttons of a message box, so they pass through unchanged.
    enum Button
    {
        NoButton = 0x00000000,
        Ok = 0x00000400,
        Yes = 0x00004000,
        No = 0x00010000,
        Cancel = 0x00400000,
    };

    virtual ~UserPrompt() = default;

    // A modal box without parent; buttons is an or-ed set of Button. Returns the button pressed.
    virtual Button ask(Icon icon, const QString& title, const QString& text, int buttons,
                       Button defaultButton) = 0;
    // A modal open-file dialog without parent; empty when cancelled. defaultSuffix is added to a
    // chosen name that has none.
    virtual QString openFileName(const QString& caption, const QString& filter, const QString& defaultSuffix) = 0;
};

// An information box with an OK button, for an engine that may have no prompt (then nothing is
// shown).
inline void informUser(UserPrompt* prompt, const QString& title, const QString& text)
{
    if (prompt)
        prompt->ask(UserPrompt::Icon::Information, title, text, UserPrompt::Ok, UserPrompt::NoButton);
}

#endif // USERPROMPT_H
