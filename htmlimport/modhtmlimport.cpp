#include "htmlimport/modhtmlimport.h"

#include "platform/fs/filesystem.h"
#include "platform/html/browser.h"
#include "util/text.h"

namespace tavro::htmlimport {

bool IsHtmlFile(const std::string& strFN) {
  if (!fs::fileExists(strFN))
    return false;
  auto dot = strFN.rfind('.');
  if (dot == std::string::npos)
    return false;
  std::string extension = util::toUpper(strFN.substr(dot + 1));
  return extension == "HTM" || extension == "HTML";
}

bool LoadHtmlFile(const std::string& strFN, html::Browser& browser) {
  if (!IsHtmlFile(strFN))
    return false;
  return browser.Navigate(strFN);
}

} // namespace tavro::htmlimport
