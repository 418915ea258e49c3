// The file primitives of every load and save, and the one way a file is replaced.
// Everything goes through the TFileSystem interface so tests can inject a failing
// write, a full disk, a failing rename or a file that vanishes, and prove that a
// failed save never destroys the existing file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace kelvarin {

// What a path names, symbolic links followed.
enum class FileKind {
  Missing,  // nothing there (a dangling link too), or not reachable
  Regular,
  Directory,
  CharDevice,
  BlockDevice,
  Fifo,
  Socket,
  LinkLoop,  // symbolic links that never end in a file
};

// The system's message for an error number with its name:
// "No space left on device (ENOSPC)".
std::string SystemErrorText(int err);

class TMappedFile;

class TFileSystem {
 public:
  virtual ~TFileSystem() = default;

  // Whether `path` names something that is not a folder (links followed).
  virtual bool Exists(const std::string& path) = 0;
  virtual FileKind KindOf(const std::string& path) = 0;
  // The text of the symbolic link `path`; false when `path` is not a link.
  virtual bool ReadLink(const std::string& path, std::string& target) = 0;
  // Reads up to the end of the data, so a pipe reads as well as a file.
  virtual bool ReadAll(const std::string& path, Bytes& out, int& err) = 0;
  // Maps a non-empty regular file to be read in place; false with `err` otherwise.
  virtual bool MapRegular(const std::string& path, TMappedFile& file, int& err) = 0;

  // The steps of ReplaceFile. Errors come back as errno values.
  // Opens a new file in the folder of `target`: an unnamed one where the file
  // system allows it (`tempPath` is then empty), otherwise a named one with a
  // short name of its own.
  virtual int CreateTemp(const std::string& target, std::string& tempPath, int& err) = 0;
  // Gives an unnamed temporary file a (short) name beside `target`.
  virtual bool NameTemp(int handle, const std::string& target, std::string& tempPath, int& err) = 0;
  // Opens an existing file for writing over its contents (nothing is cut yet).
  virtual int OpenInPlace(const std::string& path, int& err) = 0;
  virtual bool Write(int handle, const std::uint8_t* data, std::size_t size, int& err) = 0;
  // Appends the whole content of the regular file `from`.
  virtual bool CopyInto(int handle, const std::string& from, int& err) = 0;
  // Appends the whole content of the open file `from`, read from its start.
  virtual bool CopyFrom(int handle, int from, int& err) = 0;
  // Copies the bytes of `target` aside, flushed, to keep them while it is
  // overwritten in place: into the user's cache folder, or else the temporary
  // folder, named after the target so that the user can find it; into memory
  // (`keptPath` empty) when no folder takes the copy and it fits there. The handle
  // of the copy, -1 with `err` when no place takes it.
  virtual int KeepCopyOf(const std::string& target, std::string& keptPath, int& err) = 0;
  // Cuts the file at the current position.
  virtual bool EndHere(int handle, int& err) = 0;
  virtual bool Sync(int handle, int& err) = 0;
  virtual bool Close(int handle, int& err) = 0;
  // Gives the new file the permission bits of `from` when it exists and can be
  // read, the usual ones otherwise.
  virtual void CopyPermissions(const std::string& from, int handle) = 0;
  virtual bool Rename(const std::string& from, const std::string& to, int& err) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Makes a completed rename durable (syncs the folder).
  virtual void SyncFolderOf(const std::string& path) = 0;
};

// The real file system (POSIX).
class TPosixFileSystem : public TFileSystem {
 public:
  bool Exists(const std::string& path) override;
  FileKind KindOf(const std::string& path) override;
  bool ReadLink(const std::string& path, std::string& target) override;
  bool ReadAll(const std::string& path, Bytes& out, int& err) override;
  bool MapRegular(const std::string& path, TMappedFile& file, int& err) override;
  int CreateTemp(const std::string& target, std::string& tempPath, int& err) override;
  bool NameTemp(int handle, const std::string& target, std::string& tempPath, int& err) override;
  int OpenInPlace(const std::string& path, int& err) override;
  bool Write(int handle, const std::uint8_t* data, std::size_t size, int& err) override;
  bool CopyInto(int handle, const std::string& from, int& err) override;
  bool CopyFrom(int handle, int from, int& err) override;
  int KeepCopyOf(const std::string& target, std::string& keptPath, int& err) override;
  bool EndHere(int handle, int& err) override;
  bool Sync(int handle, int& err) override;
  bool Close(int handle, int& err) override;
  void CopyPermissions(const std::string& from, int handle) override;
  bool Rename(const std::string& from, const std::string& to, int& err) override;
  bool Remove(const std::string& path) override;
  void SyncFolderOf(const std::string& path) override;

