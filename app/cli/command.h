#pragma once
// The command line tool's subcommands. Each lives in its own file and registers itself with a
// static Registrar; main() builds the parser from the registered commands in their help order.

#include <CLI/CLI.hpp>

#include <cstddef>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavro::cli {

/// Exit statuses: success, a failure the user caused (bad input, missing file ...), bad usage.
enum ExitCode : int { exitOk = 0, exitFailure = 1, exitUsage = 2 };

/// A failure the user caused; main() prints "tavro: <message>" and exits with 1.
class UserError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

/// Sets up one subcommand on the application. The subcommand's callback stores its exit
/// status in *exitCode.
using CommandSetup = std::function<void(CLI::App& app, int* exitCode)>;

/// Where each command stands in --help: one place each, in this order.
enum class HelpPlace { Register, Unregister, Catalogue, Export, Project, Convert, Compile, Import, Xslt, Image };

struct Registrar {
  Registrar(HelpPlace place, CommandSetup setup);
};

/// The registered commands in their help order. Two commands registered at one place raise
/// std::logic_error.
std::vector<CommandSetup> registeredCommands();

/// Raises a UserError unless path names a file: "no such file: 'path'" when nothing is there,
/// "'path' is a folder, not <what>" for a folder, so that a folder given for a file is not
/// reported as missing.
void requireFile(const std::string& path, const std::string& what);

/// The text of the deck read from path, checked as valid WML 1.1 and compiled to WBXML as a
/// phone receives it. Raises a UserError at the first fault: "path:LINE: reason" when it is not
/// well-formed, "path:LINE: not valid WML 1.1: ..." when it breaks WML 1.1; a deck longer than
/// decks::maxCompiledText is refused before it is parsed.
std::string compileCheckedDeck(const std::string& path, const std::string& text);

/// True when standard error is a terminal (progress lines are shown then).
bool stderrIsTerminal();

/// The progress of a batch on a terminal: one line on standard error, drawn again in place
/// (from any thread) and cleared when the batch ends; nothing when standard error is no
/// terminal. A batch of several items counts them as they finish ("[3/40] name"); a single
/// long item can show its own share done instead ("[41%] split name").
class ProgressLine {
public:
  explicit ProgressLine(std::size_t total);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  /// Counts one more item as finished, shown by its name (for a batch of more than one).
  void finished(const std::string& name);
  /// Shows how much of the item named is done, when that share in percent has changed.
  void share(const std::string& name, std::size_t done, std::size_t total);

private:
  void draw(const std::string& text);

  const std::size_t m_total;
  const bool m_shown;
  std::size_t m_done = 0;
  std::size_t m_percent = 101; // the share last drawn
  bool m_drawn = false;
  std::mutex m_lock;
};

/// The -j/--jobs option of a batch: how many of `what` (pages, documents ...) run at once.
void addJobsOption(CLI::App* cmd, int& jobs, const std::string& what);

/// The --max-deck option: the compiled size above which a deck is split.
void addMaxDeckOption(CLI::App* cmd, std::size_t& bytes);
/// --unwrap-layout, which convert and import share.
void addUnwrapLayoutOption(CLI::App* cmd, bool& unwrap);

/// Reports the items of a batch in input order: report(i) tells of item i and returns why it
/// failed ("" when it did not), which goes to standard error as "tavro: <why>". The batch's
/// exit status: exitFailure when any item failed.
int reportBatch(std::size_t count, const std::function<std::string(std::size_t)>& report);

} // namespace tavro::cli
