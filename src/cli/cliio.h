// Streams, exit codes and the input rule shared by the kelvarin-cli commands.
#pragma once

#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

namespace kelvarin {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the document operation failed
inline constexpr int kExitUsage = 2;   // bad command line
inline constexpr int kExitFindings = 3;  // check: the zone has errors

struct TCliIo {
  std::ostream& out;
  std::ostream& err;
  // The exit code of a command that fails for a reason of its own (an exception,
  // output that could not be written). Commands that answer with 1 for something
  // else (diff: the zones differ) set another.
  int failedExit = kExitFailed;
};

// How a command uses a file it reads.
enum class TInputUse {
  Read,       // read once, to its end: a pipe serves as well as a file
  Rewritten,  // read and then written back in its place: only a regular file will do
};

// Whether `path` may be a command's input for `use`, decided before a byte is
// read. Anything that is neither a regular file nor a pipe (a folder, a device, a
// socket) is refused, and so is a pipe that is to be rewritten; a pipe that is
// read is announced, since reading it waits until a program writes into it and
// closes it. A missing file passes: the command tells that in its own words.
bool AcceptInput(const std::string& path, TInputUse use, TCliIo& io);

// Standard output as the program writes it: through a large buffer straight to a
// file descriptor, remembering why a write failed (an errno value).
class TFdOutput : public std::streambuf {
 public:
  explicit TFdOutput(int fd);
  ~TFdOutput() override;
  int WriteError() const { return m_error; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  bool Drain(const char* data, std::size_t size);

  int m_fd;
  int m_error = 0;
  std::vector<char> m_buffer;
};

}  // namespace kelvarin
