#include "package/Zelpack4.h"

#include "host/controls/ControlProperties.h"
#include "outline/OutlineProperties.h"
#include "zelgrid/Zelgrid.h"

namespace {

bool& InitializedFlag()
{
    static bool initialized = false;
    return initialized;
}

} // namespace

void Zelpack4Initialize()
{
    if (InitializedFlag()) return;
    RegisterControlProperties();
    RegisterOutlineProperties();
    RegisterZelGridProperties();
    InitializedFlag() = true;
}

void Zelpack4Finalize()
{
    // The units hold nothing to release: the editor tables are constant, the grid frees its
    // shared word-wrap bitmap with its last instance, and the registries outlive the package.
    InitializedFlag() = false;
}

bool Zelpack4Initialized()
{
    return InitializedFlag();
}
