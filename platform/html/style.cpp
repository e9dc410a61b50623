#include "platform/html/style.h"

#include "platform/html/node.h"
#include "util/text.h"

#include <algorithm>
#include <unordered_map>

namespace tavro::html {

Style Element::style() { return Style(*this); }

std::vector<std::pair<std::string, std::string>> parseStyle(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::unordered_map<std::string, std::size_t> position;
  auto add = [&](std::string_view declaration) {
    auto colon = declaration.find(':');
    if (colon == std::string_view::npos)
      return;
    std::string name = util::toLower(util::trim(declaration.substr(0, colon)));
    std::string value(util::trim(declaration.substr(colon + 1)));
    if (name.empty() || value.empty())
      return;
    auto [it, added] = position.try_emplace(name, out.size());
    if (added)
      out.emplace_back(std::move(name), std::move(value));
    else
      out[it->second].second = std::move(value);
  };
  // Semicolons inside quotes or brackets (url(a;b)) do not end a declaration.
  char quote = 0;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == '\\')
        ++i;
      else if (c == quote)
        quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      depth = depth > 0 ? depth - 1 : 0;
    } else if (c == ';' && depth == 0) {
      add(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < text.size())
    add(text.substr(start));
  return out;
}

std::string formatStyle(const std::vector<std::pair<std::string, std::string>>& declarations) {
  std::string out;
  for (const auto& [name, value] : declarations) {
    if (!out.empty())
      out += "; ";
    out += util::toUpper(name);
    out += ": ";
    out += value;
  }
  return out;
}

std::string Style::getPropertyValue(std::string_view name) const {
  std::string wanted = util::toLower(util::trim(name));
  for (auto& [n, v] : parseStyle(m_element.attribute("style"))) {
    if (n == wanted)
      return v;
  }
  return {};
}

void Style::setProperty(std::string_view name, std::string_view value) {
  auto declarations = parseStyle(m_element.attribute("style"));
  std::string key = util::toLower(util::trim(name));
  std::string val(util::trim(value));
  auto it = std::find_if(declarations.begin(), declarations.end(), [&](const auto& d) { return d.first == key; });
  if (val.empty()) {
    if (it != declarations.end())
      declarations.erase(it);
  } else if (it != declarations.end()) {
    it->second = val;
  } else if (!key.empty()) {
    declarations.emplace_back(key, val);
  }
  setCssText(formatStyle(declarations));
}

void Style::setCssText(std::string_view text) {
  std::string formatted = formatStyle(parseStyle(text));
  if (formatted.empty())
    m_element.removeAttribute("style");
  else
    m_element.setAttribute("style", formatted);
}

} // namespace tavro::html
