// The property the build fuzzer checks, shared with the ordinary tests that
// replay its findings: JSON that builds a zone gives a file image that loads,
// whose JSON builds the very same image again; and what reads as a zone is
// written.
#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// Empty when the property holds for `text` (or `text` is refused as a zone),
// otherwise what broke.
std::string BuildRoundTripFault(std::string_view text);

}  // namespace kelvarin
