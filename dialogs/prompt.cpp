#include "prompt.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

Prompt::Responder& responderSlot()
{
    static Prompt::Responder responder;
    return responder;
}

QList<Prompt::Record>& logSlot()
{
    static QList<Prompt::Record> records;
    return records;
}

} // namespace

QMessageBox::StandardButton Prompt::information(QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    return messageBox(Kind::Information, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton Prompt::warning(QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    return messageBox(Kind::Warning, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton Prompt::critical(QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    return messageBox(Kind::Critical, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton Prompt::question(QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    return messageBox(Kind::Question, parent, title, text, buttons, defaultButton);
}

QString Prompt::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
    const QString& defaultSuffix)
{
    return fileDialog(Kind::OpenFile, parent, caption, dir, filter, defaultSuffix);
}

QString Prompt::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
    const QString& defaultSuffix)
{
    return fileDialog(Kind::SaveFile, parent, caption, dir, filter, defaultSuffix);
}

void Prompt::setResponder(Responder responder)
{
    responderSlot() = std::move(responder);
}

bool Prompt::hasResponder()
{
    return static_cast<bool>(responderSlot());
}

QList<Prompt::Record> Prompt::log()
{
    return logSlot();
}

void Prompt::clearLog()
{
    logSlot().clear();
}

QMessageBox::StandardButton Prompt::messageBox(Kind kind, QWidget* parent, const QString& title,
    const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    Record record;
    record.kind = kind;
    record.parent = parent;
    record.title = title;
    record.text = text;
    record.buttons = buttons;
    record.defaultButton = defaultButton;
    logSlot().append(record);

    // Copy first: a responder may replace itself while it answers.
    if (const Responder responder = responderSlot())
        return responder(record).button;

    switch (kind) {
    case Kind::Warning:
        return QMessageBox::warning(parent, title, text, buttons, defaultButton);
    case Kind::Critical:
        return QMessageBox::critical(parent, title, text, buttons, defaultButton);
    case Kind::Question:
        return QMessageBox::question(parent, title, text, buttons, defaultButton);
    case Kind::Information:
    default:
        return QMessageBox::information(parent, title, text, buttons, defaultButton);
    }
}

QString Prompt::fileDialog(Kind kind, QWidget* parent, const QString& caption, const QString& dir,
    const QString& filter, const QString& defaultSuffix)
{
    Record record;
    record.kind = kind;
    record.parent = parent;
    record.title = caption;
    record.dir = dir;
    record.filter = filter;
    record.defaultSuffix = defaultSuffix;
    logSlot().append(record);

    if (const Responder responder = responderSlot()) {
        QString fileName = responder(record).fileName;
        if (!fileName.isEmpty() && !defaultSuffix.isEmpty() && QFileInfo(fileName).suffix().isEmpty())
            fileName += QLatin1Char('.') + defaultSuffix;
        return fileName;
    }

    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(kind == Kind::SaveFile ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == Kind::SaveFile ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
