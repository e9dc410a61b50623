#include "decks/wmlcheck.h"

#include "decks/wmlrules.h"
#include "platform/xml/treewalk.h"

#include <libxml/valid.h>

#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

namespace tavro::decks {

namespace {

std::string_view nameOf(xmlNodePtr node) { return reinterpret_cast<const char*>(node->name); }

std::string attributeName(xmlAttrPtr a) {
  std::string name(reinterpret_cast<const char*>(a->name));
  return a->ns && a->ns->prefix ? reinterpret_cast<const char*>(a->ns->prefix) + (":" + name) : name;
}

std::string attributeValue(xmlAttrPtr a) {
  xmlChar* v = xmlNodeListGetString(a->doc, a->children, 1);
  std::string value = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return value;
}

bool isBlankText(xmlNodePtr node) {
  const char* text = reinterpret_cast<const char*>(node->content);
  return !text || std::string_view(text).find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool validValue(const AttributeRule& rule, const std::string& value) {
  const auto* x = reinterpret_cast<const xmlChar*>(value.c_str());
  switch (rule.kind) {
  case ValueKind::Text: return true;
  case ValueKind::Id: return !value.empty() && value.find(':') == std::string::npos && xmlValidateName(x, 0) == 0;
  case ValueKind::Token:
  case ValueKind::Language: return !value.empty() && xmlValidateNMToken(x, 0) == 0;
  case ValueKind::Number: return !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
  case ValueKind::Boolean: return value == "true" || value == "false";
  case ValueKind::Choice: return std::find(rule.choices.begin(), rule.choices.end(), value) != rule.choices.end();
  }
  return false;
}

// The child elements in order, by name.
std::vector<std::string_view> childNames(xmlNodePtr e) {
  std::vector<std::string_view> names;
  for (xmlNodePtr c = e->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE)
      names.push_back(nameOf(c));
  return names;
}

// Where the language fixes the order or the number of an element's children: what is wrong,
// or "".
std::string orderFault(std::string_view element, const std::vector<std::string_view>& children) {
  auto count = [&](std::string_view name) { return std::count(children.begin(), children.end(), name); };
  // The place of each child kind in the order the element wants, for elements that fix one.
  auto ordered = [&](std::initializer_list<std::initializer_list<std::string_view>> groups) {
    std::size_t group = 0;
    for (std::string_view child : children) {
      std::size_t g = 0, found = groups.size();
      for (const auto& kinds : groups) {
        if (std::find(kinds.begin(), kinds.end(), child) != kinds.end())
          found = g;
        ++g;
      }
      if (found < group)
        return false;
      group = found;
    }
    return true;
  };
  if (element == "wml") {
    if (count("card") == 0)
      return "a deck needs at least one card";
    if (count("head") > 1 || count("template") > 1 || !ordered({{"head"}, {"template"}, {"card"}}))
      return "a deck holds a head, a template and its cards, in that order";
  } else if (element == "card") {
    if (count("timer") > 1 || !ordered({{"onevent"}, {"timer"}, {"do", "p", "pre"}}))
      return "a card holds its events, a timer and then its content, in that order";
  } else if (element == "do" || element == "onevent") {
    if (children.size() != 1)
      return std::string(element) + " needs exactly one task (go, prev, noop or refresh)";
  } else if (element == "head" || element == "select" || element == "optgroup" || element == "table" ||
             element == "tr") {
    if (children.empty())
      return std::string(element) + " may not be empty";
  } else if (element == "anchor") {
    if (count("go") + count("prev") + count("refresh") > 1)
      return "an anchor holds at most one task";
  }
  return "";
}

class Check {
public:
  std::optional<DeckFault> run(xmlNodePtr root) {
    if (!root || root->ns || nameOf(root) != "wml")
      return fault(root, "the root element must be wml");
    // The first fault in document order; once it is found, the walk goes into nothing more.
    std::optional<DeckFault> first;
    xml::walkTree(root, [&](xmlNodePtr e) {
      if (first || e->type != XML_ELEMENT_NODE)
        return false;
      first = element(e);
      return !first;
    });
    return first;
  }

private:
  static std::optional<DeckFault> fault(xmlNodePtr node, std::string message) {
    return DeckFault{node ? int(xmlGetLineNo(node)) : 0, std::move(message)};
  }

  std::optional<DeckFault> element(xmlNodePtr e) {
    const std::string name(nameOf(e));
    const ElementRule* rule = e->ns ? nullptr : elementRule(name);
    if (!rule)
      return fault(e, "element " + name + " is not WML 1.1");
    for (xmlAttrPtr a = e->properties; a; a = a->next) {
      const std::string attribute = attributeName(a);
      const AttributeRule* r = attributeRule(*rule, attribute);
      if (!r)
        return fault(e, "element " + name + " does not take the attribute " + attribute);
      const std::string value = attributeValue(a);
      if (!validValue(*r, value))
        return fault(e, "the value '" + value + "' of " + attribute + " on " + name + " is not allowed");
      if (r->kind == ValueKind::Id && !m_ids.insert(value).second)
        return fault(e, "the id '" + value + "' is used twice");
    }
    for (const auto& r : rule->attributes)
      if (r.required && !xmlHasProp(e, reinterpret_cast<const xmlChar*>(std::string(r.name).c_str())))
        return fault(e, "element " + name + " needs the attribute " + std::string(r.name));
    for (xmlNodePtr c = e->children; c; c = c->next) {
      if (c->type == XML_ELEMENT_NODE && !c->ns && elementRule(nameOf(c)) && !allows(*rule, nameOf(c)))
        return fault(c, "element " + std::string(nameOf(c)) + " may not stand in " + name);
      if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && !rule->text && !isBlankText(c))
        return fault(e, "text may not stand in " + name);
    }
    if (std::string order = orderFault(name, childNames(e)); !order.empty())
      return fault(e, order);
    return std::nullopt;
  }

  std::set<std::string> m_ids;
};

} // namespace

std::optional<DeckFault> firstFault(const xml::XmlDocument& deck) {
  if (deck.empty())
    return DeckFault{0, "the deck is empty"};
  return Check().run(deck.documentElement());
}

} // namespace tavro::decks
