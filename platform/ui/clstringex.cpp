#include "platform/ui/clstringex.h"

#include "platform/ui/uiservices.h"

namespace tavro {

clStringEx::clStringEx() : m_forbidden{"/", "\\", ":", "*", "?", "\"", "<", ">", "|"} {}

std::string clStringEx::trimCharacter(std::string& StrSource, const std::string& strChar) const {
  if (strChar.size() == 1) {
    while (!StrSource.empty() && StrSource.back() == strChar.front())
      StrSource.pop_back();
  }
  return StrSource;
}

std::string clStringEx::forbiddenCharactersMessage() {
  return "File names cannot contain the following characters:\n\n         \\/:*?\"<>|";
}

bool clStringEx::validFileName(const std::string& strFN) const {
  for (const auto& c : m_forbidden) {
    if (strFN.find(c) != std::string::npos) {
      ui::services().msgBox(forbiddenCharactersMessage(), ui::vbCritical | ui::vbOKOnly, "");
      return false;
    }
  }
  return true;
}

} // namespace tavro
