#include "platform/html/node.h"

#include "platform/com/comerror.h"
#include "platform/html/document.h"
#include "platform/html/markup.h"
#include "platform/html/url.h"
#include "util/text.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace tavro::html {

void detail::invalidCall(const std::string& what) { throw com::ComError(com::errInvalidCall, what); }

namespace {

bool validAttributeName(std::string_view name) {
  if (name.empty())
    return false;
  for (unsigned char c : name) {
    if (c <= 0x20 || c == 0x7F || c == '"' || c == '\'' || c == '/' || c == '=' || c == '>' || c == '<')
      return false;
  }
  return true;
}

ElementPtr asElement(const NodePtr& node) {
  return node && node->isElement() ? std::static_pointer_cast<Element>(node) : nullptr;
}

} // namespace

void TreeAccess::attach(Element& parent, NodePtr node, std::size_t index) {
  node->m_parent = &parent;
  parent.m_children.insert(parent.m_children.begin() + std::ptrdiff_t(index), std::move(node));
}

NodePtr TreeAccess::detach(Node& node) {
  Element* parent = node.m_parent;
  if (!parent)
    return nullptr;
  auto& siblings = parent->m_children;
  auto it = std::find_if(siblings.begin(), siblings.end(), [&](const NodePtr& n) { return n.get() == &node; });
  NodePtr owned = std::move(*it);
  siblings.erase(it);
  node.m_parent = nullptr;
  return owned;
}

void TreeAccess::adopt(Node& root, const std::weak_ptr<Document>& owner) {
  if (!root.m_ownerDocument.owner_before(owner) && !owner.owner_before(root.m_ownerDocument))
    return;
  root.m_ownerDocument = owner;
  walkDescendants(root, [&](const Node& n) {
    const_cast<Node&>(n).m_ownerDocument = owner;
    return true;
  });
}

NodePtr TreeAccess::makeNode(NodeType type, const std::weak_ptr<Document>& owner, std::string data) {
  auto node = std::shared_ptr<Node>(new Node(type, owner));
  node->m_data = std::move(data);
  return node;
}

std::vector<NodePtr> TreeAccess::takeChildren(Element& parent) {
  std::vector<NodePtr> nodes = std::move(parent.m_children);
  parent.m_children.clear();
  for (auto& n : nodes)
    n->m_parent = nullptr;
  return nodes;
}

// --- Node ---------------------------------------------------------------------------------

Node::Node(NodeType type, std::weak_ptr<Document> owner) : m_type(type), m_ownerDocument(std::move(owner)) {}

Node::~Node() {
  // Take the subtree apart level by level instead of letting each child's destructor recurse:
  // a page may nest thousands of elements deep.
  std::vector<NodePtr> pending = std::move(m_children);
  while (!pending.empty()) {
    NodePtr node = std::move(pending.back());
    pending.pop_back();
    node->m_parent = nullptr;
    if (node.use_count() == 1) {
      for (auto& child : node->m_children)
        pending.push_back(std::move(child));
      node->m_children.clear();
    }
  }
}

ElementPtr Node::parentNode() const { return m_parent ? handleOf(*m_parent) : nullptr; }

void Node::setData(std::string text) {
  if (isElement())
    return;
  m_data = std::move(text);
  notifyChanged();
}

std::string Node::textContent() const {
  if (!isElement())
    return m_type == NodeType::Text ? m_data : std::string();
  std::string out;
  walkDescendants(*this, [&](const Node& n) {
    if (n.nodeType() == NodeType::Text)
      out += n.data();
    return true;
  });
  return out;
}

bool Node::contains(const Node* node) const {
  for (const Node* n = node; n; n = n->m_parent) {
    if (n == this)
      return true;
  }
  return false;
}

bool Node::isConnected() const {
  auto doc = m_ownerDocument.lock();
  if (!doc)
    return false;
  const Node* n = this;
  while (n->m_parent)
    n = n->m_parent;
  return n == doc->documentElement().get();
}

void Node::remove() {
  if (Element* parent = m_parent) {
    NodePtr keep = shared_from_this();
    TreeAccess::detach(*this);
    parent->notifyChanged();
  }
}

void Node::notifyChanged() {
  if (auto doc = m_ownerDocument.lock(); doc && isConnected())
    doc->noteChange(*this);
}

