#include "decks/deckrepair.h"

#include "decks/wmlrules.h"
#include "platform/xml/treewalk.h"
#include "util/text.h"

#include <libxml/valid.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <set>
#include <string_view>
#include <vector>

namespace tavro::decks {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
const xmlChar* X(const std::string& s) { return X(s.c_str()); }

std::string_view nameOf(xmlNodePtr node) {
  return node->name ? std::string_view(reinterpret_cast<const char*>(node->name)) : std::string_view();
}

// Compared without measuring the node's name first: most names differ in their first letter.
bool isElement(xmlNodePtr node, std::string_view name) {
  if (!node || node->type != XML_ELEMENT_NODE || node->ns || !node->name)
    return false;
  const char* own = reinterpret_cast<const char*>(node->name);
  return std::strncmp(own, name.data(), name.size()) == 0 && own[name.size()] == '\0';
}

bool isText(xmlNodePtr node) { return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE; }

bool isBlank(xmlNodePtr node) { return isText(node) && xmlIsBlankNode(node); }

bool isBreak(xmlNodePtr node) { return node->type == XML_PI_NODE && nameOf(node) == breakTarget; }

bool isIdMark(xmlNodePtr node) { return node->type == XML_PI_NODE && nameOf(node) == idTarget; }

xmlNodePtr checked(xmlNodePtr node) {
  if (!node)
    throw std::bad_alloc();
  return node;
}

void removeNode(xmlNodePtr node) {
  xmlUnlinkNode(node);
  xmlFreeNode(node);
}

// The attribute's name as the rules spell it: "xml:lang" for the language.
std::string attributeName(xmlAttrPtr a) {
  std::string name(reinterpret_cast<const char*>(a->name));
  if (a->ns && a->ns->prefix)
    return reinterpret_cast<const char*>(a->ns->prefix) + (":" + name);
  return name;
}

std::string attributeValue(xmlAttrPtr a) {
  if (a->children && !a->children->next && a->children->type == XML_TEXT_NODE)
    return a->children->content ? reinterpret_cast<const char*>(a->children->content) : "";
  xmlChar* v = xmlNodeListGetString(a->doc, a->children, 1);
  std::string value = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return value;
}

bool hasAttribute(xmlNodePtr e, const char* name) { return xmlHasProp(e, X(name)) != nullptr; }

// The href of a link or a go task, or nothing.
xmlAttrPtr linkHref(xmlNodePtr n) {
  if (!isElement(n, "a") && !isElement(n, "go"))
    return nullptr;
  xmlAttrPtr a = xmlHasProp(n, X("href"));
  return a && !a->ns ? a : nullptr;
}

// The id that a link within the deck leads to ("#id"), or "" for any other href.
std::string targetWithinDeck(xmlAttrPtr href) {
  const std::string value = attributeValue(href);
  return value.size() > 1 && value[0] == '#' ? value.substr(1) : "";
}

void setAttribute(xmlNodePtr e, const char* name, const std::string& value) {
  if (std::string_view(name) == "xml:lang")
    xmlNodeSetLang(e, X(value));
  else
    xmlSetProp(e, X(name), X(value));
}

bool isNameToken(const std::string& value) { return !value.empty() && xmlValidateNMToken(X(value), 0) == 0; }

// An XML name without a colon: a colon would read as a namespace prefix.
bool isPlainName(const std::string& value) {
  return !value.empty() && value.find(':') == std::string::npos && xmlValidateName(X(value), 0) == 0;
}

bool isAsciiNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
}

// A value made into a name token: every other character becomes "_".
std::string asNameToken(const std::string& value) {
  if (isNameToken(value) && value.find(':') == std::string::npos)
    return value;
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(value[i]);
    if (c >= 0x80) {
      // One "_" for the whole character.
      while (i + 1 < value.size() && (static_cast<unsigned char>(value[i + 1]) & 0xC0) == 0x80)
        ++i;
      out += '_';
    } else {
      out += isAsciiNameChar(char(c)) ? char(c) : '_';
    }
  }
  return out;
}

// A value made into a name: a name token that starts with a letter or "_".
std::string asName(const std::string& value) {
  if (isPlainName(value))
    return value;
  std::string token = asNameToken(value);
  char first = token.empty() ? '0' : token[0];
  if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || first == '_'))
    token = "id" + token;
  return token;
}

bool allDigits(const std::string& value) {
  return !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
}

// Elements whose content is set apart from what stands around it: giving way to the content
// puts a line break on either side.
bool isBlock(std::string_view name) {
  return elementRule(name) && !isEmphasis(name) && name != "a" && name != "anchor";
}

