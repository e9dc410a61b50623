#pragma once
// What WML 1.1 allows: for each element, the children it may hold and the attributes it
// takes with the kind of value each must have. One table that the repair of imported decks
// reads; it says the same as the WML 1.1 document type definition.

#include <initializer_list>
#include <string_view>

namespace tavro::decks {

/// The kind of value an attribute must have.
enum class ValueKind {
  Text,     // any text
  Id,       // an XML name, unique in the deck
  Token,    // an XML name token
  Number,   // digits only
  Language, // a language tag: a name token
  Boolean,  // "true" or "false"
  Choice,   // one of the listed words
};

struct AttributeRule {
  std::string_view name;
  ValueKind kind = ValueKind::Text;
  bool required = false;
  std::initializer_list<std::string_view> choices = {}; // for Choice
};

struct ElementRule {
  std::string_view name;
  bool text = false;                                // may hold text
  std::initializer_list<std::string_view> children; // the elements it may hold
  std::initializer_list<AttributeRule> attributes;  // besides id and class, which all take
};

/// The rule of a WML 1.1 element, or nothing for a name WML does not have.
const ElementRule* elementRule(std::string_view name);
/// Whether parent may hold an element named child.
bool allows(const ElementRule& parent, std::string_view child);
/// The rule of one of the element's attributes (id and class included), or nothing.
const AttributeRule* attributeRule(const ElementRule& element, std::string_view attribute);

/// The inline formatting elements, which may be split around content they cannot hold.
bool isEmphasis(std::string_view name);

} // namespace tavro::decks
