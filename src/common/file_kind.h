// What an input file looks like, so that a file of the wrong kind is refused
// with words the user recognises ("... is a Touchstone file") rather than a
// complaint about its first line. A guess from the first lines only; any
// bytes at all are looked at safely.
//
//  Empty       no bytes, or only blanks and line ends (a UTF-8 byte order
//              mark is left out everywhere).
//  Binary      a NUL byte, or more than one byte in 32 a control character
//              other than tab, line feed, carriage return and form feed, in
//              the first 8 KiB.
//  Touchstone  the first line that is neither blank nor a '!' comment is an
//              option line ('#' and only the words a Touchstone option line
//              holds: frequency units, S Y Z H G, DB MA RI, R and numbers), or
//              a "[Version]" keyword line.
//  Json        the first character that is not blank is '{' or '['.
//  Netlist     after the title line, a dot command (.end, .subckt, .ac ...)
//              or an element line of a resistor, inductor, capacitor or source
//              with a numeric value ("L1 2 0 100n").
//  Other       anything else.
#pragma once

#include <string_view>

namespace varnholt {

enum class FileKind { Empty, Binary, Touchstone, Netlist, Json, Other };

FileKind sniff_file(std::string_view text);

// "an empty file", "a binary file", "a Touchstone file", "a circuit-simulator
// netlist", "a JSON text"; "" for Other.
const char* file_kind_text(FileKind kind);

}  // namespace varnholt
