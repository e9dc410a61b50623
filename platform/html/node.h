#pragma once
// The nodes of the HTML document model: elements, text and comments. A parent owns its
// children; a node handed out to a caller stays valid after it leaves the tree. Element names
// are kept in lower case and shown upper-case through tagName(); attribute names compare
// without regard to case. Every walk over the tree is iterative, so a deep tree costs no stack.

#include "platform/html/event.h"
#include "platform/html/style.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tavro::html {

class Document;
class Element;
class Node;
using NodePtr = std::shared_ptr<Node>;
using ElementPtr = std::shared_ptr<Element>;
using DocumentPtr = std::shared_ptr<Document>;

enum class NodeType { Element, Text, Comment };

class Node : public std::enable_shared_from_this<Node> {
public:
  virtual ~Node();
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  NodeType nodeType() const { return m_type; }
  bool isElement() const { return m_type == NodeType::Element; }

  /// The element holding this node, or none for a detached node or the root.
  ElementPtr parentNode() const;
  Element* parent() const { return m_parent; }
  /// The document that made this node (none once that document is gone).
  DocumentPtr ownerDocument() const { return m_ownerDocument.lock(); }

  const std::vector<NodePtr>& childNodes() const { return m_children; }
  NodePtr firstChild() const { return m_children.empty() ? nullptr : m_children.front(); }

  /// The text of a text or comment node.
  const std::string& data() const { return m_data; }
  void setData(std::string text);

  /// The text of this node and every text node inside it, in document order.
  std::string textContent() const;

  /// Whether node is this node or lies inside it.
  bool contains(const Node* node) const;
  /// Whether the node is part of its document's tree (rather than detached).
  bool isConnected() const;
  /// Takes the node out of its parent; nothing happens to a detached node.
  void remove();

protected:
  Node(NodeType type, std::weak_ptr<Document> owner);
  friend class Element;
  friend class Document;
  friend struct TreeAccess;

  /// Tells the document that this node or its content changed (only for connected nodes).
  void notifyChanged();

  NodeType m_type;
  Element* m_parent = nullptr;
  std::weak_ptr<Document> m_ownerDocument;
  std::vector<NodePtr> m_children;
  std::string m_data;
};

struct Attribute {
  std::string name; // lower case
  std::string value;
};

class Element : public Node, public EventTarget {
public:
  /// An element named tag (any case), belonging to owner. Documents make elements through
  /// Document::createElement; this is for the parser and tests.
  Element(std::string_view tag, std::weak_ptr<Document> owner);
  ~Element() override;

  /// The element name in lower case ("table").
  const std::string& localName() const { return m_name; }
  /// The element name in upper case ("TABLE").
  std::string tagName() const;
  bool is(std::string_view lowerName) const { return m_name == lowerName; }

  // Attributes. Names are compared without regard to case and stored in lower case.
  std::optional<std::string> getAttribute(std::string_view name) const;
  /// The attribute's value, or "" when the element has none.
  std::string attribute(std::string_view name) const { return getAttribute(name).value_or(std::string()); }
  bool hasAttribute(std::string_view name) const { return getAttribute(name).has_value(); }
  /// Sets an attribute; a name that cannot be an attribute name (empty, or holding white
  /// space, quotes, "/", "=", ">" or control characters) raises error 5.
  void setAttribute(std::string_view name, std::string_view value);
  bool removeAttribute(std::string_view name);
  const std::vector<Attribute>& attributes() const { return m_attributes; }
  /// Removes every attribute but id and style.
  void clearAttributes();
  std::string id() const { return attribute("id"); }

  // The tree. Inserting a node takes it out of its old place first; inserting an element into
  // itself or its own descendant raises error 5.
  NodePtr appendChild(NodePtr node);
  /// Inserts node before ref (at the end when ref is empty); a ref that is not a child of this
  /// element raises error 5.
  NodePtr insertBefore(NodePtr node, const NodePtr& ref);
  /// Takes a child out; a node that is not a child raises error 5.
  NodePtr removeChild(const NodePtr& child);
  NodePtr replaceChild(NodePtr node, const NodePtr& old);
  /// Child elements only.
  std::vector<ElementPtr> children() const;
  /// Elements inside this one with that name ("*" for all), in document order.
  std::vector<ElementPtr> getElementsByTagName(std::string_view name) const;

