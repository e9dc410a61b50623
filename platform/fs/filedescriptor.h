#pragma once
// An owned POSIX file descriptor: closed when its owner goes, moved but never copied.

#include <unistd.h>

#include <utility>

namespace tavro::fs {

class FileDescriptor {
public:
  explicit FileDescriptor(int fd = -1) noexcept : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(m_fd, other.m_fd);
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const noexcept { return m_fd; }
  /// Gives up ownership: the caller closes the descriptor.
  int release() noexcept { return std::exchange(m_fd, -1); }

private:
  int m_fd;
};

} // namespace tavro::fs
