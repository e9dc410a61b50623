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

  /// Reads the registry file; a missing file is an empty registry. Comment lines ("#...") and
  /// lines that are not "identifier<TAB>path" never match, and save() writes them back as they
  /// were read, in their places.
  explicit Registry(std::filesystem::path file = defaultPath());

  static std::filesystem::path defaultPath();
  const std::filesystem::path& path() const { return m_path; }

  /// The library path registered for an identifier (compared without regard to case).
  std::optional<std::string> lookup(std::string_view progId) const;
  std::vector<Entry> entries() const;

  /// Registers an identifier, replacing an earlier entry for it (in its place), or at the end.
  void add(std::string_view progId, std::string_view libraryPath);
  /// Removes an identifier's entry; other entries stay.
  void remove(std::string_view progId);
  /// Writes the registry atomically, creating its folder when needed.
  void save() const;

private:
  /// A line of the file: an entry, or text that is kept as it stands.
  struct Line {
    std::string text;
    std::optional<Entry> entry;
  };

  std::filesystem::path m_path;
  std::vector<Line> m_lines;
};

} // namespace tavro::com
