#include "platform/com/registry.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "util/text.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace tavro::com {

Registry::Registry(std::filesystem::path file) : m_path(std::move(file)) {
  if (!fs::fileExists(m_path.string()))
    return;
  std::istringstream in(fs::readFile(m_path.string(), 1 << 20));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line.front() == '#')
      continue;
    auto tab = line.find('\t');
    if (tab == std::string::npos)
      continue;
    m_entries.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
}

std::filesystem::path Registry::defaultPath() {
  if (const char* explicitPath = std::getenv("TAVRO_REGISTRY"); explicitPath && *explicitPath)
    return explicitPath;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return std::filesystem::path(config) / "tavro" / "registry";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/tmp") / ".config" / "tavro" / "registry";
}

std::optional<std::string> Registry::lookup(std::string_view progId) const {
  for (const auto& [id, path] : m_entries) {
    if (util::equalsNoCase(id, progId))
      return path;
  }
  return std::nullopt;
}

void Registry::add(std::string_view progId, std::string_view libraryPath) {
  if (progId.empty() || progId.find_first_of("\t\n") != std::string_view::npos ||
      libraryPath.find_first_of("\t\n") != std::string_view::npos)
    throw ComError(errInvalidCall, "cannot register '" + std::string(progId) + "'");
  remove(progId);
  m_entries.emplace_back(std::string(progId), std::string(libraryPath));
}

void Registry::remove(std::string_view progId) {
  std::erase_if(m_entries, [&](const Entry& e) { return util::equalsNoCase(e.first, progId); });
}

void Registry::save() const {
  std::error_code ec;
  std::filesystem::create_directories(m_path.parent_path(), ec);
  std::string text = "# Tavro class registry: program identifier, TAB, library path\n";
  for (const auto& [id, path] : m_entries)
    text += id + '\t' + path + '\n';
  fs::writeFileAtomic(m_path.string(), text);
}

} // namespace tavro::com