// Form fields and tasks cannot give way to their content; out of formatting or a link they
// move, the formatting split around them.
bool movesOut(std::string_view name) {
  return name == "input" || name == "select" || name == "fieldset" || name == "do" || name == "table";
}

bool splits(std::string_view name) { return isEmphasis(name) || name == "a" || name == "anchor"; }

class Repair {
public:
  // With placed, every id mark is placed and the ids it gave are kept there; without, only
  // the marks whose id a link of the deck leads to.
  Repair(xmlDocPtr doc, std::set<std::string>* placed) : m_doc(doc), m_placed(placed) {}

  void run(xmlNodePtr root) {
    if (!isElement(root, "wml"))
      return;
    const ElementRule& wml = *elementRule("wml");
    fixAttributes(root, wml);
    repairChildren(root, wml);
    bool hasCard = false;
    for (xmlNodePtr c = root->children; c && !hasCard; c = c->next)
      hasCard = isElement(c, "card");
    if (!hasCard)
      xmlAddChild(root, checked(xmlNewDocNode(m_doc, nullptr, X("card"), nullptr)));
    finishParagraphs(root);
    placeIdMarks(root);
    uniqueIdsAndNoNamespaces(root);
  }

  /// Each id the deck had, mapped to the id its first element has now.
  const std::map<std::string, std::string>& renamedIds() const { return m_renamedIds; }

  /// The ids the marks gave, as the deck writes them, into m_placed.
  void reportPlaced() const {
    if (m_placed)
      for (const auto& id : m_placedIds)
        if (auto name = m_renamedIds.find(id); name != m_renamedIds.end())
          m_placed->insert(name->second);
  }

private:
  xmlNodePtr newElement(const char* name) { return checked(xmlNewDocNode(m_doc, nullptr, X(name), nullptr)); }
  xmlNodePtr newBreak() { return checked(xmlNewDocPI(m_doc, X(breakTarget), nullptr)); }

  // Puts node's children where node stands (with breaks around them for a block, where the
  // parent may hold line breaks) and frees node. Returns the first node now standing there.
  xmlNodePtr unwrap(xmlNodePtr node, const ElementRule& parentRule) {
    const bool separate = isBlock(nameOf(node)) && allows(parentRule, "br");
    xmlNodePtr first = nullptr;
    if (separate)
      first = xmlAddPrevSibling(node, newBreak());
    while (xmlNodePtr c = node->children) {
      xmlUnlinkNode(c);
      xmlNodePtr added = checked(xmlAddPrevSibling(node, c));
      if (!first)
        first = added;
    }
    if (separate)
      xmlAddPrevSibling(node, newBreak());
    xmlNodePtr next = node->next;
    removeNode(node);
    return first ? first : next;
  }

  // Moves child out of its parent (formatting or a link), which is split in two around it.
  void moveOut(xmlNodePtr child) {
    xmlNodePtr parent = child->parent;
    xmlNodePtr rest = checked(xmlDocCopyNode(parent, m_doc, 2));
    while (xmlNodePtr after = child->next) {
      xmlUnlinkNode(after);
      xmlAddChild(rest, after);
    }
    xmlUnlinkNode(child);
    xmlAddNextSibling(parent, child);
    if (rest->children)
      xmlAddNextSibling(child, rest);
    else
      xmlFreeNode(rest);
    if (!parent->children)
      m_emptied.insert(parent); // formatting that held nothing but the field goes
  }

  // Mends text where the parent holds none: into a cell of a row, a paragraph of a card.
  // Returns the node to go on from.
  xmlNodePtr placeText(xmlNodePtr text, xmlNodePtr parent) {
    xmlNodePtr next = text->next;
    if (isBlank(text)) {
      removeNode(text);
      return next;
    }
    const char* wrapper = nullptr;
    if (isElement(parent, "tr"))
      wrapper = "td";
    else if (isElement(parent, "table"))
      wrapper = "tr";
    else if (isElement(parent, "card"))
      wrapper = "p";
    if (!wrapper) {
      removeNode(text); // a choice list or a task shows no text of its own
      return next;
    }
    xmlNodePtr held = newElement(wrapper);
    xmlReplaceNode(text, held);
    xmlNodePtr into = held;
    if (std::string_view(wrapper) == "tr")
      into = xmlAddChild(held, newElement("td"));
    xmlAddChild(into, text);
    return held; // the wrapper is repaired as any element
  }

