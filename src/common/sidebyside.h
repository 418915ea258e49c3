// Two pieces of work on both cores: one on the calling thread, the other on a
// thread of its own for as long as it runs.
#pragma once

#include <exception>
#include <thread>

namespace kelvarin {

// Runs `first` on the calling thread and `second` beside it and returns once both
// have ended. An exception of either comes out then, the first's before the
// second's; neither ends the program from the other thread.
template <class First, class Second> void RunSideBySide(First&& first, Second&& second) {
  std::exception_ptr secondFailure;
  std::thread beside([&] {
    try {
      second();
    } catch (...) {
      secondFailure = std::current_exception();
    }
  });
  try {
    first();
  } catch (...) {
    beside.join();
    throw;
  }
  beside.join();
  if (secondFailure) std::rethrow_exception(secondFailure);
}

}  // namespace kelvarin
