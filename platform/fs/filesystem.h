#pragma once
// File system operations by path, as the dialogs and engines use them: name parts, existence
// tests, folder creation, copying and atomic writes. Paths use "/". Failures raise
// com::ComError with the run-time number of their cause (53 file not found, 58 file exists,
// 70 permission denied, 76 path not found, 52 bad file name, 61 disk full, 75 otherwise).

#include "platform/com/comerror.h"
#include "platform/fs/filedescriptor.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::fs {

/// The last component of a path, trailing separators ignored: "/a/b.txt" -> "b.txt".
std::string getFileName(std::string_view path);
/// The last component without its extension: "/a/b.c.txt" -> "b.c".
std::string getBaseName(std::string_view path);
/// The extension of the last component, without the dot: "/a/b.TXT" -> "TXT"; "" when none.
std::string getExtensionName(std::string_view path);
/// The folder part, trailing separators trimmed: "/a/b.txt" -> "/a", "/a" -> "/", "b" -> "".
std::string getParentFolderName(std::string_view path);
/// The absolute, lexically normal form of a path, without a trailing "/" (but for "/").
std::string getAbsolutePathName(std::string_view path);
/// Joins a folder and a name with exactly one "/".
std::string joinPath(std::string_view folder, std::string_view name);

bool fileExists(std::string_view path);
bool folderExists(std::string_view path);
/// Size of a regular file in bytes.
std::uintmax_t fileSize(std::string_view path);

/// Creates one folder; its parent must exist (76), and the folder must not (58).
void createFolder(std::string_view path);
/// Creates a folder and the parents it lacks; one that exists already is fine. A file standing
/// in the way raises 75 naming it.
void createFolders(std::string_view path);
/// Copies a regular file; the target is replaced atomically when overwrite is set, else an
/// existing target raises 58.
void copyFile(std::string_view source, std::string_view target, bool overwrite = true);

/// Why a file could not be opened or read as a regular file of bounded size.
enum class OpenFault {
  BadName,        // empty, or holding a NUL
  NotFound,       // nothing by that name
  SystemError,    // the open call failed otherwise
  NotRegularFile, // a folder, FIFO, device ...; or its type could not be told
  TooLarge,       // more than the bytes allowed
};

/// The error openRegularFile and readFile raise for a file they refuse: readFile's number and
/// text, with the fault behind them, so that a caller that reports its own errors can map it.
class OpenError : public com::ComError {
public:
  OpenError(OpenFault fault, int systemError, int number, const std::string& description)
      : com::ComError(number, description), m_fault(fault), m_systemError(systemError) {}

  OpenFault fault() const noexcept { return m_fault; }
  /// The errno value behind NotFound, SystemError and a failed type check; 0 otherwise.
  int systemError() const noexcept { return m_systemError; }

private:
  OpenFault m_fault;
  int m_systemError;
};

/// A file open for reading, with its size when it was opened.
struct RegularFile {
  FileDescriptor fd;
  std::uintmax_t size = 0;
};

/// Opens a regular file of at most maxBytes for reading, non-blocking, so that a FIFO or device
/// is refused at once rather than waited on. Anything else raises OpenError: 52 for a bad name,
/// 53 when it does not exist, 75 when it is not a regular file, 7 ("Out of memory") when it is
/// too large, the errno's number otherwise.
RegularFile openRegularFile(std::string_view path,
                            std::uintmax_t maxBytes = std::numeric_limits<std::uintmax_t>::max());

/// Reads a whole file, opened as openRegularFile does (53 when it does not exist). Files over
/// maxBytes, also one that grows past it while being read, raise 7 rather than being read.
std::string readFile(std::string_view path, std::uintmax_t maxBytes = std::uintmax_t(256) << 20);

/// Writes bytes to a file atomically: a temporary file beside the target, flushed to disk and
/// renamed over it. On any failure the old file is left as it was and no temporary remains.
/// When overwrite is false an existing target raises 58, also when it appears during the
/// write: the new file is linked into place, or on file systems without hard links (FAT,
/// exFAT, some network mounts) renamed with no-replace, else created exclusively. A new file
/// gets the usual permissions (0666 less the umask); a replaced file keeps its mode.
void writeFileAtomic(std::string_view path, std::string_view bytes, bool overwrite = true);

/// Writes several files (path, bytes) as writeFileAtomic does, all of them or none: when one
/// write fails, those written before it are put back as they were (a new one removed) and the
/// failure is raised.
void writeFilesAtomic(const std::vector<std::pair<std::string, std::string>>& files, bool overwrite = true);

/// A folder of its own under the system's temporary folder, removed with everything in it
/// when the object goes. Raises the cause's error when it cannot be made.
class TemporaryFolder {
public:
  explicit TemporaryFolder(std::string_view prefix);
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return m_path; }
  std::string file(std::string_view name) const { return joinPath(m_path, name); }

private:
  std::string m_path;
};

/// Raises the error that errno value err means for an operation on path.
[[noreturn]] void throwErrno(int err, std::string_view action, std::string_view path);

} // namespace tavro::fs
