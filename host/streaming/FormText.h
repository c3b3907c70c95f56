#pragma once
// The text form of a form file and its conversion to and from the binary form:
//
//   object Form1: TForm
//     Caption = 'Sales'#13#10'2026'
//     Options = [dgTitles, dgIndicator]
//     Layout = <
//       item
//         Columns = <>
//       end>
//     object Grid1: TZelGrid
//       OnGetDataCell = Form1GetDataCell
//     end
//   end
//
// Strings are quoted, with control and non-ASCII bytes as #n and long strings split with '+';
// binary values are hexadecimal in braces, 64 digits a line; a currency ends in 'c' and a date
// in 'd'; an extended number is written with every digit it needs to read back exactly. The
// text written from a binary form reads back to the same bytes.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where a value of the binary form came from in the text, for errors found while reading it.
struct TTextPosition {
    std::size_t Offset;
    int Line;
    int Column;
};

// EReadError with the binary offset for a corrupt binary form.
std::string ObjectBinaryToText(std::string_view Binary);
// EReadError with line and column for bad text. Positions, when given, receives the text
// position of each property and component in the binary, in offset order.
std::string ObjectTextToBinary(std::string_view Text, std::vector<TTextPosition>* Positions = nullptr);
