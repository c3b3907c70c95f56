#include "host/streaming/FilerBase.h"

void TFiler::DefineAll(TPersistent* Instance)
{
    Instance->DefineProperties(this);
    if (const TClassInfo* info = FRegistry.ClassOf(Instance)) info->DefineProperties(Instance, this);
}
