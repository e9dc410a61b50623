#pragma once
// A list of callbacks for one kind of notification. Listeners may connect or disconnect others
// (or themselves) while a notification runs: each raise works on a copy of the list taken
// before the first call, and skips listeners disconnected in the meantime.

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tavro::html {

template <class... Args>
class Signal {
public:
  using Slot = std::function<void(Args...)>;

  /// Adds a listener; the number it returns disconnects it again.
  int connect(Slot slot) {
    int id = ++m_lastId;
    m_slots.push_back(std::make_shared<Entry>(Entry{id, std::move(slot), true}));
    return id;
  }

  void disconnect(int id) {
    auto it = std::find_if(m_slots.begin(), m_slots.end(), [id](const auto& e) { return e->id == id; });
    if (it != m_slots.end()) {
      (*it)->live = false;
      m_slots.erase(it);
    }
  }

  bool empty() const { return m_slots.empty(); }

  /// Calls every listener. (Not named emit: Qt defines that word as a macro.)
  void raise(Args... args) const {
    auto snapshot = m_slots;
    for (const auto& entry : snapshot) {
      if (entry->live)
        entry->slot(args...);
    }
  }

private:
  struct Entry {
    int id;
    Slot slot;
    bool live;
  };
  std::vector<std::shared_ptr<Entry>> m_slots;
  int m_lastId = 0;
};

} // namespace tavro::html