  void repairChildren(xmlNodePtr parent, const ElementRule& rule) {
    for (xmlNodePtr child = parent->children; child;) {
      if (child->parent != parent)
        return; // the rest moved out with a split
      if (isText(child)) {
        if (rule.text) {
          child = child->next;
        } else {
          child = placeText(child, parent);
        }
        continue;
      }
      if (child->type != XML_ELEMENT_NODE) {
        xmlNodePtr next = child->next;
        if (isBreak(child) && !allows(rule, "br"))
          removeNode(child);
        child = next;
        continue;
      }
      const std::string_view name = child->ns ? std::string_view() : nameOf(child);
      const ElementRule* own = elementRule(name);
      // A table or field set inside formatting moves out of it too: shown as HTML it would end
      // the formatting and the paragraph around it.
      const bool block = name == "table" || name == "fieldset";
      if (own && (block || !allows(rule, name)) && movesOut(name) && splits(nameOf(parent))) {
        moveOut(child);
        return; // child and the rest of parent now follow parent, where its parent goes on
      }
      if (!own || !allows(rule, name)) {
        if (own && (name == "input" || name == "do")) {
          xmlNodePtr next = child->next;
          removeNode(child);
          child = next;
          continue;
        }
        if (own && name == "img") {
          child = pictureAsText(child, rule);
          continue;
        }
        if (own && name == "br" && rule.text) {
          xmlNodePtr space = checked(xmlNewDocText(m_doc, X(" ")));
          xmlReplaceNode(child, space);
          xmlFreeNode(child);
          child = space->next;
          continue;
        }
        child = unwrap(child, rule);
        continue;
      }
      child = repairElement(child, *own, rule);
    }
  }

  // A picture that cannot be shown gives its alternative text where text may stand.
  xmlNodePtr pictureAsText(xmlNodePtr img, const ElementRule& parentRule) {
    xmlNodePtr next = img->next;
    std::string alt = hasAttribute(img, "alt") ? attributeValue(xmlHasProp(img, X("alt"))) : std::string();
    if (parentRule.text && !util::trim(alt).empty()) {
      xmlNodePtr text = checked(xmlNewDocText(m_doc, X(alt)));
      xmlReplaceNode(img, text);
      xmlFreeNode(img);
      return text->next;
    }
    removeNode(img);
    return next;
  }

  // Mends one element that may stand where it is; returns the node to go on from.
  xmlNodePtr repairElement(xmlNodePtr e, const ElementRule& rule, const ElementRule& parentRule) {
    const std::string_view name = nameOf(e);
    fixAttributes(e, rule);
    if (name == "a" && !hasAttribute(e, "href"))
      return unwrap(e, parentRule);
    if (name == "img") {
      if (!hasAttribute(e, "src") || attributeValue(xmlHasProp(e, X("src"))).empty())
        return pictureAsText(e, parentRule);
      if (!hasAttribute(e, "alt"))
        setAttribute(e, "alt", attributeValue(xmlHasProp(e, X("src"))));
    }
    if (name == "input" && !hasAttribute(e, "name"))
      setAttribute(e, "name", "field");
    for (const auto& a : rule.attributes) {
      // Elements that cannot do without an attribute the page did not give them.
      if (a.required && !hasAttribute(e, std::string(a.name).c_str()) && name != "table") {
        xmlNodePtr next = e->next;
        removeNode(e);
        return next;
      }
    }

    repairChildren(e, rule);
    if (m_emptied.erase(e) && !e->children) {
      xmlNodePtr next = e->next;
      removeNode(e);
      return next;
    }

    const bool needsContent =
        name == "table" || name == "tr" || name == "select" || name == "optgroup" || name == "do" || name == "onevent";
    int elements = 0;
    for (xmlNodePtr c = e->children; c; c = c->next)
      elements += c->type == XML_ELEMENT_NODE;
    if (needsContent && elements == 0) {
      xmlNodePtr next = e->next;
      removeNode(e);
      return next;
    }
    if ((name == "do" || name == "onevent") && elements > 1) {
      // One task: the first.
      for (xmlNodePtr c = e->children, seen = nullptr; c;) {
        xmlNodePtr next = c->next;
        if (c->type == XML_ELEMENT_NODE && seen)
          removeNode(c);
        else if (c->type == XML_ELEMENT_NODE)
          seen = c;
        c = next;
      }
    }
    if (name == "table")
      setAttribute(e, "columns", std::to_string(widestRow(e)));
    orderAttributes(e, rule);
    return e->next;
  }

