#pragma once
// Events of the document model: the event object that handlers see (the window's current
// event), and what elements, documents and windows share to hold handlers. A handler is either
// an object of the component layer, called through its default member when the event fires
// (as a page's onclick may hold one), or a C++ listener.

#include "platform/com/variant.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::html {

class Element;

/// One event while it is being dispatched. Handlers cancel its default action by setting
/// returnValue to false.
class Event {
public:
  explicit Event(std::string type) : m_type(std::move(type)) {}

  /// "click", "contextmenu", "keydown" or "error".
  const std::string& type() const { return m_type; }
  /// The element the event happened on (none for window errors).
  const std::shared_ptr<Element>& srcElement() const { return m_srcElement; }
  void setSrcElement(std::shared_ptr<Element> element) { m_srcElement = std::move(element); }

  /// Unset until a handler sets it; false cancels the default action.
  std::optional<bool> returnValue() const { return m_returnValue; }
  void setReturnValue(bool value) { m_returnValue = value; }
  bool defaultPrevented() const { return m_returnValue.has_value() && !*m_returnValue; }

  /// The key of a keydown event.
  int keyCode() const { return m_keyCode; }
  void setKeyCode(int code) { m_keyCode = code; }

  // The error an "error" event reports.
  std::string description;
  std::string url;
  int line = 0;

private:
  std::string m_type;
  std::shared_ptr<Element> m_srcElement;
  std::optional<bool> m_returnValue;
  int m_keyCode = 0;
};

using EventListener = std::function<void(Event&)>;

/// Handlers of one element, document or window. Kept out of line and made on first use, since
/// most elements of a page have none.
class EventTarget {
public:
  EventTarget() = default;
  EventTarget(const EventTarget&) = delete;
  EventTarget& operator=(const EventTarget&) = delete;

  /// The object called when the event fires, by handler name ("onclick", "onkeydown" ...,
  /// compared without regard to case). An empty pointer removes the handler.
  void setEventHandler(std::string_view name, com::ObjectPtr handler);
  com::ObjectPtr eventHandler(std::string_view name) const;

  void setOnclick(com::ObjectPtr handler) { setEventHandler("onclick", std::move(handler)); }
  com::ObjectPtr onclick() const { return eventHandler("onclick"); }

  /// A C++ listener for events of one type ("click" ...); the number removes it again.
  int addEventListener(std::string type, EventListener listener);
  void removeEventListener(int id);

protected:
  ~EventTarget();
  friend class Document;
  friend class Window;

  /// Runs this target's handlers for the event: first the object held for "on" + type, whose
  /// result False cancels the default action, then the listeners in the order they were added.
  /// A failing object handler is reported through onFailure and does not stop the others.
  void fire(Event& event, const std::function<void(const std::string&)>& onFailure);

private:
  struct Listener {
    int id;
    std::string type;
    std::shared_ptr<EventListener> callback;
  };
  struct Handlers {
    std::vector<std::pair<std::string, com::ObjectPtr>> objects;
    std::vector<Listener> listeners;
    int lastId = 0;
  };
  Handlers& handlers();
  std::unique_ptr<Handlers> m_handlers;
};

} // namespace tavro::html
