// Fuzz target of the property text conversions: the first byte picks a property of the probe
// (every host type, and a real font), the rest is the text the designer or a form would set.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/streaming/PropertyTextProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0) return 0;
    static TTextProbeSet probes;
    const auto& targets = probes.Targets();
    const TTextProbeSet::TTarget& target = targets[Data[0] % targets.size()];
    const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);
    const std::string fault = probes.SetAndCheck(target, text);
    if (fault.empty()) return 0;
    std::fprintf(stderr, "property text fuzz: %s: %s\n", target.Prop->Name.c_str(), fault.c_str());
    std::abort();
}
