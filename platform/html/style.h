#pragma once
// Inline styles: the declarations of an element's style attribute, read and written back in the
// form "NAME: value; NAME: value".

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::html {

class Element;

/// An element's inline style: the declarations of its style attribute. Reading parses the
/// attribute; writing rewrites it in the form "NAME: value; NAME: value".
class Style {
public:
  explicit Style(Element& element) : m_element(element) {}

  std::string fontFamily() const { return getPropertyValue("font-family"); }
  void setFontFamily(std::string_view value) { setProperty("font-family", value); }
  std::string fontSize() const { return getPropertyValue("font-size"); }
  void setFontSize(std::string_view value) { setProperty("font-size", value); }

  /// A property's value by its CSS name ("font-family", any case), "" when unset.
  std::string getPropertyValue(std::string_view name) const;
  /// Sets a property; an empty value removes it.
  void setProperty(std::string_view name, std::string_view value);
  void setCssText(std::string_view text);

private:
  Element& m_element;
};

/// The declarations of a style attribute as (lower-case name, value) pairs, later duplicates
/// replacing earlier values.
std::vector<std::pair<std::string, std::string>> parseStyle(std::string_view text);
/// Declarations written "NAME: value; NAME: value".
std::string formatStyle(const std::vector<std::pair<std::string, std::string>>& declarations);

} // namespace tavro::html
