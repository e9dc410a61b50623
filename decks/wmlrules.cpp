#include "decks/wmlrules.h"

#include <algorithm>

namespace tavro::decks {

namespace {

using K = ValueKind;

constexpr AttributeRule kLang{"xml:lang", K::Language};
constexpr AttributeRule kCoreAttributes[] = {{"id", K::Id}, {"class", K::Text}};

// The content of a paragraph or field set ("fields" and "do"), of the formatting elements
// ("flow") and of a table cell.
#define WML_EMPHASIS "em", "strong", "b", "i", "u", "big", "small"
#define WML_FLOW WML_EMPHASIS, "br", "img", "anchor", "a", "table"
#define WML_FIELDS WML_FLOW, "input", "select", "fieldset", "do"
#define WML_TASKS "go", "prev", "noop", "refresh"
#define WML_CARD_EVENTS                                                                                                \
  {"onenterforward", K::Text}, {"onenterbackward", K::Text}, { "ontimer", K::Text }

const ElementRule kRules[] = {
    {"wml", false, {"head", "template", "card"}, {kLang}},
    {"card",
     false,
     {"onevent", "timer", "do", "p", "pre"},
     {{"title"}, {"newcontext", K::Boolean}, {"ordered", K::Boolean}, kLang, WML_CARD_EVENTS}},
    {"do",
     false,
     {WML_TASKS},
     {{"type", K::Text, true}, {"label"}, {"name", K::Token}, {"optional", K::Boolean}, kLang}},
    {"onevent", false, {WML_TASKS}, {{"type", K::Text, true}}},
    {"head", false, {"access", "meta"}, {}},
    {"template", false, {"do", "onevent"}, {WML_CARD_EVENTS}},
    {"access", false, {}, {{"domain"}, {"path"}}},
    {"meta", false, {}, {{"http-equiv"}, {"name"}, {"forua", K::Boolean}, {"content", K::Text, true}, {"scheme"}}},
    {"go",
     false,
     {"postfield", "setvar"},
     {{"href", K::Text, true},
      {"sendreferer", K::Boolean},
      {"method", K::Choice, false, {"post", "get"}},
      {"accept-charset"}}},
    {"prev", false, {"setvar"}, {}},
    {"refresh", false, {"setvar"}, {}},
    {"noop", false, {}, {}},
    {"postfield", false, {}, {{"name", K::Text, true}, {"value", K::Text, true}}},
    {"setvar", false, {}, {{"name", K::Text, true}, {"value", K::Text, true}}},
    {"select",
     false,
     {"optgroup", "option"},
     {{"title"},
      {"name", K::Token},
      {"value"},
      {"iname", K::Token},
      {"ivalue"},
      {"multiple", K::Boolean},
      {"tabindex", K::Number},
      kLang}},
    {"optgroup", false, {"optgroup", "option"}, {{"title"}, kLang}},
    {"option", true, {"onevent"}, {{"value"}, {"title"}, {"onpick"}, kLang}},
    {"input",
     false,
     {},
     {{"name", K::Token, true},
      {"type", K::Choice, false, {"text", "password"}},
      {"value"},
      {"format"},
      {"emptyok", K::Boolean},
      {"size", K::Number},
      {"maxlength", K::Number},
      {"tabindex", K::Number},
      {"title"},
      kLang}},
    {"fieldset", true, {WML_FIELDS}, {{"title"}, kLang}},
    {"timer", false, {}, {{"name", K::Token}, {"value", K::Text, true}}},
    {"img",
     false,
     {},
     {{"alt", K::Text, true},
      {"src", K::Text, true},
      {"localsrc"},
      {"vspace"},
      {"hspace"},
      {"align", K::Choice, false, {"top", "middle", "bottom"}},
      {"height"},
      {"width"},
      kLang}},
    {"anchor", true, {"br", "img", "go", "prev", "refresh"}, {{"title"}, kLang}},
    {"a", true, {"br", "img"}, {{"href", K::Text, true}, {"title"}, kLang}},
    {"table", false, {"tr"}, {{"title"}, {"align"}, {"columns", K::Number, true}, kLang}},
    {"tr", false, {"td"}, {}},
    {"td", true, {WML_EMPHASIS, "br", "img", "anchor", "a"}, {kLang}},
    {"em", true, {WML_FLOW}, {kLang}},
    {"strong", true, {WML_FLOW}, {kLang}},
    {"b", true, {WML_FLOW}, {kLang}},
    {"i", true, {WML_FLOW}, {kLang}},
    {"u", true, {WML_FLOW}, {kLang}},
    {"big", true, {WML_FLOW}, {kLang}},
    {"small", true, {WML_FLOW}, {kLang}},
    {"p",
     true,
     {WML_FIELDS},
     {{"align", K::Choice, false, {"left", "right", "center"}}, {"mode", K::Choice, false, {"wrap", "nowrap"}}, kLang}},
    {"pre", true, {"a", "anchor", "do", "br", "i", "b", "em", "strong", "input", "select"}, {{"xml:space"}}},
    {"br", false, {}, {kLang}},
};

#undef WML_EMPHASIS
#undef WML_FLOW
#undef WML_FIELDS
#undef WML_TASKS
#undef WML_CARD_EVENTS

} // namespace

const ElementRule* elementRule(std::string_view name) {
  for (const auto& rule : kRules) {
    if (rule.name == name)
      return &rule;
  }
  return nullptr;
}

bool allows(const ElementRule& parent, std::string_view child) {
  return std::find(parent.children.begin(), parent.children.end(), child) != parent.children.end();
}

const AttributeRule* attributeRule(const ElementRule& element, std::string_view attribute) {
  for (const auto& rule : element.attributes) {
    if (rule.name == attribute)
      return &rule;
  }
  for (const auto& rule : kCoreAttributes) {
    if (rule.name == attribute)
      return &rule;
  }
  return nullptr;
}

bool isEmphasis(std::string_view name) {
  for (std::string_view e : {"em", "strong", "b", "i", "u", "big", "small"}) {
    if (e == name)
      return true;
  }
  return false;
}

} // namespace tavro::decks
