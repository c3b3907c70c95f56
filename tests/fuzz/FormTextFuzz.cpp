// Fuzz target of the text form: its conversion to binary and reading a form from text.
#include "tests/fuzz/FormFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    std::string text = "object ";
    text.append(reinterpret_cast<const char*>(Data), Size);
    FormFuzz::TextRoundTrip(text);
    FormFuzz::ReadAndWriteAgain(text);
    return 0;
}
