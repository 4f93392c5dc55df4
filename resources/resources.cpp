#include "resources/resources.h"

#include <QtCore/qglobal.h>

static void InitZepimResources()
{
    Q_INIT_RESOURCE(zepim);
}

namespace zep {
void InitResources()
{
    InitZepimResources();
}
} // namespace zep
