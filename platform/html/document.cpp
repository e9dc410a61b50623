#include "platform/html/document.h"

#include "platform/com/comerror.h"
#include "platform/html/markup.h"
#include "util/text.h"

namespace tavro::html {

namespace {

bool isDisabledControl(const Element& e) {
  for (const char* name : {"input", "button", "select", "textarea", "option", "optgroup", "fieldset"}) {
    if (e.is(name))
      return e.disabled();
  }
  return false;
}

} // namespace

Document::Document(std::string url) : m_url(std::move(url)) {}

Document::~Document() = default;

DocumentPtr Document::createBlank(std::string url) {
  DocumentPtr doc(new Document(std::move(url)));
  doc->m_window = std::make_shared<Window>(doc);
  doc->m_root = std::make_shared<Element>("html", doc);
  TreeAccess::attach(*doc->m_root, std::make_shared<Element>("head", doc), 0);
  TreeAccess::attach(*doc->m_root, std::make_shared<Element>("body", doc), 1);
  return doc;
}

DocumentPtr Document::parse(std::string_view utf8, std::string url) {
  DocumentPtr doc(new Document(std::move(url)));
  doc->m_window = std::make_shared<Window>(doc);
  doc->m_root = detail::parseDocument(utf8, doc);
  return doc;
}

ElementPtr Document::body() const {
  ElementPtr frameset;
  for (auto& c : m_root->children()) {
    if (c->is("body"))
      return c;
    if (c->is("frameset") && !frameset)
      frameset = c;
  }
  return frameset;
}

std::vector<ElementPtr> Document::all() const {
  std::vector<ElementPtr> out{m_root};
  auto rest = m_root->getElementsByTagName("*");
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

std::vector<ElementPtr> Document::getElementsByTagName(std::string_view name) const {
  std::vector<ElementPtr> out;
  if (name == "*" || util::equalsNoCase(name, "html"))
    out.push_back(m_root);
  auto rest = m_root->getElementsByTagName(name);
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

ElementPtr Document::getElementById(std::string_view id) const {
  for (auto& e : all()) {
    if (e->getAttribute("id") == id)
      return e;
  }
  return nullptr;
}

ElementPtr Document::createElement(std::string_view tag) {
  std::string name(util::trim(tag));
  // Old scripts passed markup ("<B>"); the name inside it is what counts.
  if (name.size() > 2 && name.front() == '<' && name.back() == '>')
    name = name.substr(1, name.size() - 2);
  if (name.empty() || name.find_first_of(" \t\r\n<>/\"'=") != std::string::npos)
    throw com::ComError(com::errInvalidCall, "'" + std::string(tag) + "' is not an element name");
  return std::make_shared<Element>(name, weak_from_this());
}

NodePtr Document::createTextNode(std::string_view text) {
  return TreeAccess::makeNode(NodeType::Text, weak_from_this(), std::string(text));
}

void Document::noteChange(Node& node) {
  ++m_version;
  changed.raise(node);
}

bool Document::dispatch(Event& event, const ElementPtr& target) {
  DocumentPtr keep = shared_from_this();
  std::shared_ptr<Window> window = m_window;
  std::vector<ElementPtr> path;
  for (Element* e = target.get(); e; e = e->parent())
    path.push_back(handleOf(*e));
  // The event object itself is shared so that a handler may keep it (as the window error
  // handler does); the caller's copy receives the handlers' changes at the end.
  auto current = std::make_shared<Event>(event);
  auto previous = std::exchange(window->m_event, current);
  auto onFailure = [&](const std::string& message) { window->reportError(message, m_url, 0); };
  for (const auto& element : path)
    element->fire(*current, onFailure);
  fire(*current, onFailure);
  window->m_event = previous;
  event = *current;
  return !event.defaultPrevented();
}

bool Document::dispatchClick(const ElementPtr& target) {
  ElementPtr t = target ? target : body();
  if (!t || t->ownerDocument().get() != this || !t->isConnected())
    return false;
  for (Element* e = t.get(); e; e = e->parent()) {
    if (isDisabledControl(*e))
      return false;
  }
  // A radio button or check box changes before the handlers run, so that they see the new
  // state; a cancelled click puts the old state back.
  std::vector<std::pair<ElementPtr, bool>> before;
  if (t->is("input")) {
    std::string type = util::toLower(t->attribute("type"));
    if (type == "radio" || type == "checkbox") {
      for (auto& e : all()) {
        if (e->is("input") && e->checked())
          before.emplace_back(e, true);
      }
      before.emplace_back(t, t->checked());
      if (type == "radio")
        t->setChecked(true);
      else
        t->setChecked(!t->checked());
    }
  }
  Event event("click");
  event.setSrcElement(t);
  bool proceed = dispatch(event, t);
  if (!proceed) {
    for (auto& [e, wasChecked] : before) {
      if (e->checked() != wasChecked)
        e->setChecked(wasChecked);
    }
  }
  return proceed;
}

bool Document::dispatchContextMenu(const ElementPtr& target) {
  ElementPtr t = target ? target : body();
  if (!t || t->ownerDocument().get() != this || !t->isConnected())
    return false;
  Event event("contextmenu");
  event.setSrcElement(t);
  return dispatch(event, t);
}

bool Document::dispatchKeyDown(int keyCode, const ElementPtr& target) {
  ElementPtr t = target ? target : body();
  if (!t || t->ownerDocument().get() != this || !t->isConnected())
    return false;
  Event event("keydown");
  event.setSrcElement(t);
  event.setKeyCode(keyCode);
  return dispatch(event, t);
}

bool Window::reportError(std::string description, std::string url, int line) {
  auto event = std::make_shared<Event>("error");
  event->description = std::move(description);
  event->url = std::move(url);
  event->line = line;
  auto previous = std::exchange(m_event, event);
  fire(*event, [](const std::string&) {});
  m_event = previous;
  return !event->defaultPrevented();
}

} // namespace tavro::html
