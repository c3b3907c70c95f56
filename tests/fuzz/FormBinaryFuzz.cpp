// Fuzz target of the binary form reader and of its conversion to text.
#include "tests/fuzz/FormFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string binary(reinterpret_cast<const char*>(Data), Size);
    FormFuzz::ReadAndWriteAgain(binary);
    std::string text;
    try {
        text = ObjectBinaryToText(binary);
    } catch (const EReadError&) {
        return 0;
    }
    FormFuzz::TextRoundTrip(text);
    return 0;
}
