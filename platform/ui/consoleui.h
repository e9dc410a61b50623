#pragma once
// User-interface services without a window: messages go to standard error, questions get a
// fixed answer, file dialogs are cancelled.

#include "platform/ui/uiservices.h"

#include <cstdio>
#include <memory>

namespace tavro::ui {

class ConsoleUi : public UiServices {
public:
  /// yesNoAnswer answers Yes/No questions (vbYes or vbNo); OK/Cancel questions get OK when it
  /// is vbYes and Cancel otherwise.
  explicit ConsoleUi(int yesNoAnswer = vbNo, std::FILE* out = stderr) : m_answer(yesNoAnswer), m_out(out) {}
  /// The same, collecting the messages in buffer instead of writing them out.
  ConsoleUi(int yesNoAnswer, std::string& buffer) : m_answer(yesNoAnswer), m_out(nullptr), m_buffer(&buffer) {}

  int msgBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
  void setPointer(Pointer) override {}
  void showHelp(const std::string&) override {}
  bool startProgram(const std::string& path) override { return spawnDetached(path); }

private:
  int m_answer;
  std::FILE* m_out;
  std::string* m_buffer = nullptr;
};

/// Puts console services in place for a scope (questions get yesNoAnswer) and restores the
/// previous services after.
class ScopedConsoleUi {
public:
  explicit ScopedConsoleUi(int yesNoAnswer) : m_previous(installServices(std::make_shared<ConsoleUi>(yesNoAnswer))) {}
  ~ScopedConsoleUi() { installServices(m_previous); }
  ScopedConsoleUi(const ScopedConsoleUi&) = delete;
  ScopedConsoleUi& operator=(const ScopedConsoleUi&) = delete;

private:
  std::shared_ptr<UiServices> m_previous;
};

} // namespace tavro::ui
