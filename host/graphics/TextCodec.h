#pragma once
// Decoding of the host's 8-bit strings for text output: UTF-8 where the bytes form it, and
// every byte that does not as its Latin-1 character, so no text is ever lost or refused.
#include <string>
#include <string_view>

void DecodeText(std::string_view Text, std::u32string& Out);
