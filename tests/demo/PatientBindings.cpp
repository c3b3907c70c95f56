// The demo's tests check what an edit or a read did as soon as the grid returns: their bindings
// wait for the source however busy the machine is, instead of leaving slow calls to the worker.
#include <chrono>

#include "binding/GridBinding.h"

namespace {

const bool Patient = [] {
    TGridBinding::DefaultReadGrace = std::chrono::seconds(20);
    TGridBinding::DefaultWriteGrace = std::chrono::seconds(20);
    return true;
}();

} // namespace