  // The most cells any row of the table holds: each cell gets a column of its own.
  static int widestRow(xmlNodePtr table) {
    int widest = 1;
    for (xmlNodePtr row = table->children; row; row = row->next) {
      int cells = 0;
      for (xmlNodePtr c = row->children; c; c = c->next)
        cells += isElement(c, "td");
      widest = std::max(widest, cells);
    }
    return widest;
  }

  // The attributes in the order the rules list them, id and class last, whatever order the
  // page gave them in: the same deck is always written the same way.
  static void orderAttributes(xmlNodePtr e, const ElementRule& rule) {
    if (!e->properties || !e->properties->next)
      return;
    auto rank = [&](xmlAttrPtr a) {
      const std::string name = attributeName(a);
      std::size_t i = 0;
      for (const auto& r : rule.attributes) {
        if (r.name == name)
          return i;
        ++i;
      }
      return name == "id" ? i : i + 1;
    };
    std::vector<xmlAttrPtr> attributes;
    for (xmlAttrPtr a = e->properties; a; a = a->next)
      attributes.push_back(a);
    std::stable_sort(attributes.begin(), attributes.end(),
                     [&](xmlAttrPtr x, xmlAttrPtr y) { return rank(x) < rank(y); });
    xmlAttrPtr previous = nullptr;
    for (xmlAttrPtr a : attributes) {
      a->prev = previous;
      a->next = nullptr;
      if (previous)
        previous->next = a;
      else
        e->properties = a;
      previous = a;
    }
  }

  void fixAttributes(xmlNodePtr e, const ElementRule& rule) {
    std::vector<xmlAttrPtr> attributes;
    for (xmlAttrPtr a = e->properties; a; a = a->next)
      attributes.push_back(a);
    for (xmlAttrPtr a : attributes) {
      const std::string name = attributeName(a);
      const AttributeRule* r = attributeRule(rule, name);
      if (r && (r->kind == ValueKind::Text || r->kind == ValueKind::Id))
        continue; // any text will do; ids are made unique once the whole deck is known
      const std::string value = attributeValue(a);
      if (!r) {
        // HTML's language attribute is WML's xml:lang.
        if (name == "lang" && attributeRule(rule, "xml:lang") && !xmlHasNsProp(e, X("lang"), XML_XML_NAMESPACE) &&
            isNameToken(value))
          xmlNodeSetLang(e, X(value));
        xmlRemoveProp(a);
        continue;
      }
      std::string mended = value;
      bool keep = true;
      switch (r->kind) {
      case ValueKind::Text:
      case ValueKind::Id: // taken as they are, above
        break;
      case ValueKind::Token:
        mended = asNameToken(std::string(util::trim(value)));
        keep = !mended.empty();
        break;
      case ValueKind::Number:
        mended = std::string(util::trim(value));
        keep = allDigits(mended);
        break;
      case ValueKind::Language: keep = isNameToken(value); break;
      case ValueKind::Boolean:
        mended = util::toLower(util::trim(value));
        keep = mended == "true" || mended == "false";
        break;
      case ValueKind::Choice: {
        mended = util::toLower(util::trim(value));
        keep = false;
        for (std::string_view choice : r->choices)
          keep = keep || choice == mended;
        break;
      }
      }
      if (!keep)
        xmlRemoveProp(a);
      else if (mended != value)
        setAttribute(e, r->name.data(), mended);
    }
  }

  // A table or a field set is a block of its own: shown as HTML (the preview, an export) it
  // would end the paragraph it stands in. The paragraph is split around it, each part keeping
  // the paragraph's alignment and wrap mode, so that the deck reads back as it is. Returns
  // the last part (p itself when nothing was split off).
  xmlNodePtr separateBlocks(xmlNodePtr p) {
    // The children in groups: each block alone, what stands between blocks together.
    std::vector<std::vector<xmlNodePtr>> groups(1);
    for (xmlNodePtr c = p->children; c; c = c->next) {
      const bool block = isElement(c, "table") || isElement(c, "fieldset");
      if (block && !groups.back().empty())
        groups.emplace_back();
      groups.back().push_back(c);
      if (block)
        groups.emplace_back();
    }
    if (groups.back().empty())
      groups.pop_back();
    // White space alone between two blocks makes no paragraph.
    std::erase_if(groups, [](const std::vector<xmlNodePtr>& g) {
      return std::all_of(g.begin(), g.end(), [](xmlNodePtr n) { return isBlank(n); });
    });
    xmlNodePtr part = p;
    for (std::size_t i = 1; i < groups.size(); ++i) {
      part = newPart(p, part, groups[i].front());
      for (xmlNodePtr n : groups[i]) {
        xmlUnlinkNode(n);
        xmlAddChild(part, n);
      }
    }
    return part;
  }

