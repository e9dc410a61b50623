#pragma once
// Checking and opening the HTML page the user chose.

#include <string>

namespace tavro::html {
class Browser;
}

namespace tavro::htmlimport {

/// True when strFN names an existing file whose extension (after the path's last ".") is
/// htm or html in any letter case. A dot in a folder name with no dot in the file name gives
/// an "extension" holding a "/", hence false.
bool IsHtmlFile(const std::string& strFN);

/// When IsHtmlFile accepts strFN, shows the file in the browser. True when the page was
/// loaded; false, with nothing else done, when the path does not qualify or the file cannot be
/// read (the browser then keeps its page; browser.LastError() says why).
bool LoadHtmlFile(const std::string& strFN, html::Browser& browser);

} // namespace tavro::htmlimport
