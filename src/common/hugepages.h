// Large buffers on huge pages. A zone of hundreds of megabytes is read into one
// buffer and decoded into record lists of similar size; filled page by page, each
// of them costs hundreds of thousands of page faults. Where the kernel offers
// transparent huge pages on request, asking for them cuts that by a factor of 512.
#pragma once

#include <cstddef>

namespace kelvarin {

// Asks for huge pages under the whole 2 MB pages of [data, data + bytes). Harmless
// where the system has none; only worth calling before the memory is first touched.
void AdviseHugePages(const void* data, std::size_t bytes);

// Reserves room for `count` elements and asks for huge pages under it.
template <class Vector> void ReserveLarge(Vector& v, std::size_t count) {
  v.reserve(count);
  AdviseHugePages(v.data(), v.capacity() * sizeof(typename Vector::value_type));
}

}  // namespace kelvarin
