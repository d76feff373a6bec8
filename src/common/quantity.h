// Physical quantities typed on a command line: "2.4GHz", "455k", "220n",
// "4.7 pF", "1kohm". A bare number is in the quantity's plain unit, the unit
// the stores hold: MHz, ohms, nH, pF.
//
// How a value is read:
//  - An optional sign, decimal digits with an optional point and an optional
//    exponent (1e3, 2.5E-2). No hexadecimal, no "inf" or "nan".
//  - Then, optionally after one space, an SI prefix and/or the unit name.
//  - Prefixes are case-sensitive as in SI: f p n u m k M G T, with micro also
//    written as U+00B5 or U+03BC. Two exceptions a user types often: K is
//    kilo, and "meg" in any case (meg, Meg, MEG) is mega as circuit simulators
//    write it. So "10m" is milli and "10M" mega; "10U" or "2.4g" is refused.
//  - Unit names are case-insensitive: Hz, hz, HZ; ohm, Ohms, OHM, U+03A9 or
//    U+2126; H; F.
//  - A suffix that is a prefix letter on its own is the prefix: "1f" is one
//    femtofarad, "1F" one farad.
//  - A lowercase m before a unit name not written in its SI case ("10mhz",
//    "1mh", "1mf") is refused as ambiguous: it may mean milli or mega
//    (or micro in old "mf" for capacitors); the reason names both spellings.
//    "mHz", "mH" and "mF" are milli; "MHz", "MHZ" and "Mhz" are mega.
//  - The result is the double nearest to the exact decimal value in the plain
//    unit ("10.7MHz" is the double 10.7, "0.22u" henries 220.0 nH): the
//    prefix shifts the decimal exponent of the text, which is converted once.
//  - Refused: empty text, a unit of another quantity, an unknown suffix,
//    stray blanks or trailing characters, and values that overflow or that
//    round to zero from a nonzero number. Ranges are for the caller to check.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

enum class Quantity : std::uint8_t { Frequency, Impedance, Inductance, Capacitance };

// "frequency", "impedance", "inductance", "capacitance".
const char* quantity_name(Quantity q);
// The unit of a bare number: "MHz", "ohms", "nH", "pF".
const char* plain_unit(Quantity q);
// The power of ten of the plain unit in SI units: 6, 0, -9, -12.
int plain_exponent(Quantity q);

// The value of `text` in the plain unit of `q`; on refusal nothing, and `why`
// holds a short reason for a message (without the option's name), naming
// what was expected, e.g. "5nH is an inductance, not a frequency (give MHz,
// or a unit such as 2.4GHz or 455kHz)".
std::optional<double> parse_quantity(std::string_view text, Quantity q, std::string& why);

}  // namespace varnholt
