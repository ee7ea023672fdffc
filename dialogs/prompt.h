#ifndef PROMPT_H
#define PROMPT_H

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box and file dialog of the program goes through here. The user sees exactly the
// QMessageBox / QFileDialog that a direct call would show; tests install a responder that answers
// instead of a person, so no modal loop ever waits for a click that cannot come.
class Prompt
{
public:
    enum class Kind {
        Information,
        Warning,
        Critical,
        Question,
        OpenFile,
        SaveFile,
    };

    // What would be shown. For file dialogs title is the caption and text stays empty.
    struct Record
    {
        Kind kind = Kind::Information;
        QWidget* parent = nullptr;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::NoButton;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QString dir;
        QString filter;
        QString defaultSuffix;
    };

    // A responder's answer: the button pressed for a box, the chosen path for a file dialog
    // (empty = cancelled).
    struct Answer
    {
        Answer() = default;
        Answer(QMessageBox::StandardButton b) : button(b) {}
        Answer(const QString& path) : fileName(path) {}
        Answer(const char* path) : fileName(QString::fromUtf8(path)) {}

        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString fileName;
    };

    using Responder = std::function<Answer(const Record&)>;

    static QMessageBox::StandardButton information(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static QMessageBox::StandardButton warning(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static QMessageBox::StandardButton critical(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No),
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // Empty string when the user cancels. A default suffix is added to a chosen name that has none,
    // by the dialog as by a responder's answer.
    static QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir = QString(),
        const QString& filter = QString(), const QString& defaultSuffix = QString());
    static QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir = QString(),
        const QString& filter = QString(), const QString& defaultSuffix = QString());

    // Test seam. With a responder installed no dialog is shown; nullptr restores the real ones.
    static void setResponder(Responder responder);
    static bool hasResponder();

    // Every prompt asked for since the last clearLog(), oldest first, whether answered by a person
    // or by the responder.
    static QList<Record> log();
    static void clearLog();

private:
    static QMessageBox::StandardButton messageBox(Kind kind, QWidget* parent, const QString& title,
        const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);
    static QString fileDialog(Kind kind, QWidget* parent, const QString& caption, const QString& dir,
        const QString& filter, const QString& defaultSuffix);
};

#endif // PROMPT_H
