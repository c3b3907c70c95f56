#pragma once
// The form-file fuzz targets: a form read from untrusted bytes either fails with EReadError or
// gives components whose written form reads again; a converted form converts back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/controls/Forms.h"
#include "host/core/Exceptions.h"
#include "host/streaming/Filer.h"
#include "host/streaming/FormText.h"
#include "zelgrid/Zelgrid.h"

namespace FormFuzz {

[[noreturn]] inline void Fault(const char* What, const std::string& Detail)
{
    std::fprintf(stderr, "form fuzz: %s: %s\n", What, Detail.c_str());
    std::abort();
}

inline void ReadAndWriteAgain(const std::string& Data)
{
    static THandlerTable handlers = [] {
        RegisterZelGridProperties();
        THandlerTable table;
        table.AcceptUnknown = true;
        return table;
    }();
    std::unique_ptr<TComponent> form;
    try {
        form.reset(ReadForm(Data, nullptr, &handlers));
    } catch (const EReadError&) {
        return;
    }
    std::string written;
    try {
        written = WriteForm(form.get());
    } catch (const EWriteError&) {
        return; // names longer than a form can hold
    }
    form.reset();
    try {
        form.reset(ReadForm(written, nullptr, &handlers));
    } catch (const EReadError& E) {
        Fault("a written form does not read", E.what());
    }
}

// Text that converts to a binary form converts back to text that converts to the same bytes.
inline void TextRoundTrip(const std::string& Text)
{
    std::string binary;
    try {
        binary = ObjectTextToBinary(Text);
    } catch (const EReadError&) {
        return;
    }
    std::string canonical;
    try {
        canonical = ObjectBinaryToText(binary);
    } catch (const EReadError& E) {
        Fault("converted text does not convert back", E.what());
    }
    if (ObjectTextToBinary(canonical) != binary) Fault("text round trip changed the bytes", canonical);
}

} // namespace FormFuzz
