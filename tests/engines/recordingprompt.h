#ifndef RECORDINGPROMPT_H
#define RECORDINGPROMPT_H

#include "userprompt.h"

#include <QStringList>

// Stands in for the window's boxes: records each as "icon|title|text" (with "|buttons N" added
// when it offers anything but OK) and answers with its default button.
class RecordingPrompt : public UserPrompt
{
public:
    QStringList boxes;

    Button ask(Icon icon, const QString& title, const QString& text, int buttons,
               Button defaultButton) override
    {
        QString box = (icon == Icon::Warning ? QStringLiteral("warning|") : QStringLiteral("information|")) +
                      title + QLatin1Char('|') + text;
        if (buttons != Ok)
            box += QStringLiteral("|buttons %1").arg(buttons, 0, 16);
        boxes << box;
        return defaultButton;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return QString(); }
};

#endif // RECORDINGPROMPT_H