// --- Element ------------------------------------------------------------------------------

Element::Element(std::string_view tag, std::weak_ptr<Document> owner)
    : Node(NodeType::Element, std::move(owner)), m_name(util::toLower(tag)) {}

Element::~Element() = default;

std::string Element::tagName() const { return util::toUpper(m_name); }

std::optional<std::string> Element::getAttribute(std::string_view name) const {
  for (const auto& a : m_attributes) {
    if (util::equalsNoCase(a.name, name))
      return a.value;
  }
  return std::nullopt;
}

void Element::setAttribute(std::string_view name, std::string_view value) {
  if (!validAttributeName(name))
    detail::invalidCall("'" + std::string(name) + "' is not an attribute name");
  bool found = false;
  for (auto& a : m_attributes) {
    if (util::equalsNoCase(a.name, name)) {
      a.value = std::string(value);
      found = true;
      break;
    }
  }
  if (!found)
    m_attributes.push_back({util::toLower(name), std::string(value)});
  notifyChanged();
}

bool Element::removeAttribute(std::string_view name) {
  auto it = std::find_if(m_attributes.begin(), m_attributes.end(),
                         [&](const Attribute& a) { return util::equalsNoCase(a.name, name); });
  if (it == m_attributes.end())
    return false;
  m_attributes.erase(it);
  notifyChanged();
  return true;
}

void Element::clearAttributes() {
  auto kept = std::remove_if(m_attributes.begin(), m_attributes.end(),
                             [](const Attribute& a) { return a.name != "id" && a.name != "style"; });
  if (kept == m_attributes.end())
    return;
  m_attributes.erase(kept, m_attributes.end());
  notifyChanged();
}

NodePtr Element::appendChild(NodePtr node) { return insertBefore(std::move(node), nullptr); }

NodePtr Element::insertBefore(NodePtr node, const NodePtr& ref) {
  if (!node)
    throw com::ComError(com::errObjectNotSet);
  if (node->contains(this))
    detail::invalidCall("a node cannot be inserted into itself");
  if (ref && ref->m_parent != this)
    detail::invalidCall("the reference node is not a child of this element");
  if (ref == node)
    return node;
  if (Element* old = node->m_parent) {
    TreeAccess::detach(*node);
    if (old != this)
      old->notifyChanged();
  }
  TreeAccess::adopt(*node, m_ownerDocument);
  std::size_t index = m_children.size();
  if (ref)
    index = std::size_t(std::find(m_children.begin(), m_children.end(), ref) - m_children.begin());
  TreeAccess::attach(*this, node, index);
  notifyChanged();
  return node;
}

NodePtr Element::removeChild(const NodePtr& child) {
  if (!child || child->m_parent != this)
    detail::invalidCall("the node is not a child of this element");
  NodePtr owned = TreeAccess::detach(*child);
  notifyChanged();
  return owned;
}

NodePtr Element::replaceChild(NodePtr node, const NodePtr& old) {
  if (!old || old->m_parent != this)
    detail::invalidCall("the node to replace is not a child of this element");
  if (node == old)
    return old;
  insertBefore(std::move(node), old);
  return removeChild(old);
}

std::vector<ElementPtr> Element::children() const {
  std::vector<ElementPtr> out;
  for (const auto& c : m_children) {
    if (auto e = asElement(c))
      out.push_back(std::move(e));
  }
  return out;
}

std::vector<ElementPtr> Element::getElementsByTagName(std::string_view name) const {
  bool any = name == "*";
  std::string wanted = util::toLower(name);
  std::vector<ElementPtr> out;
  walkDescendants(*this, [&](const Node& n) {
    if (n.isElement() && (any || static_cast<const Element&>(n).m_name == wanted))
      out.push_back(handleOf(static_cast<const Element&>(n)));
    return true;
  });
  return out;
}

std::string Element::innerHTML() const {
  std::string out;
  detail::serialize(*this, false, out);
  return out;
}

std::string Element::outerHTML() const {
  std::string out;
  detail::serialize(*this, true, out);
  return out;
}

std::vector<NodePtr> Element::parseFragment(std::string_view markup) const {
  return detail::parseFragment(markup, m_name, m_ownerDocument);
}

