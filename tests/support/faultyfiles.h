// The real file system with any of its steps made to fail on demand: a full disk,
// a failing sync or rename, a folder that takes no new file, a file that cannot be
// read or whose reading runs out of memory. Tests run as root, where permissions
// never refuse anything, so this is how a refusal is met. Install it for a scope
// with TUseFiles.
#pragma once

#include <cerrno>
#include <functional>
#include <string>

#include "common/filesystem.h"

namespace kelvarin::test {

// How one step fails. Off while `error` is 0.
struct TFault {
  static constexpr int kAlways = -1;

  int error = 0;             // the errno a failure reports; ENOMEM: std::bad_alloc is thrown
  int times = kAlways;       // failures left (kAlways: every call), then the step works again
  int spare = 0;             // calls that go through before the first failure
  std::string path;          // only for this path (the target of a save, the file read); empty: any
  bool halfDone = false;     // a failing write or copy puts part of its data into the file first
  std::function<void()> whenStruck;  // runs as the step fails (a child that must stop mid-save)
  int calls = 0;             // how often the step was asked, failing or not

  // Makes the step fail with `err`, `count` times; the setters chain:
  // files.createTemp.Fail(EIO).For(path).After(1).
  TFault& Fail(int err, int count = kAlways) {
    error = err;
    times = count;
    return *this;
  }
  TFault& For(std::string onlyPath) {
    path = std::move(onlyPath);
    return *this;
  }
  TFault& After(int calls) {
    spare = calls;
    return *this;
  }
  TFault& HalfDone() {
    halfDone = true;
    return *this;
  }
  void Off() { error = 0; }
};

class TFaultyFiles : public TPosixFileSystem {
 public:
  TFault createTemp;  // a new file beside the target (a folder that takes no new file)
  TFault write;       // the content (a full disk)
  TFault copy;        // a backup's copy of the old file
  TFault sync;
  TFault rename;      // the finished file over the target
  TFault read;        // ReadAll
  TFault map;         // MapRegular
  // The folder's file system makes no unnamed files: a save names its temporary.
  bool noUnnamedTemps = false;
  // Renamed files that are gone right afterwards (someone removed the new file).
  int vanishAfterRename = 0;

  bool ReadAll(const std::string& path, Bytes& out, int& err) override;
  bool MapRegular(const std::string& path, TMappedFile& file, int& err) override;
  int CreateTemp(const std::string& target, std::string& tempPath, int& err) override;
  bool Write(int handle, const std::uint8_t* data, std::size_t size, int& err) override;
  bool CopyInto(int handle, const std::string& from, int& err) override;
  bool Sync(int handle, int& err) override;
  bool Rename(const std::string& from, const std::string& to, int& err) override;

 protected:
  int OpenUnnamedTemp(const std::string& folder, int& err) override;
};

// Puts `files` in place of the real file system for the life of the scope.
class TUseFiles {
 public:
  explicit TUseFiles(TFileSystem& files) { SetFiles(&files); }
  ~TUseFiles() { SetFiles(nullptr); }
  TUseFiles(const TUseFiles&) = delete;
  TUseFiles& operator=(const TUseFiles&) = delete;
};

}  // namespace kelvarin::test
