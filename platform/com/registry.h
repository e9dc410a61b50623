#pragma once
// The class registry: which library serves each program identifier ("Tavro.wizard" ...).
// A small text file, one "identifier<TAB>library path" line each, rewritten atomically.
// Its place: $TAVRO_REGISTRY, else $XDG_CONFIG_HOME/tavro/registry, else ~/.config/tavro/registry.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::com {

class Registry {
public:
  using Entry = std::pair<std::string, std::string>; // program identifier, library path

  /// Reads the registry file; a missing file is an empty registry. A line that is not
  /// "identifier<TAB>path" is kept as it is read but never matches.
  explicit Registry(std::filesystem::path file = defaultPath());

  static std::filesystem::path defaultPath();
  const std::filesystem::path& path() const { return m_path; }

  /// The library path registered for an identifier (compared without regard to case).
  std::optional<std::string> lookup(std::string_view progId) const;
  const std::vector<Entry>& entries() const { return m_entries; }

  /// Registers an identifier, replacing an earlier entry for it.
  void add(std::string_view progId, std::string_view libraryPath);
  /// Removes an identifier's entry; other entries stay.
  void remove(std::string_view progId);
  /// Writes the registry atomically, creating its folder when needed.
  void save() const;

private:
  std::filesystem::path m_path;
  std::vector<Entry> m_entries;
};

} // namespace tavro::com