void Element::replaceChildren(std::vector<NodePtr> nodes) {
  // The old content goes in one piece; nodes handed out earlier stay valid, detached.
  std::vector<NodePtr> old = std::move(m_children);
  m_children.clear();
  for (auto& n : old)
    n->m_parent = nullptr;
  for (auto& n : nodes)
    TreeAccess::attach(*this, std::move(n), m_children.size());
  notifyChanged();
}

void Element::setInnerHTML(std::string_view markup) { replaceChildren(parseFragment(markup)); }

void Element::setOuterHTML(std::string_view markup) {
  Element* parent = m_parent;
  if (!parent)
    detail::invalidCall("a detached element has no outer HTML to replace");
  auto nodes = detail::parseFragment(markup, parent->m_name, m_ownerDocument);
  NodePtr keep = shared_from_this();
  auto& siblings = parent->m_children;
  auto index = std::size_t(std::find(siblings.begin(), siblings.end(), keep) - siblings.begin());
  TreeAccess::detach(*this);
  for (auto& n : nodes)
    TreeAccess::attach(*parent, std::move(n), index++);
  parent->notifyChanged();
}

std::string Element::innerText() const {
  std::string out;
  walkDescendants(*this, [&](const Node& n) {
    if (n.nodeType() == NodeType::Text) {
      out += n.data();
    } else if (n.isElement()) {
      const auto& e = static_cast<const Element&>(n);
      if (e.is("br"))
        out += '\n';
      return !(e.is("script") || e.is("style"));
    }
    return true;
  });
  return out;
}

void Element::setInnerText(std::string_view text) {
  std::vector<NodePtr> nodes;
  if (!text.empty()) {
    nodes.push_back(TreeAccess::makeNode(NodeType::Text, m_ownerDocument, std::string(text)));
  }
  replaceChildren(std::move(nodes));
}

void Element::setDisabled(bool value) {
  if (value == disabled())
    return;
  if (value)
    setAttribute("disabled", "");
  else
    removeAttribute("disabled");
}

void Element::setChecked(bool value) {
  if (value != checked()) {
    if (value)
      setAttribute("checked", "");
    else
      removeAttribute("checked");
  }
  if (value && is("input") && util::equalsNoCase(attribute("type"), "radio"))
    uncheckRadioGroup();
}

void Element::uncheckRadioGroup() {
  std::string name = attribute("name");
  if (name.empty())
    return;
  auto formOf = [](const Element& e) -> const Element* {
    for (const Element* p = e.m_parent; p; p = p->m_parent) {
      if (p->is("form"))
        return p;
    }
    return nullptr;
  };
  const Element* form = formOf(*this);
  const Node* root = this;
  while (root->m_parent)
    root = root->m_parent;
  std::vector<Element*> others;
  walkDescendants(*root, [&](const Node& n) {
    if (n.isElement() && &n != this) {
      auto& e = const_cast<Element&>(static_cast<const Element&>(n));
      if (e.is("input") && util::equalsNoCase(e.attribute("type"), "radio") && e.attribute("name") == name &&
          formOf(e) == form && e.checked())
        others.push_back(&e);
    }
    return true;
  });
  for (Element* e : others)
    e->removeAttribute("checked");
}

std::string Element::src() const {
  std::string value(util::trim(attribute("src")));
  auto doc = ownerDocument();
  return doc ? resolveUrl(doc->url(), value) : value;
}

void removeAll(const std::vector<ElementPtr>& elements) {
  std::unordered_map<Element*, std::unordered_set<const Node*>> byParent;
  std::vector<Element*> parents; // in the order first met, for the change reports
  for (const auto& e : elements) {
    if (!e || !e->parent())
      continue;
    auto [it, added] = byParent.try_emplace(e->parent());
    if (added)
      parents.push_back(e->parent());
    it->second.insert(e.get());
  }
  for (Element* parent : parents) {
    const auto& going = byParent[parent];
    auto& kids = TreeAccess::children(*parent);
    auto kept =
        std::stable_partition(kids.begin(), kids.end(), [&](const NodePtr& n) { return !going.count(n.get()); });
    for (auto it = kept; it != kids.end(); ++it)
      TreeAccess::setParent(**it, nullptr);
    // The callers' list keeps the removed elements alive.
    kids.erase(kept, kids.end());
  }
  for (Element* parent : parents)
    TreeAccess::notifyChanged(*parent);
}

} // namespace tavro::html