  // Markup.
  /// The content as HTML: void elements without end tags, text and attribute values escaped,
  /// the src of an IMG resolved against the document's address, style attributes written
  /// "NAME: value; NAME: value".
  std::string innerHTML() const;
  /// Replaces the content with the markup parsed in this element's context.
  void setInnerHTML(std::string_view markup);
  std::string outerHTML() const;
  /// Replaces the element in its parent by the parsed markup; a detached element raises error 5.
  void setOuterHTML(std::string_view markup);
  /// The text inside the element; a BR counts as a line break.
  std::string innerText() const;
  /// Replaces the content with one text node holding text (none for "").
  void setInnerText(std::string_view text);

  // Properties.
  Style style();
  bool disabled() const { return hasAttribute("disabled"); }
  void setDisabled(bool value);
  /// Whether a check box or radio button is checked.
  bool checked() const { return hasAttribute("checked"); }
  /// Checking a radio button unchecks the others of its group (same name, same form).
  void setChecked(bool value);
  /// The src of an IMG (or any element) resolved against the document's address.
  std::string src() const;

  // Tables.
  /// Inserts a row at index (-1: at the end) into a TABLE (inside its last section, made when
  /// there is none) or a THEAD, TBODY or TFOOT. An index past the end raises error 5, as does
  /// an element that holds no rows.
  ElementPtr insertRow(int index = -1);
  /// Inserts a TD at index (-1: at the end) of a TR.
  ElementPtr insertCell(int index = -1);
  /// The rows of a TABLE (in its sections and directly in it) or of a section.
  std::vector<ElementPtr> rows() const;
  /// The TD and TH cells of a TR.
  std::vector<ElementPtr> cells() const;

private:
  friend class Document;
  friend class Style;
  friend struct TreeAccess;
  void uncheckRadioGroup();
  void replaceChildren(std::vector<NodePtr> nodes);
  std::vector<NodePtr> parseFragment(std::string_view markup) const;

  std::string m_name;
  std::vector<Attribute> m_attributes;
};

/// A shared handle on an element met by reference (as the walks below give them).
inline ElementPtr handleOf(const Element& element) {
  return std::static_pointer_cast<Element>(const_cast<Element&>(element).shared_from_this());
}

/// Takes each of the elements out of its parent: one pass over each parent's children, however
/// many of them go (removing them one by one costs the square of their number).
void removeAll(const std::vector<ElementPtr>& elements);

// Helpers the parser, the serialiser and the XML bridge share.

/// Walks the nodes inside root (not root itself) in document order without recursion.
/// enter(node) comes before a node's content and answers whether to go into it; it may also
/// take the node's place among its parent's children, enter(node, index). leave(node) comes
/// after the content of every node entered. Neither may change the tree.
template <class Enter, class Leave>
void walkDescendants(const Node& root, Enter enter, Leave leave) {
  struct Frame {
    const Node* node;
    std::size_t next;
  };
  std::vector<Frame> stack{{&root, 0}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next >= top.node->childNodes().size()) {
      const Node* done = top.node;
      stack.pop_back();
      if (!stack.empty())
        leave(*done);
      continue;
    }
    const std::size_t index = top.next++;
    const Node* child = top.node->childNodes()[index].get();
    bool into;
    if constexpr (std::is_invocable_v<Enter&, const Node&, std::size_t>)
      into = enter(*child, index);
    else
      into = enter(*child);
    if (into)
      stack.push_back({child, 0});
  }
}

/// The same walk with nothing to do after a node's content: visit returns false to skip it.
template <class Visit>
void walkDescendants(const Node& root, Visit visit) {
  walkDescendants(root, visit, [](const Node&) {});
}

/// An attribute's value as the browser writes it out: a style in the form formatStyle gives,
/// an IMG src resolved against baseUrl (when there is one), anything else as it stands.
/// Nothing for a style that declares nothing, which is left out.
std::optional<std::string> writtenValue(const Element& e, const Attribute& a, const std::string& baseUrl);

} // namespace tavro::html
