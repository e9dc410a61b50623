#pragma once
// Taming the pages the import wizard shows: form controls, tables and embedded objects are
// disabled, objects and scripts removed, clicks, context menus and keys swallowed, and page
// errors answered. The wizard and the command line tool attach the same handlers to their
// browser. The click handler also records the user's choice on the frames list.

#include "platform/html/browser.h"

#include <memory>
#include <string>

namespace tavro::htmlimport {

/// What the handlers share with the wizard.
struct TamingState {
  /// The frames list is showing: clicks go through and record the checked radio button.
  bool framesShown = false;
  /// The ID of the INPUT last found checked while the frames list showed.
  std::string frameSource;
  /// The last error event the window error handler answered.
  std::shared_ptr<html::Event> evtObj;
  /// The window of the last completed document.
  std::shared_ptr<html::Window> window;
};

// The handlers, usable on their own.

/// After a navigation: every INPUT, BUTTON, TABLE and OBJECT is disabled.
void disableControls(html::Document& doc);
/// When a document is complete: every OBJECT, then every SCRIPT, leaves its parent.
void removeObjectsAndScripts(html::Document& doc);
/// A click in the document: false (cancelled) unless the frames list shows; then true, and
/// frameSource takes the ID of each checked INPUT (keeping its value when none is checked).
bool documentClick(html::Document& doc, TamingState& state);
/// The context menu never opens.
bool documentContextMenu();
/// A key press: the window's current event gets returnValue false.
void documentKeyDown(html::Document& doc);
/// A page error: the window's current event is kept in evtObj with returnValue false.
void windowError(html::Window& window, TamingState& state);

/// Attaches the handlers to a browser for as long as the object lives: every document the
/// browser shows from then on is disabled after NavigateComplete2, stripped of objects and
/// scripts at DocumentComplete (its window then taken), and has its clicks, context menus,
/// keys and errors answered. The browser must outlive this object.
class BrowserTaming {
public:
  explicit BrowserTaming(html::Browser& browser);
  ~BrowserTaming();
  BrowserTaming(const BrowserTaming&) = delete;
  BrowserTaming& operator=(const BrowserTaming&) = delete;

  TamingState& state();
  const TamingState& state() const;

private:
  struct Impl;
  std::shared_ptr<Impl> m_impl;
};

} // namespace tavro::htmlimport
