#ifndef MAINWINDOW_TESTSUPPORT_H
#define MAINWINDOW_TESTSUPPORT_H

// What every test of the real main window needs: a working directory of its own (the window reads
// "Product List.txt" and writes "debug_msg.txt" there), fresh process-wide state, no real serial
// port probed, and every message box answered with Ok and remembered.

#include "globals.h"
#include "prompt.h"
#include "toolportinfo.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class WindowTestEnvironment
{
public:
    WindowTestEnvironment()
    {
        previousDir = QDir::currentPath();
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        productList.clear();
        productListLineNumber = 0;
        programToolIndex = PROG_TOOL_DALI;
        profileLoaded = 0;
        loadedProfileProductIndex = 0;
        loadedProfileName.clear();
        productPhyMinLevel = 0;
        productFeature2000 = 0;
        setToolPortProvider([] { return QList<ToolPortInfo>(); });
        Prompt::clearLog();
        Prompt::setResponder([](const Prompt::Record&) { return Prompt::Answer(QMessageBox::Ok); });
    }

    ~WindowTestEnvironment()
    {
        Prompt::setResponder(nullptr);
        setToolPortProvider(nullptr);
        QDir::setCurrent(previousDir);
    }

    WindowTestEnvironment(const WindowTestEnvironment&) = delete;
    WindowTestEnvironment& operator=(const WindowTestEnvironment&) = delete;

    QString path(const QString& name) const { return dir.filePath(name); }

    void writeFile(const QString& name, const QByteArray& content) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    // Two heading lines, then the product lines as given.
    void writeProductList(const QList<QByteArray>& productLines) const
    {
        QByteArray content = "Kavro Lumorant product list\n"
                             "Index,Model,Power(W),MaxCurrent(mA),MinCurrent(mA),Channels,PhyMinLevel(%),"
                             "MaxVoltage(V),MinVoltage(V),AnalogVariant,DriverFeature(hex)\n";
        for (const QByteArray& line : productLines)
            content += line + '\n';
        writeFile(QStringLiteral("Product List.txt"), content);
    }

    QStringList debugLog() const
    {
        QFile file(path(QStringLiteral("debug_msg.txt")));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir;
    QString previousDir;
};

// "kind|title|text" of every box asked for since the last Prompt::clearLog().
inline QStringList promptTrace()
{
    QStringList trace;
    for (const Prompt::Record& r : Prompt::log()) {
        QString kind;
        switch (r.kind) {
        case Prompt::Kind::Information:
            kind = QStringLiteral("information");
            break;
        case Prompt::Kind::Warning:
            kind = QStringLiteral("warning");
            break;
        case Prompt::Kind::Critical:
            kind = QStringLiteral("critical");
            break;
        case Prompt::Kind::Question:
            kind = QStringLiteral("question");
            break;
        default:
            kind = QStringLiteral("file");
            break;
        }
        trace << kind + QLatin1Char('|') + r.title + QLatin1Char('|') + r.text;
    }
    return trace;
}

#endif // MAINWINDOW_TESTSUPPORT_H
