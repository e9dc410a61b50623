#pragma once
// Text and path helpers for the dialogs: file name validation and trimming trailing characters.

#include <string>
#include <vector>

namespace tavro {

class clStringEx {
public:
  clStringEx();

  /// Removes every trailing occurrence of strChar from StrSource (the caller's string changes)
  /// and returns it. A strChar longer than one character never matches.
  std::string trimCharacter(std::string& StrSource, const std::string& strChar) const;

  /// False, after telling the user once, when the name holds a character that file names may
  /// not contain. An empty name is valid here.
  bool validFileName(const std::string& strFN) const;

  /// The text of the message validFileName shows.
  static std::string forbiddenCharactersMessage();

private:
  std::vector<std::string> m_forbidden;
};

} // namespace tavro
