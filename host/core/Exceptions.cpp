#include "host/core/Exceptions.h"

void ListIndexError(int Index)
{
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}
