// tavro: the command line tool. Runs the add-in's engines in batch, without a window.

#include "app/cli/command.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/consoleui.h"
#include "util/allocator.h"
#include "util/version.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <utility>

namespace tavro::cli {

namespace {
std::vector<std::pair<HelpPlace, CommandSetup>>& registry() {
  static std::vector<std::pair<HelpPlace, CommandSetup>> commands;
  return commands;
}
} // namespace

Registrar::Registrar(HelpPlace place, CommandSetup setup) { registry().emplace_back(place, std::move(setup)); }

std::vector<CommandSetup> registeredCommands() {
  auto commands = registry();
  // Sorted by place alone: the order the files happen to be linked in must not show.
  std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<CommandSetup> out;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i > 0 && commands[i].first == commands[i - 1].first)
      throw std::logic_error("two commands are registered at one place in --help");
    out.push_back(std::move(commands[i].second));
  }
  return out;
}

void requireFile(const std::string& path, const std::string& what) {
  if (fs::fileExists(path))
    return;
  if (fs::folderExists(path))
    throw UserError("'" + path + "' is a folder, not " + what);
  throw UserError("no such file: '" + path + "'");
}

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void addJobsOption(CLI::App* cmd, int& jobs, const std::string& what) {
  cmd->add_option("-j,--jobs", jobs, what + " at once (default: the number of cores)")->check(CLI::Range(1, 256));
}

void addMaxDeckOption(CLI::App* cmd, std::size_t& bytes) {
  cmd->add_option("--max-deck", bytes,
                  "split a deck that compiles to more WBXML than BYTES into decks NAME, NAME-2 ... each under it")
      ->check(CLI::Range(std::size_t(1), std::size_t(1) << 30))
      ->option_text("BYTES");
}

void addUnwrapLayoutOption(CLI::App* cmd, bool& unwrap) {
  cmd->add_flag("--unwrap-layout", unwrap,
                "a table that lays the page out (its cells hold headings, lists, tables ...) gives its cells as "
                "blocks, not one long row");
}

ProgressLine::ProgressLine(std::size_t total) : m_total(total), m_shown(stderrIsTerminal()) {}

ProgressLine::~ProgressLine() {
  if (m_drawn)
    std::fputs("\r\033[K", stderr);
}

void ProgressLine::finished(const std::string& name) {
  if (!m_shown || m_total < 2)
    return;
  std::lock_guard lock(m_lock);
  draw("[" + std::to_string(++m_done) + "/" + std::to_string(m_total) + "] " + name);
}

void ProgressLine::share(const std::string& name, std::size_t done, std::size_t total) {
  if (!m_shown)
    return;
  std::lock_guard lock(m_lock);
  const std::size_t percent = total ? done * 100 / total : 100;
  if (percent != std::exchange(m_percent, percent))
    draw("[" + std::to_string(percent) + "%] " + name);
}

void ProgressLine::draw(const std::string& text) {
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
  m_drawn = true;
}

int reportBatch(std::size_t count, const std::function<std::string(std::size_t)>& report) {
  int failed = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string why = report(i);
    if (!why.empty()) {
      ++failed;
      std::fprintf(stderr, "tavro: %s\n", why.c_str());
    }
  }
  return failed ? exitFailure : exitOk;
}

} // namespace tavro::cli

int main(int argc, char** argv) {
  using namespace tavro;
  util::tuneAllocator();
  util::tuneMimalloc();
  CLI::App app{"Tavro: imports HTML pages as WML decks, exports WML to HTML, converts pictures to WBMP.", "tavro"};
  app.set_version_flag("--version", std::string("tavro ") + tavro::version());
  app.require_subcommand(1);
  app.fallthrough(false);

  int exitCode = cli::exitOk;
  for (const auto& setup : cli::registeredCommands())
    setup(app, &exitCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return cli::exitUsage;
  } catch (const cli::UserError& e) {
    std::fprintf(stderr, "tavro: %s\n", e.what());
    return cli::exitFailure;
  } catch (const com::ComError& e) {
    std::fprintf(stderr, "tavro: %s\n", e.what());
    return cli::exitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavro: %s\n", e.what());
    return cli::exitFailure;
  }
  return exitCode;
}
