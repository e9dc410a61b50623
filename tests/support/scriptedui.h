#pragma once
// User-interface services for tests: every call is recorded, and answers come from queues.
// A question asked with no answer queued is a test failure (std::logic_error), so a test
// always says how the user would answer.

#include "platform/ui/uiservices.h"

#include <deque>
#include <vector>

namespace tavro::ui {

class ScriptedUi : public UiServices {
public:
  struct Message {
    std::string text;
    int style;
    std::string title;
    int answer;
  };
  struct FileDialog {
    bool save;
    FileDialogRequest request;
  };

  // Answers, consumed in order.
  std::deque<int> answers;
  std::deque<std::optional<std::string>> fileAnswers;

  // What happened.
  std::vector<Message> messages;
  std::vector<FileDialog> fileDialogs;
  std::vector<Pointer> pointers;
  std::vector<std::string> helpFiles;
  std::vector<std::string> startedPrograms;
  bool startResult = true;

  int msgBox(const std::string& text, int style, const std::string& title) override;
  std::optional<std::string> openFile(const FileDialogRequest& request) override { return fileDialog(false, request); }
  std::optional<std::string> saveFile(const FileDialogRequest& request) override { return fileDialog(true, request); }
  void setPointer(Pointer pointer) override { pointers.push_back(pointer); }
  void showHelp(const std::string& helpFile) override { helpFiles.push_back(helpFile); }
  bool startProgram(const std::string& path) override {
    startedPrograms.push_back(path);
    return startResult;
  }

private:
  std::optional<std::string> fileDialog(bool save, const FileDialogRequest& request);
};

/// Installs a ScriptedUi for the life of a scope and restores the previous services after.
class ScopedScriptedUi {
public:
  ScopedScriptedUi();
  ~ScopedScriptedUi();
  ScriptedUi& operator*() { return *m_ui; }
  ScriptedUi* operator->() { return m_ui.get(); }

private:
  std::shared_ptr<ScriptedUi> m_ui;
  std::shared_ptr<UiServices> m_previous;
};

} // namespace tavro::ui
