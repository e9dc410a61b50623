#include "app/ftp/ftpclient.h"

#include "util/text.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tavro::ftp {

namespace {

std::vector<std::string> splitWords(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

} // namespace

std::string configuredCommand() {
  if (const char* env = std::getenv("TAVRO_FTP_CLIENT"); env && *env)
    return env;
  std::string file;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    file = std::string(config) + "/tavro/ftp-client";
  else if (const char* home = std::getenv("HOME"); home && *home)
    file = std::string(home) + "/.config/tavro/ftp-client";
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

ClientChoice chooseClient(const std::string& configured, const std::string& folder, const ProgramFinder& find) {
  ClientChoice choice;

  // The user's own command first.
  if (auto words = splitWords(configured); !words.empty()) {
    choice.lookedFor.push_back(words.front());
    if (auto program = find(words.front())) {
      choice.command.push_back(*program);
      for (std::size_t i = 1; i < words.size(); ++i)
        choice.command.push_back(replaceAll(words[i], "%d", folder));
      return choice;
    }
  }

  // Graphical clients start on their own; filezilla is told the local folder.
  struct Client {
    const char* name;
    std::vector<std::string> arguments;
  };
  const std::vector<Client> graphical = {{"filezilla", {"--local=" + folder}}, {"gftp-gtk", {}}};
  for (const auto& client : graphical) {
    choice.lookedFor.push_back(client.name);
    if (auto program = find(client.name)) {
      choice.command.push_back(*program);
      choice.command.insert(choice.command.end(), client.arguments.begin(), client.arguments.end());
      return choice;
    }
  }

  // Terminal clients need a terminal window to run in.
  const auto terminal = find("x-terminal-emulator");
  for (const char* name : {"lftp", "ncftp", "ftp"}) {
    choice.lookedFor.push_back(name);
    if (auto program = find(name); program && terminal) {
      choice.command = {*terminal, "-e", *program};
      return choice;
    }
  }
  return choice;
}

std::optional<std::string> findInPath(const std::string& name, const std::string& pathVariable) {
  if (name.empty())
    return std::nullopt;
  auto runnable = [](const std::string& path) { return ::access(path.c_str(), X_OK) == 0; };
  if (name.find('/') != std::string::npos)
    return runnable(name) ? std::optional(name) : std::nullopt;
  std::size_t start = 0;
  while (start <= pathVariable.size()) {
    std::size_t end = pathVariable.find(':', start);
    if (end == std::string::npos)
      end = pathVariable.size();
    // An empty entry means the current folder, which is not searched on purpose.
    if (end > start) {
      const std::string candidate = pathVariable.substr(start, end - start) + "/" + name;
      if (runnable(candidate))
        return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::string noClientMessage(const std::vector<std::string>& lookedFor) {
  return "No FTP client was found. Looked for: " + util::join(lookedFor, ", ") +
         ".\n\nInstall one (for example: apt-get install filezilla), or name the command to start in "
         "~/.config/tavro/ftp-client.";
}

} // namespace tavro::ftp
