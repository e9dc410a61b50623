#pragma once
// The browser: shows one document at a time, loaded from a local file or "about:blank".
// Navigation is synchronous: when Navigate returns true the new document has been parsed,
// NavigateComplete2 and DocumentComplete have fired, and ReadyState is 4. Nothing else is
// ever fetched: other schemes are refused, and nothing in a page (frames, pictures, links,
// refreshes) makes the browser open another file.

#include "platform/html/document.h"
#include "platform/html/signal.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavro::html {

class Browser {
public:
  /// Pages larger than this are refused. A page costs about fifty times its size in memory
  /// while it is parsed.
  static constexpr std::uintmax_t maxPageBytes = std::uintmax_t(16) << 20;

  Browser() = default;
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  /// Shows a local file (a path, or a file: URL on this machine) or "about:blank". Returns
  /// false, with the browser keeping its current page and LastError() saying why, for any
  /// other address, and for a file that cannot be read (missing, not a regular file, larger
  /// than maxPageBytes).
  bool Navigate(std::string_view address);

  /// 0 before the first page, then 1 (loading), 3 (interactive) and 4 (complete).
  int ReadyState() const { return m_readyState; }
  bool Busy() const { return m_readyState != 0 && m_readyState != 4; }
  /// The document shown; none before the first page.
  const DocumentPtr& Document() const { return m_document; }
  /// The address of the page shown.
  std::string LocationURL() const { return m_document ? m_document->url() : std::string(); }
  /// Why the last Navigate failed ("" after a success).
  const std::string& LastError() const { return m_lastError; }

  // Settings a view honours; the model itself never goes online and takes no drops.
  bool Offline() const { return m_offline; }
  void setOffline(bool value) { m_offline = value; }
  bool RegisterAsDropTarget() const { return m_dropTarget; }
  void setRegisterAsDropTarget(bool value) { m_dropTarget = value; }

  /// Fired when a new document has replaced the old one (its readyState "interactive"), with
  /// the page's address.
  Signal<Browser&, const std::string&> NavigateComplete2;
  /// Fired when the new document is complete (readyState "complete", ReadyState 4).
  Signal<Browser&, const std::string&> DocumentComplete;

private:
  bool refuse(std::string reason);

  DocumentPtr m_document;
  int m_readyState = 0;
  std::string m_lastError;
  bool m_offline = false;
  bool m_dropTarget = true;
  std::uint64_t m_navigation = 0;
};

/// Reads a page file: only a regular file, at most maxBytes (error 7 beyond), never waiting on
/// a pipe or device. Errors are com::ComError with the number of their cause.
std::string readPageFile(const std::string& path, std::uintmax_t maxBytes);

} // namespace tavro::html