  // A new paragraph after `after`, for content that starts with `first`, with the wrap mode of
  // `like` and, unless it holds a table or fieldset, its alignment: a page's browser ends a
  // paragraph where a table starts, so the table never took the paragraph's alignment.
  xmlNodePtr newPart(xmlNodePtr like, xmlNodePtr after, xmlNodePtr first) {
    xmlNodePtr part = newElement("p");
    const bool block = isElement(first, "table") || isElement(first, "fieldset");
    for (const char* name : {"align", "mode"})
      if (xmlAttrPtr a = xmlHasProp(like, X(name)); a && !(block && std::string_view(name) == "align"))
        xmlSetProp(part, X(name), X(attributeValue(a)));
    xmlAddNextSibling(after, part);
    return part;
  }

  // Each paragraph and each cell is a run of lines; a break becomes a line break where its
  // line holds something and something follows before the next line break.
  // The cells are those of the tables met on the way through the paragraph, which is every
  // one the rules let a paragraph hold.
  void resolveBreaks(xmlNodePtr paragraph) {
    std::vector<xmlNodePtr> containers{paragraph};
    while (!containers.empty()) {
      xmlNodePtr container = containers.back();
      containers.pop_back();
      xmlNodePtr pending = nullptr;
      bool lineHasContent = false;
      std::vector<xmlNodePtr> dropped;
      xml::walkTree(container, [&](xmlNodePtr n) {
        if (n == container)
          return true;
        const bool content = (isText(n) && !isBlank(n)) || isElement(n, "img") || isElement(n, "input") ||
                             isElement(n, "select") || isElement(n, "table");
        if (content) {
          if (pending && lineHasContent) {
            xmlNodePtr br = newElement("br");
            xmlReplaceNode(pending, br);
            xmlFreeNode(pending);
          } else if (pending) {
            dropped.push_back(pending);
          }
          pending = nullptr;
          lineHasContent = true;
          if (isElement(n, "table"))
            for (xmlNodePtr row = n->children; row; row = row->next)
              for (xmlNodePtr cell = isElement(row, "tr") ? row->children : nullptr; cell; cell = cell->next)
                if (isElement(cell, "td"))
                  containers.push_back(cell);
          return false; // a table's cells are lines of their own; a list's options are not text
        }
        if (isBreak(n)) {
          if (pending)
            dropped.push_back(n);
          else
            pending = n;
        } else if (isElement(n, "br")) {
          if (pending)
            dropped.push_back(pending);
          pending = nullptr;
          lineHasContent = false;
        }
        return true;
      });
      if (pending)
        dropped.push_back(pending);
      for (xmlNodePtr n : dropped)
        removeNode(n);
    }
  }

  // The paragraphs' last rules, taken paragraph by paragraph in one pass over each card, so
  // that a paragraph is read once while it is at hand rather than once a rule: its blocks
  // separated, then in each part the breaks resolved, the edges trimmed, an empty part
  // dropped and the wrap mode carried on. Each rule looks only at its own paragraph, but the
  // wrap mode, which follows the paragraphs before it in the card.
  void finishParagraphs(xmlNodePtr root) {
    for (xmlNodePtr card = root->children; card; card = card->next) {
      if (!isElement(card, "card"))
        continue;
      bool noWrap = false;
      for (xmlNodePtr p = card->children, next; p; p = next) {
        if (!isElement(p, "p")) {
          next = p->next;
          continue;
        }
        const xmlNodePtr last = separateBlocks(p);
        next = last->next;
        for (xmlNodePtr part = p; part != next;) {
          const xmlNodePtr following = part->next;
          resolveBreaks(part);
          trim(part);
          if (!showsSomething(part))
            removeEmptyParagraph(part);
          else
            keepWrapMode(part, noWrap);
          part = following;
        }
      }
    }
  }

  // White space at the start and the end of a paragraph shows nothing; id marks there stay.
  static void trim(xmlNodePtr p) {
    constexpr std::string_view space = " \t\r\n";
    for (bool front : {true, false}) {
      auto inward = [front](xmlNodePtr n) {
        do
          n = front ? n->next : n->prev;
        while (n && isIdMark(n));
        return n;
      };
      xmlNodePtr edge = front ? p->children : p->last;
      if (edge && isIdMark(edge))
        edge = inward(edge);
      while (edge && isText(edge)) {
        const std::string_view text = edge->content ? reinterpret_cast<const char*>(edge->content) : "";
        const auto cut = front ? text.find_first_not_of(space) : text.find_last_not_of(space);
        if (cut == std::string_view::npos) {
          xmlNodePtr further = inward(edge);
          removeNode(edge);
          edge = further;
          continue;
        }
        const std::string_view kept = front ? text.substr(cut) : text.substr(0, cut + 1);
        if (kept.size() != text.size()) {
          const std::string copy(kept); // the content is replaced from a copy of part of itself
          xmlNodeSetContentLen(edge, X(copy), int(copy.size()));
        }
        break;
      }
    }
  }

