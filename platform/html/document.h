#pragma once
// An HTML document as the browser shows it: a tree of elements under HTML, with HEAD and BODY
// (or FRAMESET), the page's address, its ready state, the window that reports its errors, and
// the entry points through which a view forwards the user's clicks and keys.

#include "platform/html/event.h"
#include "platform/html/node.h"
#include "platform/html/signal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::html {

class Window;

class Document : public EventTarget, public std::enable_shared_from_this<Document> {
public:
  /// An empty page (HTML, HEAD, BODY) with the given address.
  static DocumentPtr createBlank(std::string url = "about:blank");
  /// Parses a whole page of UTF-8 markup.
  static DocumentPtr parse(std::string_view utf8, std::string url);

  ~Document();

  /// The HTML element.
  const ElementPtr& documentElement() const { return m_root; }
  /// The BODY element, or the FRAMESET of a frameset page.
  ElementPtr body() const;
  /// Every element, in document order.
  std::vector<ElementPtr> all() const;
  /// Elements with that name, any case ("*" for all), in document order.
  std::vector<ElementPtr> getElementsByTagName(std::string_view name) const;
  ElementPtr getElementById(std::string_view id) const;

  /// A new, detached element.
  ElementPtr createElement(std::string_view tag);
  /// A new, detached text node; its text is never read as markup.
  NodePtr createTextNode(std::string_view text);

  /// The page's address: a file: URL, or "about:blank".
  const std::string& url() const { return m_url; }
  /// The encoding the page was decoded from ("UTF-8", "windows-1252" ...).
  const std::string& charset() const { return m_charset; }
  void setCharset(std::string name) { m_charset = std::move(name); }
  /// "loading", "interactive" or "complete".
  const std::string& readyState() const { return m_readyState; }
  void setReadyState(std::string state) { m_readyState = std::move(state); }

  const std::shared_ptr<Window>& parentWindow() const { return m_window; }

  // What the user does, as a view forwards it. Each runs the handlers of the target element,
  // its ancestors and the document, with the event as the window's current event, and returns
  // whether the default action may proceed (false when a handler set returnValue to false).

  /// A click on target (the body when empty). A radio button is checked before the handlers
  /// run (its group unchecked) and a check box toggled; a cancelled click undoes that.
  /// A disabled form control takes no click: nothing runs and the result is false.
  bool dispatchClick(const ElementPtr& target);
  /// A request for the context menu over target (the body when empty).
  bool dispatchContextMenu(const ElementPtr& target);
  /// A key press while target (the body when empty) has the focus.
  bool dispatchKeyDown(int keyCode, const ElementPtr& target = nullptr);

  /// Raised after every change of the tree, an attribute or a text, with the node whose content
  /// or attributes changed. Changes to detached nodes are not reported.
  Signal<Node&> changed;
  /// Counts the changes reported so far.
  std::uint64_t version() const { return m_version; }

private:
  explicit Document(std::string url);
  friend class Node;
  friend class Element;
  void noteChange(Node& node);
  bool dispatch(Event& event, const ElementPtr& target);

  std::string m_url;
  std::string m_charset = "UTF-8";
  std::string m_readyState = "complete";
  ElementPtr m_root;
  std::shared_ptr<Window> m_window;
  std::uint64_t m_version = 0;
};

/// The window of a document: its current event and its error handlers.
class Window : public EventTarget {
public:
  explicit Window(std::weak_ptr<Document> document) : m_document(std::move(document)) {}

  /// The event being dispatched, or none between events.
  const std::shared_ptr<Event>& event() const { return m_event; }
  DocumentPtr document() const { return m_document.lock(); }

  /// Reports an error of the page to the "error" handlers; returns whether the default
  /// report may proceed (false when a handler set returnValue to false).
  bool reportError(std::string description, std::string url, int line);

private:
  friend class Document;
  std::weak_ptr<Document> m_document;
  std::shared_ptr<Event> m_event;
};

} // namespace tavro::html
