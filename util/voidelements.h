#pragma once
// The HTML elements that have no content and no end tag (BR, IMG ...), as the document model
// parses them and as markup for HTML readers writes them.

#include <span>
#include <string_view>

namespace tavro::util {

/// Whether the element of that lower-case name is void.
bool isVoidElement(std::string_view lowerName);

/// The lower-case names of the void elements.
std::span<const std::string_view> voidElements();

} // namespace tavro::util