  // An empty paragraph goes. The id marks it holds go to the start of the next paragraph of
  // the card, where what followed them begins, or to the end of the one before.
  static void removeEmptyParagraph(xmlNodePtr p) {
    std::vector<xmlNodePtr> marks;
    xml::walkTree(p, [&](xmlNodePtr n) {
      if (isIdMark(n))
        marks.push_back(n);
      return n->type == XML_ELEMENT_NODE;
    });
    auto paragraph = [](xmlNodePtr n, bool forward) {
      do
        n = forward ? n->next : n->prev;
      while (n && !isElement(n, "p"));
      return n;
    };
    xmlNodePtr next = marks.empty() ? nullptr : paragraph(p, true);
    xmlNodePtr before = next || marks.empty() ? nullptr : paragraph(p, false);
    const xmlNodePtr first = next ? next->children : nullptr;
    for (xmlNodePtr mark : marks) {
      xmlUnlinkNode(mark);
      if (first)
        xmlAddPrevSibling(first, mark);
      else if (next || before)
        xmlAddChild(next ? next : before, mark);
      else
        xmlFreeNode(mark);
    }
    removeNode(p);
  }

  // A paragraph with nothing to show (line breaks at most) is only an empty gap on the screen.
  static bool showsSomething(xmlNodePtr p) {
    for (xmlNodePtr c = p->children; c; c = c->next)
      if ((c->type == XML_ELEMENT_NODE && !isElement(c, "br")) || (isText(c) && !isBlank(c)))
        return true;
    return false;
  }

  // A paragraph without a wrap mode takes the one of the paragraph before it: one that did not
  // say "nowrap" in the page must say "wrap" after one that did.
  static void keepWrapMode(xmlNodePtr p, bool& noWrap) {
    xmlAttrPtr mode = xmlHasProp(p, X("mode"));
    if (!mode && noWrap)
      xmlSetProp(p, X("mode"), X("wrap"));
    noWrap = mode && attributeValue(mode) == "nowrap";
  }

  // Gives each id mark's id to an element where the mark stands, unless an element has that id
  // already or (without m_placed) no link of the deck leads to it, and takes the marks out. An
  // id costs a phone bytes, and the marks of a page's layout (its nested containers) are many.
  void placeIdMarks(xmlNodePtr root) {
    // The ids and links are read only for a deck that has marks, as few decks do.
    std::vector<xmlNodePtr> marks;
    std::vector<xmlAttrPtr> idAttributes, hrefs;
    xml::walkTree(root, [&](xmlNodePtr n) {
      if (isIdMark(n))
        marks.push_back(n);
      if (n->type != XML_ELEMENT_NODE)
        return false;
      if (xmlAttrPtr a = xmlHasProp(n, X("id")); a && !a->ns)
        idAttributes.push_back(a);
      if (xmlAttrPtr href = linkHref(n))
        hrefs.push_back(href);
      return true;
    });
    if (marks.empty())
      return;
    std::set<std::string> ids, linked;
    for (xmlAttrPtr a : idAttributes)
      ids.insert(attributeValue(a));
    for (xmlAttrPtr href : hrefs)
      if (std::string target = targetWithinDeck(href); !target.empty())
        linked.insert(std::move(target));
    for (xmlNodePtr mark : marks) {
      const std::string id = mark->content ? reinterpret_cast<const char*>(mark->content) : "";
      if (!id.empty() && !ids.count(id) && (m_placed || linked.count(id)))
        if (xmlNodePtr holder = idHolder(mark)) {
          xmlSetProp(holder, X("id"), X(id));
          ids.insert(id);
          m_placedIds.push_back(id);
        }
      removeNode(mark);
    }
  }

