#include "appsetup.h"

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
}
