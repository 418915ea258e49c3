// Feeds arbitrary text to the JSON form of `kelvarin-cli build`: it must never
// crash, and whatever builds must load and build back to the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "buildroundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  const std::string fault =
      kelvarin::BuildRoundTripFault(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
