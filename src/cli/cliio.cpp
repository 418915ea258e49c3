#include "cli/cliio.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "common/filesystem.h"
#include "mob/filelog.h"

namespace kelvarin {

bool AcceptInput(const std::string& path, TInputUse use, TCliIo& io) {
  const FileKind kind = Files().KindOf(path);
  if (kind == FileKind::Missing || kind == FileKind::Regular) return true;
  if (kind == FileKind::Fifo && use == TInputUse::Read) {
    io.err << "kelvarin-cli: " << path
           << " is a pipe: it is read to its end, which comes when the program writing into it closes it\n";
    return true;
  }
  io.err << NotRegularFileLine(path, kind) << "\n";
  return false;
}

TFdOutput::TFdOutput(int fd) : m_fd(fd), m_buffer(1 << 16) {
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

TFdOutput::~TFdOutput() { sync(); }

bool TFdOutput::Drain(const char* data, std::size_t size) {
  // After a failed write nothing more is written: the output is broken already.
  while (size > 0 && m_error == 0) {
    const ssize_t n = ::write(m_fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      m_error = errno;
      break;
    }
    data += n;
    size -= std::size_t(n);
  }
  return m_error == 0;
}

int TFdOutput::sync() {
  const bool ok = Drain(pbase(), std::size_t(pptr() - pbase()));
  setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
  return ok ? 0 : -1;
}

TFdOutput::int_type TFdOutput::overflow(int_type c) {
  if (sync() != 0) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

std::streamsize TFdOutput::xsputn(const char* data, std::streamsize size) {
  // What fits goes into the buffer; a large piece goes out as it stands.
  if (size <= epptr() - pptr()) {
    std::memcpy(pptr(), data, std::size_t(size));
    pbump(int(size));
    return size;
  }
  if (sync() != 0) return 0;
  if (size < std::streamsize(m_buffer.size())) {
    std::memcpy(pptr(), data, std::size_t(size));
    pbump(int(size));
    return size;
  }
  return Drain(data, std::size_t(size)) ? size : 0;
}

}  // namespace kelvarin
