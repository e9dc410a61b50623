#pragma once
// The user-interface services the engines and dialogs use: message boxes, file dialogs, the
// busy pointer, the help file and starting programs. The GUI installs a Qt implementation;
// tests install ScriptedUi, which records each call and answers from a queue; the command
// line tool installs ConsoleUi.

#include <memory>
#include <optional>
#include <string>

namespace tavro::ui {

// Message box buttons, icons and answers, with the values the dialogs pass around.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbAbortRetryIgnore = 2,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbRetryCancel = 5,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
  vbDefaultButton2 = 256,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

inline constexpr int buttonsOf(int style) { return style & 0x0F; }
inline constexpr int iconOf(int style) { return style & 0xF0; }

/// A file dialog request. Filters are "Description|pattern;pattern|Description|pattern".
struct FileDialogRequest {
  std::string title;
  std::string filter;
  std::string initialFolder;
  std::string fileName;
  std::string defaultExtension;
  int flags = 0;
};

// Dialog flags as the dialogs pass them.
enum FileDialogFlags : int {
  cdlOFNReadOnly = 0x1,
  cdlOFNOverwritePrompt = 0x2,
  cdlOFNHideReadOnly = 0x4,
  cdlOFNPathMustExist = 0x800,
  cdlOFNFileMustExist = 0x1000,
};

enum class Pointer { Default, Hourglass };

class UiServices {
public:
  virtual ~UiServices() = default;
  /// Shows a modal message box; an empty title means the application's own title.
  virtual int msgBox(const std::string& text, int style, const std::string& title) = 0;
  /// The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
  virtual void setPointer(Pointer pointer) = 0;
  virtual void showHelp(const std::string& helpFile) = 0;
  /// Starts a program without a shell and without waiting for it; false when it could not start.
  virtual bool startProgram(const std::string& path) = 0;
};

/// The services in force. Without an installed implementation, ConsoleUi.
UiServices& services();
/// Installs an implementation (nullptr restores the console one). Returns the previous one.
std::shared_ptr<UiServices> installServices(std::shared_ptr<UiServices> services);

/// Services for the calling thread alone, for as long as the object lives: a batch worker
/// collects its own messages while other threads work.
class ScopedThreadServices {
public:
  explicit ScopedThreadServices(std::shared_ptr<UiServices> services);
  ~ScopedThreadServices();
  ScopedThreadServices(const ScopedThreadServices&) = delete;
  ScopedThreadServices& operator=(const ScopedThreadServices&) = delete;

private:
  std::shared_ptr<UiServices> m_previous;
};

/// Shows the hourglass for as long as it lives; the default pointer comes back on every way out.
class BusyPointer {
public:
  BusyPointer() { services().setPointer(Pointer::Hourglass); }
  ~BusyPointer() { services().setPointer(Pointer::Default); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

/// Starts a program as a detached process: posix_spawn of the path with no shell and no
/// arguments, the caller's environment and current folder. Not waited for, and no zombie is
/// left behind. Returns false when the program could not be started.
bool spawnDetached(const std::string& path);

} // namespace tavro::ui
