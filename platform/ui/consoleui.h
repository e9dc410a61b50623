#pragma once
// User-interface services without a window: messages go to standard error, questions get a
// fixed answer, file dialogs are cancelled.

#include "platform/ui/uiservices.h"

#include <cstdio>

namespace tavro::ui {

class ConsoleUi : public UiServices {
public:
  /// yesNoAnswer answers Yes/No questions (vbYes or vbNo); OK/Cancel questions get OK when it
  /// is vbYes and Cancel otherwise.
  explicit ConsoleUi(int yesNoAnswer = vbNo, std::FILE* out = stderr) : m_answer(yesNoAnswer), m_out(out) {}

  int msgBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
  void setPointer(Pointer) override {}
  void showHelp(const std::string&) override {}
  bool startProgram(const std::string& path) override { return spawnDetached(path); }

private:
  int m_answer;
  std::FILE* m_out;
};

} // namespace tavro::ui
