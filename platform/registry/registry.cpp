#include "platform/registry/registry.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "util/text.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace tavro::com {

namespace {

constexpr const char* header = "# Tavro class registry: program identifier, TAB, library path";

} // namespace

Registry::Registry(std::filesystem::path file) : m_path(std::move(file)) {
  if (!fs::fileExists(m_path.string()))
    return;
  std::istringstream in(fs::readFile(m_path.string(), 1 << 20));
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    if (line.empty() || line.front() == '#' || tab == std::string::npos)
      m_lines.push_back({line, std::nullopt});
    else
      m_lines.push_back({line, Entry(line.substr(0, tab), line.substr(tab + 1))});
  }
}

std::vector<Registry::Entry> Registry::entries() const {
  std::vector<Entry> entries;
  for (const auto& line : m_lines)
    if (line.entry)
      entries.push_back(*line.entry);
  return entries;
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
  for (const auto& line : m_lines) {
    if (line.entry && util::equalsNoCase(line.entry->first, progId))
      return line.entry->second;
  }
  return std::nullopt;
}

void Registry::add(std::string_view progId, std::string_view libraryPath) {
  if (progId.empty() || progId.find_first_of("\t\n") != std::string_view::npos ||
      libraryPath.find_first_of("\t\n") != std::string_view::npos)
    throw ComError(errInvalidCall, "cannot register '" + std::string(progId) + "'");
  Line added{std::string(progId) + '\t' + std::string(libraryPath), Entry(progId, libraryPath)};
  auto same = [&](const Line& l) { return l.entry && util::equalsNoCase(l.entry->first, progId); };
  auto first = std::find_if(m_lines.begin(), m_lines.end(), same);
  if (first == m_lines.end()) {
    m_lines.push_back(std::move(added));
    return;
  }
  *first = std::move(added);
  m_lines.erase(std::remove_if(std::next(first), m_lines.end(), same), m_lines.end());
}

void Registry::remove(std::string_view progId) {
  std::erase_if(m_lines, [&](const Line& l) { return l.entry && util::equalsNoCase(l.entry->first, progId); });
}

void Registry::save() const {
  std::error_code ec;
  std::filesystem::create_directories(m_path.parent_path(), ec);
  // A new file starts with a line that says what it holds.
  std::string text = m_lines.empty() || m_lines.front().text != header ? std::string(header) + '\n' : std::string();
  for (const auto& line : m_lines)
    text += line.text + '\n';
  fs::writeFileAtomic(m_path.string(), text);
}

} // namespace tavro::com
