#include "appsetup.h"

#include <QApplication>
#include <QFont>
#include <QtGlobal>

// Outside any namespace: the resource initialiser it calls is declared at global scope.
static void registerResources()
{
    // The window's images are compiled into this static library, whose resources are not
    // registered until someone asks for them.
    Q_INIT_RESOURCE(resources);
}

void setUpApplication()
{
    registerResources();
#ifndef Q_OS_WIN
    // The forms place their texts in fixed places drawn for Windows' 9 pt dialog font and Arial.
    // Other desktops give wider faces at other sizes, which cut them; Arial (on Linux a face with
    // its metrics, which fontconfig puts in its place) at 9 pt keeps them whole.
    QApplication::setFont(QFont(QStringLiteral("Arial"), 9));
#endif
}
