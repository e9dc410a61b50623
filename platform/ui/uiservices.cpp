#include "platform/ui/uiservices.h"

#include "platform/ui/consoleui.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace tavro::ui {

namespace {
std::mutex g_mutex;
std::shared_ptr<UiServices>& current() {
  static std::shared_ptr<UiServices> s = std::make_shared<ConsoleUi>();
  return s;
}
} // namespace

static thread_local std::shared_ptr<UiServices> t_services;

UiServices& services() {
  if (t_services)
    return *t_services;
  std::lock_guard lock(g_mutex);
  return *current();
}

ScopedThreadServices::ScopedThreadServices(std::shared_ptr<UiServices> services)
    : m_previous(std::exchange(t_services, std::move(services))) {}
ScopedThreadServices::~ScopedThreadServices() { t_services = std::move(m_previous); }

std::shared_ptr<UiServices> installServices(std::shared_ptr<UiServices> services) {
  std::lock_guard lock(g_mutex);
  auto previous = current();
  current() = services ? std::move(services) : std::make_shared<ConsoleUi>();
  return previous;
}

bool spawnDetached(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos)
    return false;
  // A pipe tells the parent whether the grandchild started. The intermediate child spawns the
  // program and exits at once; the parent reaps it, and the program is adopted by init, so
  // no zombie is left and nobody waits for the program.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0)
    return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (child == 0) {
    ::close(fds[0]);
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t grandchild = 0;
    int rc = ::posix_spawn(&grandchild, path.c_str(), nullptr, nullptr, argv, environ);
    char ok = rc == 0 ? 1 : 0;
    (void)!::write(fds[1], &ok, 1);
    ::_exit(0);
  }
  ::close(fds[1]);
  char ok = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &ok, 1);
  } while (n < 0 && errno == EINTR);
  ::close(fds[0]);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  return n == 1 && ok == 1;
}

int ConsoleUi::msgBox(const std::string& text, int style, const std::string& title) {
  int answer = vbOK;
  switch (buttonsOf(style)) {
  case vbYesNo:
  case vbYesNoCancel: answer = m_answer; break;
  case vbOKCancel: answer = m_answer == vbYes ? vbOK : vbCancel; break;
  case vbRetryCancel: answer = vbCancel; break;
  case vbAbortRetryIgnore: answer = vbAbort; break;
  default: break;
  }
  // A question is answered without asking anyone, so its line ends with the answer given, as
  // a terminal shows what was typed after a prompt.
  static const char* const answerNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
  std::string line = title + (title.empty() ? "" : ": ") + text;
  if (buttonsOf(style) != vbOKOnly)
    line += std::string(" ") + answerNames[answer];
  line += "\n";
  if (m_buffer)
    *m_buffer += line;
  else
    std::fputs(line.c_str(), m_out);
  return answer;
}

} // namespace tavro::ui
