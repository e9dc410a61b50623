#include "htmlimport/browsertaming.h"

#include "util/text.h"

namespace tavro::htmlimport {

void disableControls(html::Document& doc) {
  // The root is the html element, never a control.
  std::vector<html::ElementPtr> controls;
  if (const html::ElementPtr& root = doc.documentElement())
    html::walkDescendants(*root, [&](const html::Node& n) {
      if (!n.isElement())
        return false;
      const auto& e = static_cast<const html::Element&>(n);
      if (e.is("input") || e.is("button") || e.is("table") || e.is("object"))
        controls.push_back(html::handleOf(e));
      return true;
    });
  for (const auto& e : controls)
    e->setDisabled(true);
}

void removeObjectsAndScripts(html::Document& doc) {
  // One walk finds both: every OBJECT, and every SCRIPT that is not inside one (those leave
  // with their OBJECT).
  std::vector<html::ElementPtr> objects, scripts;
  int insideObjects = 0;
  if (const html::ElementPtr& root = doc.documentElement())
    html::walkDescendants(
        *root,
        [&](const html::Node& n) {
          if (!n.isElement())
            return false;
          const auto& e = static_cast<const html::Element&>(n);
          if (e.is("object")) {
            objects.push_back(html::handleOf(e));
            ++insideObjects;
          } else if (e.is("script") && insideObjects == 0) {
            scripts.push_back(html::handleOf(e));
          }
          return true;
        },
        [&](const html::Node& n) {
          if (static_cast<const html::Element&>(n).is("object"))
            --insideObjects;
        });
  html::removeAll(objects);
  html::removeAll(scripts);
}

bool documentClick(html::Document& doc, TamingState& state) {
  if (!state.framesShown)
    return false;
  for (const auto& input : doc.getElementsByTagName("INPUT")) {
    if (input->checked())
      state.frameSource = input->attribute("ID");
  }
  return true;
}

bool documentContextMenu() { return false; }

void documentKeyDown(html::Document& doc) {
  if (const auto& event = doc.parentWindow()->event())
    event->setReturnValue(false);
}

void windowError(html::Window& window, TamingState& state) {
  state.evtObj = window.event();
  if (state.evtObj)
    state.evtObj->setReturnValue(false);
}

struct BrowserTaming::Impl : std::enable_shared_from_this<Impl> {
  html::Browser& browser;
  TamingState state;
  int navigateId = 0;
  int completeId = 0;
  std::weak_ptr<html::Document> hooked;
  std::weak_ptr<html::Window> hookedWindow;
  std::vector<int> documentListeners;
  int windowListener = 0;

  explicit Impl(html::Browser& b) : browser(b) {}

  void unhookDocument() {
    if (auto doc = hooked.lock()) {
      for (int id : documentListeners)
        doc->removeEventListener(id);
    }
    documentListeners.clear();
    hooked.reset();
  }

  void unhookWindow() {
    if (auto window = hookedWindow.lock())
      window->removeEventListener(windowListener);
    hookedWindow.reset();
  }

  void hookDocument(const html::DocumentPtr& doc) {
    unhookDocument();
    std::weak_ptr<Impl> self = weak_from_this();
    std::weak_ptr<html::Document> weakDoc = doc;
    documentListeners.push_back(doc->addEventListener("click", [self, weakDoc](html::Event& event) {
      auto impl = self.lock();
      auto d = weakDoc.lock();
      if (impl && d && !documentClick(*d, impl->state))
        event.setReturnValue(false);
    }));
    documentListeners.push_back(doc->addEventListener("contextmenu", [self](html::Event& event) {
      if (self.lock() && !documentContextMenu())
        event.setReturnValue(false);
    }));
    documentListeners.push_back(doc->addEventListener("keydown", [self, weakDoc](html::Event&) {
      auto d = weakDoc.lock();
      if (self.lock() && d)
        documentKeyDown(*d);
    }));
    hooked = doc;
  }

  void hookWindow(const std::shared_ptr<html::Window>& window) {
    unhookWindow();
    std::weak_ptr<Impl> self = weak_from_this();
    std::weak_ptr<html::Window> weakWindow = window;
    windowListener = window->addEventListener("error", [self, weakWindow](html::Event&) {
      auto impl = self.lock();
      auto w = weakWindow.lock();
      if (impl && w)
        windowError(*w, impl->state);
    });
    hookedWindow = window;
    state.window = window;
  }
};

BrowserTaming::BrowserTaming(html::Browser& browser) : m_impl(std::make_shared<Impl>(browser)) {
  std::weak_ptr<Impl> self = m_impl;
  m_impl->navigateId = browser.NavigateComplete2.connect([self](html::Browser& b, const std::string&) {
    auto impl = self.lock();
    const auto& doc = b.Document();
    if (!impl || !doc)
      return;
    disableControls(*doc);
    impl->hookDocument(doc);
  });
  m_impl->completeId = browser.DocumentComplete.connect([self](html::Browser& b, const std::string&) {
    auto impl = self.lock();
    const auto& doc = b.Document();
    if (!impl || !doc)
      return;
    removeObjectsAndScripts(*doc);
    impl->hookWindow(doc->parentWindow());
  });
  // A document already on show is tamed at once.
  if (const auto& doc = browser.Document()) {
    disableControls(*doc);
    m_impl->hookDocument(doc);
    if (doc->readyState() == "complete") {
      removeObjectsAndScripts(*doc);
      m_impl->hookWindow(doc->parentWindow());
    }
  }
}

BrowserTaming::~BrowserTaming() {
  m_impl->browser.NavigateComplete2.disconnect(m_impl->navigateId);
  m_impl->browser.DocumentComplete.disconnect(m_impl->completeId);
  m_impl->unhookDocument();
  m_impl->unhookWindow();
}

TamingState& BrowserTaming::state() { return m_impl->state; }
const TamingState& BrowserTaming::state() const { return m_impl->state; }

} // namespace tavro::htmlimport
