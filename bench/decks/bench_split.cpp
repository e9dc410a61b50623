// Splitting decks for phones: a deck of prose and one of program output (lines of distinct
// words in nowrap paragraphs, as a manual's examples), each about 60 KB as text, cut under
// 1400 and 4000 bytes compiled. Most of the time is libwbxml building the string table of the
// pieces tried, so the measure that matters is how many of those compiles a part costs; the
// target is under a second for either deck at either limit (the program output at 4000 bytes
// took 1.3 s on this machine when each part's search with the table doubled its step from the
// first atom, and takes 0.8 s from a guess made without it). A third deck is a manual's page:
// a table of contents whose links lead to the sections after it; its parts should be as full
// as the prose's. When a part that came out over the limit shrank every part's budget, and a
// part's indentation could take it past the length up to which the string table is built, the
// manual page gave 83 parts at 1400 bytes in 0.73 s and 27 at 4000 in 1.1 s, and the prose 17
// at 4000; now 50 in 0.30 s, 16 in 0.36 s, and 8. The search with the table started from the
// guess only for pieces of 4 KB of text and more; from it for every piece, the manual page at
// 1400 takes 0.24 s and the program output 0.18 s, the prose 0.18 s where it took 0.15 s (and
// 412 documentation pages at 1400, one by one, 56 s where they took 61 s). parts is the number
// of decks written.

#include "bench/benchsupport.h"
#include "decks/split.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string prose(std::size_t bytes) {
  std::string cards;
  for (int n = 1; cards.size() < bytes; ++n)
    cards += "<p>Ferries leave <b>every hour</b> from pier " + std::to_string(n) +
             ". Tickets are sold on board; see <a href=\"#t" + std::to_string(n) +
             "\">the timetable</a> for the first and last crossing of the day.</p>\n";
  return "<wml><card>" + cards + "</card></wml>";
}

// Lines of a program's output: counters and addresses that no two lines share.
std::string programOutput(std::size_t bytes) {
  std::string cards;
  for (int block = 1; cards.size() < bytes; ++block) {
    cards += "<p>Run " + std::to_string(block) + " gave:</p><p mode=\"nowrap\">";
    for (int line = 0; line < 40; ++line) {
      const int n = block * 40 + line;
      cards += "==" + std::to_string(1000 + n) + "== at 0x" + std::to_string(400000 + n * 37) + ": frame" +
               std::to_string(n) + " (file" + std::to_string(n % 97) + ".c:" + std::to_string(n * 7) + ")<br/>";
    }
    cards += "</p>\n";
  }
  return "<wml><card>" + cards + "</card></wml>";
}

// A contents of links, then the sections they lead to.
std::string manualPage(std::size_t bytes) {
  std::string contents = "<p>", sections;
  for (int n = 1; sections.size() < bytes; ++n) {
    contents += "<a href=\"#s" + std::to_string(n) + "\">Section " + std::to_string(n) + "</a><br/>";
    sections += "<p id=\"s" + std::to_string(n) + "\"><b>Section " + std::to_string(n) +
                "</b><br/>The call returns the handle of stream " + std::to_string(n) +
                "; an error closes it, and the next call opens it again.</p>\n";
  }
  return "<wml><card>" + contents + "</p>" + sections + "</card></wml>";
}

void split(benchmark::State& state, const std::string& deck) {
  std::size_t parts = 0;
  for (auto _ : state)
    parts = tavro::decks::splitDeck(deck, "page", std::size_t(state.range(0))).parts.size();
  state.counters["parts"] = double(parts);
  state.counters["peak_rss_mb"] = tavro::bench::peakMegabytes();
}

void BM_SplitProse(benchmark::State& state) { split(state, prose(60000)); }
BENCHMARK(BM_SplitProse)->Arg(1400)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_SplitProgramOutput(benchmark::State& state) { split(state, programOutput(60000)); }
BENCHMARK(BM_SplitProgramOutput)->Arg(1400)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_SplitManualPage(benchmark::State& state) { split(state, manualPage(60000)); }
BENCHMARK(BM_SplitManualPage)->Arg(1400)->Arg(4000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