  // The element that starts where the mark stands and has no id yet: the next one, when only
  // white space and marks come between; else the paragraph, cell or formatting the mark opens;
  // else the line break that ends the line before it; else a new, empty em where the mark
  // stands, where its parent may hold one. Nothing when there is none of them.
  xmlNodePtr idHolder(xmlNodePtr mark) {
    auto shown = [](xmlNodePtr n, bool forward) {
      while (n && (isBlank(n) || n->type == XML_PI_NODE || n->type == XML_COMMENT_NODE))
        n = forward ? n->next : n->prev;
      return n;
    };
    auto free = [](xmlNodePtr e) {
      return e && e->type == XML_ELEMENT_NODE && !e->ns && !hasAttribute(e, "id") && !isElement(e, "card") &&
             !isElement(e, "wml");
    };
    xmlNodePtr parent = mark->parent;
    if (xmlNodePtr next = shown(mark->next, true); free(next))
      return next;
    xmlNodePtr before = shown(mark->prev, false);
    if (!before && free(parent))
      return parent;
    if (isElement(before, "br") && free(before))
      return before;
    const ElementRule* rule = parent && parent->type == XML_ELEMENT_NODE ? elementRule(nameOf(parent)) : nullptr;
    if (!rule || !allows(*rule, "em"))
      return nullptr;
    return xmlAddPrevSibling(mark, newElement("em"));
  }

  // The last rules look at each element once, in one walk of the deck. Every id becomes a
  // valid name, each used once, and links into the deck follow the first element that had
  // the id they name. WML has no namespaces: declarations that nothing left uses go.
  void uniqueIdsAndNoNamespaces(xmlNodePtr root) {
    std::set<std::string> usedIds;
    std::map<std::string, std::string>& renamed = m_renamedIds;
    std::vector<xmlAttrPtr> links; // the deck's links to an id of its own
    std::set<xmlNsPtr> usedNamespaces;
    std::vector<xmlNodePtr> declaring;
    xml::walkTree(root, [&](xmlNodePtr n) {
      if (n->type != XML_ELEMENT_NODE)
        return true;
      if (xmlAttrPtr a = xmlHasProp(n, X("id")); a && !a->ns) {
        const std::string id = attributeValue(a);
        const std::string base = asName(id);
        std::string name = base;
        for (int k = 2; usedIds.count(name); ++k)
          name = base + "-" + std::to_string(k);
        usedIds.insert(name);
        renamed.emplace(id, name);
        if (name != id)
          xmlSetProp(n, X("id"), X(name));
      }
      if (xmlAttrPtr href = linkHref(n))
        links.push_back(href);
      if (n->ns)
        usedNamespaces.insert(n->ns);
      for (xmlAttrPtr a = n->properties; a; a = a->next)
        if (a->ns)
          usedNamespaces.insert(a->ns);
      if (n->nsDef)
        declaring.push_back(n);
      return true;
    });
    for (xmlAttrPtr a : links) {
      const std::string target = targetWithinDeck(a);
      if (target.empty())
        continue;
      auto it = renamed.find(target);
      if (it != renamed.end() && it->second != target)
        xmlSetProp(a->parent, X("href"), X("#" + it->second));
    }
    for (xmlNodePtr n : declaring) {
      for (xmlNsPtr* link = &n->nsDef; *link;) {
        xmlNsPtr ns = *link;
        if (usedNamespaces.count(ns)) {
          link = &ns->next;
        } else {
          *link = ns->next;
          ns->next = nullptr;
          xmlFreeNs(ns);
        }
      }
    }
  }

  xmlDocPtr m_doc;
  std::set<std::string>* m_placed;
  std::vector<std::string> m_placedIds; // as the page wrote them
  std::map<std::string, std::string> m_renamedIds;
  std::set<xmlNodePtr> m_emptied;
};

// Calls mend(node) for each text node below root, and each of its attribute values, that holds
// a "$".
template <class Mend>
void forEachDollarText(xmlNodePtr root, Mend mend) {
  auto visit = [&](xmlNodePtr text) {
    if (text->content && xmlStrchr(text->content, '$'))
      mend(text);
  };
  xml::walkTree(root, [&](xmlNodePtr node) {
    if (isText(node))
      visit(node);
    if (node->type != XML_ELEMENT_NODE)
      return false;
    for (xmlAttrPtr a = node->properties; a; a = a->next)
      for (xmlNodePtr v = a->children; v; v = v->next)
        if (v->type == XML_TEXT_NODE)
          visit(v);
    return true;
  });
}

// Doubles every "$" of text and attribute values below root, and gives the texts it changed
// with what they held before.
std::vector<std::pair<xmlNodePtr, std::string>> escapeDollars(xmlNodePtr root) {
  std::vector<std::pair<xmlNodePtr, std::string>> changed;
  forEachDollarText(root, [&](xmlNodePtr text) {
    std::string value(reinterpret_cast<const char*>(text->content));
    std::string out;
    for (char c : value) {
      out += c;
      if (c == '$')
        out += '$';
    }
    xmlNodeSetContentLen(text, X(out), int(out.size()));
    changed.emplace_back(text, std::move(value));
  });
  return changed;
}

} // namespace

