#include "tests/support/scriptedui.h"

#include <stdexcept>

namespace tavro::ui {

int ScriptedUi::msgBox(const std::string& text, int style, const std::string& title) {
  int answer = vbOK;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  } else if (buttonsOf(style) != vbOKOnly) {
    throw std::logic_error("unanswered question: " + title + ": " + text);
  }
  messages.push_back({text, style, title, answer});
  return answer;
}

// Both file dialogs record the request and take the next queued answer.
std::optional<std::string> ScriptedUi::fileDialog(bool save, const FileDialogRequest& request) {
  fileDialogs.push_back({save, request});
  if (fileAnswers.empty())
    throw std::logic_error("unanswered file dialog: " + request.title);
  auto a = fileAnswers.front();
  fileAnswers.pop_front();
  return a;
}

ScopedScriptedUi::ScopedScriptedUi() : m_ui(std::make_shared<ScriptedUi>()), m_previous(installServices(m_ui)) {}
ScopedScriptedUi::~ScopedScriptedUi() { installServices(m_previous); }

} // namespace tavro::ui
