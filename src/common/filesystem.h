// The file primitives the document uses. Everything goes through this interface
// so tests can inject a failing write, a full disk, a failing rename or a file that
// vanishes, and prove that a failed save never destroys the existing file.
#pragma once

#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace kelvarin {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool Exists(const std::string& path) = 0;
  virtual bool ReadAll(const std::string& path, Bytes& out, std::string& error) = 0;

  // Low-level steps of an atomic replace; see WriteFileAtomically.
  // Creates a new empty temporary file in the folder of `target`; returns a handle
  // (>= 0) and its path, or -1.
  virtual int CreateTemp(const std::string& target, std::string& tempPath, std::string& error) = 0;
  virtual bool Write(int handle, const std::uint8_t* data, std::size_t size, std::string& error) = 0;
  virtual bool Sync(int handle, std::string& error) = 0;
  virtual bool Close(int handle, std::string& error) = 0;
  // Gives the temporary file the permission bits of `target` when it exists.
  virtual void CopyPermissions(const std::string& from, int handle) = 0;
  virtual bool Rename(const std::string& from, const std::string& to, std::string& error) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Makes a completed rename durable (syncs the folder).
  virtual void SyncFolderOf(const std::string& path) = 0;

  // Copies a file; fails when `to` exists and `overwrite` is false.
  virtual bool CopyFile(const std::string& from, const std::string& to, bool overwrite,
                        std::string& error) = 0;
};

// The real file system (POSIX).
class PosixFileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) override;
  bool ReadAll(const std::string& path, Bytes& out, std::string& error) override;
  int CreateTemp(const std::string& target, std::string& tempPath, std::string& error) override;
  bool Write(int handle, const std::uint8_t* data, std::size_t size, std::string& error) override;
  bool Sync(int handle, std::string& error) override;
  bool Close(int handle, std::string& error) override;
  void CopyPermissions(const std::string& from, int handle) override;
  bool Rename(const std::string& from, const std::string& to, std::string& error) override;
  bool Remove(const std::string& path) override;
  void SyncFolderOf(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to, bool overwrite,
                std::string& error) override;
};

// The process-wide file system; tests may replace it (and must restore it).
FileSystem& Files();
void SetFiles(FileSystem* files);  // nullptr restores the real one

// Replaces `path` with `data` so that the old file survives any failure: write a
// temporary file in the same folder, flush it to disk, rename it over the target.
// A symbolic link is followed, so the file it points to is replaced. On failure the
// temporary file is removed and `error` says why.
bool WriteFileAtomically(FileSystem& fs, const std::string& path, const Bytes& data,
                         std::string& error);

}  // namespace kelvarin