void makeValid(xml::XmlDocument& deck, std::map<std::string, std::string>* ids, std::set<std::string>* placed) {
  if (deck.empty())
    return;
  Repair repair(deck.get(), placed);
  repair.run(deck.documentElement());
  if (ids)
    *ids = repair.renamedIds();
  repair.reportPlaced();
}

void unplaceIds(xml::XmlDocument& deck, const std::set<std::string>& placed, const std::set<std::string>& kept) {
  if (deck.empty() || placed.empty())
    return;
  std::vector<xmlNodePtr> emptied;
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr n) {
    if (n->type != XML_ELEMENT_NODE)
      return false;
    if (xmlAttrPtr a = xmlHasProp(n, X("id")); a && !a->ns) {
      const std::string id = attributeValue(a);
      if (placed.count(id) && !kept.count(id)) {
        xmlRemoveProp(a);
        if (isElement(n, "em") && !n->children && !n->properties)
          emptied.push_back(n);
      }
    }
    return true;
  });
  for (xmlNodePtr em : emptied)
    removeNode(em);
}

std::string deckText(xml::XmlDocument& deck) {
  if (deck.empty())
    return {};
  xmlNodePtr root = deck.documentElement();
  const auto changed = escapeDollars(root);
  std::string out = indentedDeck(deck);
  for (const auto& [text, value] : changed)
    xmlNodeSetContentLen(text, X(value), int(value.size()));
  return out;
}

void unescapeDollars(xml::XmlDocument& deck) {
  if (deck.empty())
    return;
  forEachDollarText(deck.documentElement(), [](xmlNodePtr text) {
    std::string value(reinterpret_cast<const char*>(text->content));
    for (std::size_t at = value.find("$$"); at != std::string::npos; at = value.find("$$", at + 1))
      value.erase(at, 1);
    xmlNodeSetContentLen(text, X(value), int(value.size()));
  });
}

bool loadDeck(xml::XmlDocument& deck, std::string_view text) {
  deck.setPreserveWhiteSpace(true);
  if (!deck.loadXML(text))
    return false;
  std::vector<xmlNodePtr> layout;
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr node) {
    if (node->type != XML_ELEMENT_NODE)
      return false;
    // An element WML does not know keeps its white space: it may be text.
    if (const ElementRule* rule = elementRule(nameOf(node)); rule && !rule->text)
      for (xmlNodePtr c = node->children; c; c = c->next)
        if (isBlank(c))
          layout.push_back(c);
    return true;
  });
  for (xmlNodePtr node : layout) {
    xmlUnlinkNode(node);
    xmlFreeNode(node);
  }
  return true;
}

std::string indentedDeck(const xml::XmlDocument& deck) {
  if (deck.empty())
    return {};
  // libxml2 indents the children of an element that holds no text node, and the line ends and
  // spaces it adds would be text where the element may hold text: "<b>Tav</b><i>ro</i>" would
  // read "Tav ro". An empty text node in such an element keeps all below it as it stands, and
  // goes once the deck is written. What holds no text (the deck, cards, tables) indents, and so
  // does an element of one child, since spaces at the edges of a paragraph show nothing.
  std::vector<xmlNodePtr> keepers;
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr node) {
    if (node->type != XML_ELEMENT_NODE)
      return false;
    const ElementRule* rule = elementRule(nameOf(node));
    xmlNodePtr first = node->children;
    if ((rule && !rule->text) || (first && !first->next))
      return true;
    for (xmlNodePtr c = first; c; c = c->next)
      if (isText(c) || c->type == XML_ENTITY_REF_NODE)
        return false;
    if (first)
      keepers.push_back(xmlAddPrevSibling(first, xmlNewDocText(node->doc, X(""))));
    return false;
  });
  xmlChar* text = nullptr;
  int length = 0;
  xmlDocDumpFormatMemoryEnc(deck.get(), &text, &length, "UTF-8", 1);
  for (xmlNodePtr keeper : keepers) {
    xmlUnlinkNode(keeper);
    xmlFreeNode(keeper);
  }
  if (!text)
    throw std::bad_alloc();
  std::string out(reinterpret_cast<const char*>(text), std::size_t(length));
  xmlFree(text);
  return out;
}

} // namespace tavro::decks
