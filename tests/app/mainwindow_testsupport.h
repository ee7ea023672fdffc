#ifndef MAINWINDOW_TESTSUPPORT_H
#define MAINWINDOW_TESTSUPPORT_H

// What every test of the real main window needs: a working directory of its own (the window reads
// "Product List.txt" and writes "debug_msg.txt" there), fresh process-wide state, no real serial
// port probed, and every message box answered with Ok and remembered.

#include "globals.h"
#include "mainwindow.h"
#include "prompt.h"
#include "ptypair.h"
#include "simprogtool.h"
#include "toolportinfo.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <QtWidgets>

#include <functional>
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

// The window a test drives, and its widgets by object name. A missing widget ends the run at
// once: a renamed form widget would otherwise surface as a crash somewhere further on.
class WindowUnderTest
{
protected:
    template <class T>
    T* widget(const char* name) const
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QLineEdit* edit(const char* name) const { return widget<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return widget<QPushButton>(name); }
    // The DALI Control tab's command sequence.
    QTableWidget* table() const { return widget<QTableWidget>("cmdSeqTableWidget"); }

    std::unique_ptr<MainWindow> window;
};

// "cell|cell|..." of every row of a table; a cell without an item reads "<none>".
inline QStringList rowTexts(const QTableWidget* table)
{
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            const QTableWidgetItem* item = table->item(row, column);
            cells << (item ? item->text() : QStringLiteral("<none>"));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The first top-level widget of the given class (the window's dialogs live outside it), or null.
inline QWidget* topLevel(const char* className)
{
    const QList<QWidget*> widgets = QApplication::topLevelWidgets();
    for (QWidget* w : widgets) {
        if (qstrcmp(w->metaObject()->className(), className) == 0)
            return w;
    }
    return nullptr;
}

// Opens a modal dialog with `open` and runs `whileOpen` inside the dialog's own event loop (the call
// is queued before the dialog opens); closes it if still open. Returns whether it opened.
inline bool runInDialog(QWidget* dialog, const std::function<void()>& open, const std::function<void()>& whileOpen)
{
    bool opened = false;
    auto inLoop = [&] {
        if ((opened = dialog->isVisible()))
            whileOpen();
        dialog->hide();
    };
    QMetaObject::invokeMethod(dialog, inLoop, Qt::QueuedConnection);
    open();
    QCoreApplication::sendPostedEvents(dialog, QEvent::MetaCall);
    return opened;
}

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Products 0 to last, each "Kavro KLD 075 M<n>" of 350 to 1400 mA with every feature.
inline QList<QByteArray> benchProductLines(int last)
{
    QList<QByteArray> lines;
    for (int i = 0; i <= last; ++i)
        lines << QStringLiteral("%1,Kavro KLD 075 M%1,75,1400,350,1,10,56.0,28.0,0,17FF").arg(i).toLatin1();
    return lines;
}

// A production bench: a working directory with a product list, a simulated programming tool
// behind an FTDI adapter on a pseudo-terminal (found through the tool detection's port provider)
// and the real window. The tool can be pulled (SimProgTool::unplug) and plugged back on a new
// port, as a pulled USB adapter comes back on a new device node. The window goes first, so it
// lets go of the port before the tool goes.
struct ToolBench : WindowUnderTest
{
    using WindowUnderTest::widget;
    using WindowUnderTest::window;
    WindowTestEnvironment env;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<SimProgTool> tool;

    ToolBench(SimProgTool::Kind kind, const QList<QByteArray>& productLines)
    {
        env.writeProductList(productLines);
        plugIn(kind);
        setToolPortProvider([this] { return QList<ToolPortInfo>{ftdiToolPort(portPath)}; });
    }
    ~ToolBench() { window.reset(); }

    ToolBench(const ToolBench&) = delete;
    ToolBench& operator=(const ToolBench&) = delete;

    // The window on a tab; on the Programming tab with the given programming tool.
    void openWindow(int tab, int programTool = PROG_TOOL_DALI)
    {
        window = std::make_unique<MainWindow>();
        showTab(tab);
        if (programTool != PROG_TOOL_DALI)
            child<QComboBox>("programToolComboBox")->setCurrentIndex(programTool);
    }

    // Until the tool is found, without waiting out the window's 2000 ms pace: a detection pass
    // judges the probe the pass before it sent, once that probe has had its answer or time-out.
    void findTool() const
    {
        QTRY_VERIFY_WITH_TIMEOUT(window->toolState() == 1
                                     || !window->serialLink().transactionEngine().isAwaitingAnswer(),
                                 5000);
        if (window->toolState() != 1)
            window->checkToolConnection();
        QTRY_COMPARE_WITH_TIMEOUT(window->toolState(), 1, 30000);
    }

    // Until the driver found has been read and the Programming tab's actions are on.
    void waitForDriverRead(int product) const
    {
        QTRY_COMPARE_WITH_TIMEOUT(window->programmingData().productIndex, quint16(product), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(action("programAction")->isEnabled(), 30000);
    }

    // A tool of this kind on a new port.
    SimProgTool& plugIn(SimProgTool::Kind kind)
    {
        tool.reset();
        pty = std::make_unique<PtyPair>();
        tool = std::make_unique<SimProgTool>(pty.get(), kind);
        // Behind the FTDI adapter the USB tool runs at 1200 baud.
        if (kind == SimProgTool::Kind::UsbTool)
            tool->setRequiredBaudRate(1200);
        portPath = pty->slavePath();
        return *tool;
    }

    void showTab(int tab) const { child<QTabWidget>("tabWidget")->setCurrentIndex(tab); }
    template <typename T>
    T* child(const char* name) const
    {
        return widget<T>(name);
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    // A label of the production progress view.
    QString viewText(const char* label) const
    {
        return topLevel("programView")->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }

private:
    QString portPath;
};

// 'E' or 'D' for the program, read and reset actions, in that order.
inline QString actionStates(const MainWindow& w)
{
    QString s;
    for (const char* name : {"programAction", "readAction", "resetAction"})
        s += w.findChild<QAction*>(QString::fromLatin1(name))->isEnabled() ? 'E' : 'D';
    return s;
}

// A tool or driver status label: the searching animation (paused while the label cannot be seen),
// or the still "connected" picture.
inline bool isSearching(QLabel* label)
{
    return label->movie() && label->movie()->state() != QMovie::NotRunning;
}

inline bool isConnected(QLabel* label)
{
    return !label->movie() && !label->pixmap(Qt::ReturnByValue).isNull();
}

// The label program "print_csv.exe", put first on PATH for as long as this lives: each call
// appends "<working dir>|<arguments>" to calls.txt beside it, then exits with the code given.
class LabelProgramStandIn
{
public:
    LabelProgramStandIn()
    {
        originalPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(binDir.path()) + ':' + originalPath);
    }

    ~LabelProgramStandIn() { qputenv("PATH", originalPath); }

    LabelProgramStandIn(const LabelProgramStandIn&) = delete;
    LabelProgramStandIn& operator=(const LabelProgramStandIn&) = delete;

    bool isValid() const { return binDir.isValid(); }

    void install(int exitCode) const
    {
        QFile script(binDir.filePath("print_csv.exe"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "echo \"$(pwd -P)|$*\" >> \"$(dirname \"$0\")/calls.txt\"\n"
                                    "exit %1\n")
                         .arg(exitCode)
                         .toLatin1());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void uninstall() const { QFile::remove(binDir.filePath("print_csv.exe")); }
    void clearCalls() const { QFile::remove(binDir.filePath("calls.txt")); }

    // One "<working dir>|<arguments>" line per call, oldest first.
    QStringList calls() const
    {
        QFile file(binDir.filePath("calls.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir binDir;
    QByteArray originalPath;
};

#endif // MAINWINDOW_TESTSUPPORT_H
