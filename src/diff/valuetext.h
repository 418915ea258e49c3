// The text a field value is compared and shown in by the diff, the merge and the
// zone's text form: locale-free and the same on every machine. Integers in
// decimal; floats with '.' and the shortest text that reads back to the same 32
// bits, followed by the bits in hex where two different values would print alike
// (a NaN and its payload, a negative zero); strings in double quotes, lists in
// brackets, raw bytes in hex. Strings stay code page 1251 bytes.
#pragma once

#include <string>

#include "document/fieldvalue.h"

namespace kelvarin {

std::string FloatValueText(float value);

// A string between double quotes: a quote, a backslash and control bytes are
// escaped (\", \\, \n, \r, \t, \xNN), every other byte stands as it is.
std::string QuotedText(const std::string& bytes);

std::string FieldValueText(const TFieldValue& value);

}  // namespace kelvarin
