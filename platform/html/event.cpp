#include "platform/html/event.h"

#include "platform/com/dispatch.h"
#include "util/text.h"

#include <algorithm>

namespace tavro::html {

EventTarget::~EventTarget() = default;

EventTarget::Handlers& EventTarget::handlers() {
  if (!m_handlers)
    m_handlers = std::make_unique<Handlers>();
  return *m_handlers;
}

void EventTarget::setEventHandler(std::string_view name, com::ObjectPtr handler) {
  std::string key = util::toLower(name);
  auto& objects = handlers().objects;
  auto it = std::find_if(objects.begin(), objects.end(), [&](const auto& p) { return p.first == key; });
  if (it != objects.end()) {
    if (handler)
      it->second = std::move(handler);
    else
      objects.erase(it);
  } else if (handler) {
    objects.emplace_back(std::move(key), std::move(handler));
  }
}

com::ObjectPtr EventTarget::eventHandler(std::string_view name) const {
  if (!m_handlers)
    return nullptr;
  for (const auto& [key, object] : m_handlers->objects) {
    if (util::equalsNoCase(key, name))
      return object;
  }
  return nullptr;
}

int EventTarget::addEventListener(std::string type, EventListener listener) {
  auto& h = handlers();
  int id = ++h.lastId;
  h.listeners.push_back({id, util::toLower(type), std::make_shared<EventListener>(std::move(listener))});
  return id;
}

void EventTarget::removeEventListener(int id) {
  if (!m_handlers)
    return;
  auto& ls = m_handlers->listeners;
  ls.erase(std::remove_if(ls.begin(), ls.end(), [id](const Listener& l) { return l.id == id; }), ls.end());
}

void EventTarget::fire(Event& event, const std::function<void(const std::string&)>& onFailure) {
  if (!m_handlers)
    return;
  // Copies: a handler may change the handlers of this very target.
  com::ObjectPtr object = eventHandler("on" + event.type());
  if (object) {
    try {
      com::Variant result = com::callMethod(object, "");
      if (result.type() == com::Variant::Type::Boolean && !result.toBool())
        event.setReturnValue(false);
    } catch (const com::ComError& e) {
      onFailure(e.what());
    }
  }
  if (!m_handlers)
    return;
  std::vector<std::shared_ptr<EventListener>> callbacks;
  for (const auto& l : m_handlers->listeners) {
    if (l.type == event.type())
      callbacks.push_back(l.callback);
  }
  for (const auto& callback : callbacks)
    (*callback)(event);
}

} // namespace tavro::html