 protected:
  // The unnamed temporary file of CreateTemp; -1 with `err` when the folder's file
  // system cannot make one (EOPNOTSUPP) or any other error.
  virtual int OpenUnnamedTemp(const std::string& folder, int& err);
  // Where KeepCopyOf tries, in order: the user's cache folder for this program,
  // then the temporary folder.
  virtual std::vector<std::string> KeptCopyFolders();
};

// The process-wide file system; tests may replace it (and must restore it).
TFileSystem& Files();
void SetFiles(TFileSystem* files);  // nullptr restores the real one

// Where a save of `path` writes: a symbolic link is followed (to the end of a
// chain of links, each resolved against its own folder) and the file it names is
// the target, in its own folder.
struct TSaveTarget {
  std::string path;
  FileKind kind = FileKind::Missing;
};
TSaveTarget ResolveSaveTarget(TFileSystem& fs, const std::string& path);

// Whether two paths name the same file (links followed); where either cannot be
// looked at, whether they resolve to the same path.
bool SameFile(const std::string& a, const std::string& b);

// Whether a file in a folder that takes no new file may be overwritten where it
// lies (its old bytes kept until the new ones are safe). Allowed unless turned
// off: the editor does so; kelvarin-cli only when asked to.
void SetOverwriteInPlace(bool allowed);
bool OverwriteInPlaceAllowed();

// What became of a file whose folder took no new file.
enum class InPlace {
  No,            // the folder took the new file, or the target was never reached
  Written,       // overwritten where it lies
  NotAllowed,    // it could have been overwritten where it lies, but that is not allowed
  Untouched,     // its old bytes could not be kept, or it could not be opened: nothing written
  Restored,      // the write failed, and the old bytes were put back
  OldBytesKept,  // the write failed, and the old bytes could not be put back: they are in keptCopy
  OldBytesLost,  // the same, and the old bytes were kept in memory only
};

struct TWriteResult {
  enum class Status { Written, Refused, Failed };
  Status status = Status::Failed;
  std::string target;                 // the file written, links followed
  FileKind kind = FileKind::Missing;  // what the target was; Refused: why
  int error = 0;                      // Failed: errno of the step that failed
  InPlace inPlace = InPlace::No;
  std::string keptCopy;  // InPlace::OldBytesKept: the file that holds the old bytes

  bool ok() const { return status == Status::Written; }
  // A failed overwrite in place that may have left the file damaged.
  bool mayBeDamaged() const { return inPlace == InPlace::OldBytesKept || inPlace == InPlace::OldBytesLost; }
};

// Writes the content into the handle of the new file.
using FileFiller = std::function<bool(TFileSystem& fs, int handle, int& err)>;

// Replaces the file `path` names so that the old file survives any failure and a
// killed process leaves nothing behind: the content goes into an unnamed file in
// the target's folder (a named one with a short name where the file system has
// no unnamed files), is flushed to disk and renamed over the target. A target
// that exists and is not a regular file (folder, device, FIFO, socket, looping
// links) is refused and nothing is touched. When the folder takes no new file
// but the target is writable, the target is overwritten in place where that is
// allowed: its old bytes are first copied aside (KeepCopyOf) and flushed,
// whatever this process has mapped of the file reads them from there, and they
// are put back if the write fails.
TWriteResult ReplaceFile(TFileSystem& fs, const std::string& path, const FileFiller& fill);
TWriteResult WriteFileAtomically(TFileSystem& fs, const std::string& path, const Bytes& data);
// A copy of the regular file `from` made by the same path.
TWriteResult CopyFileAtomically(TFileSystem& fs, const std::string& from, const std::string& to);

}  // namespace kelvarin
