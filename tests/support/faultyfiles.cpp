#include "support/faultyfiles.h"

#include <cerrno>
#include <new>

namespace kelvarin::test {
namespace {

// Whether the step fails this time; counts the call either way.
bool Strikes(TFault& fault, const std::string& path = {}) {
  ++fault.calls;
  if (fault.error == 0 || fault.times == 0) return false;
  if (!fault.path.empty() && path != fault.path) return false;
  if (fault.spare > 0) {
    --fault.spare;
    return false;
  }
  if (fault.times > 0) --fault.times;
  return true;
}

// The failure itself, once whatever the step did before it is done: the error to
// report (or an allocation failure thrown).
int Fails(const TFault& fault) {
  if (fault.whenStruck) fault.whenStruck();
  if (fault.error == ENOMEM) throw std::bad_alloc();
  return fault.error;
}

}  // namespace

bool TFaultyFiles::ReadAll(const std::string& path, Bytes& out, int& err) {
  if (Strikes(read, path)) {
    err = Fails(read);
    return false;
  }
  return TPosixFileSystem::ReadAll(path, out, err);
}

bool TFaultyFiles::MapRegular(const std::string& path, TMappedFile& file, int& err) {
  if (Strikes(map, path)) {
    err = Fails(map);
    return false;
  }
  return TPosixFileSystem::MapRegular(path, file, err);
}

int TFaultyFiles::CreateTemp(const std::string& target, std::string& tempPath, int& err) {
  if (Strikes(createTemp, target)) {
    err = Fails(createTemp);
    return -1;
  }
  return TPosixFileSystem::CreateTemp(target, tempPath, err);
}

bool TFaultyFiles::Write(int handle, const std::uint8_t* data, std::size_t size, int& err) {
  if (Strikes(write)) {
    if (write.halfDone) TPosixFileSystem::Write(handle, data, size / 2, err);
    err = Fails(write);
    return false;
  }
  return TPosixFileSystem::Write(handle, data, size, err);
}

bool TFaultyFiles::CopyInto(int handle, const std::string& from, int& err) {
  if (Strikes(copy, from)) {
    if (copy.halfDone) {
      const std::uint8_t half[] = {'h', 'a', 'l', 'f'};
      TPosixFileSystem::Write(handle, half, sizeof half, err);
    }
    err = Fails(copy);
    return false;
  }
  return TPosixFileSystem::CopyInto(handle, from, err);
}

bool TFaultyFiles::Sync(int handle, int& err) {
  if (Strikes(sync)) {
    err = Fails(sync);
    return false;
  }
  return TPosixFileSystem::Sync(handle, err);
}

bool TFaultyFiles::Rename(const std::string& from, const std::string& to, int& err) {
  if (Strikes(rename, to)) {
    err = Fails(rename);
    return false;
  }
  if (!TPosixFileSystem::Rename(from, to, err)) return false;
  if (vanishAfterRename > 0) {
    --vanishAfterRename;
    Remove(to);
  }
  return true;
}

int TFaultyFiles::OpenUnnamedTemp(const std::string& folder, int& err) {
  if (noUnnamedTemps) {
    err = EOPNOTSUPP;
    return -1;
  }
  return TPosixFileSystem::OpenUnnamedTemp(folder, err);
}

}  // namespace kelvarin::test
