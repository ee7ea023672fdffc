#include "appsetup.h"
#include "mainwindow.h"

#include <QApplication>

#ifdef Q_OS_WIN
#include "commandline.h"

#include <windows.h>
#endif

static int runApplication(int& argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    setUpApplication();
    MainWindow window;
    window.show();
    return app.exec();
}

int main(int argc, char* argv[])
{
    return runApplication(argc, argv);
}

#ifdef Q_OS_WIN
// The Windows entry: the wide command line, split by the shell's rules, reaches QApplication in
// the ANSI code page. The arguments outlive the application, which keeps pointers into them.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ProcessArguments arguments = ProcessArguments::fromWindowsCommandLine();
    return runApplication(arguments.argc(), arguments.argv());
}
#endif
