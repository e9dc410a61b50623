// Loading pages into the document model and converting them to XML, on ordinary and hostile
// markup. Targets: ordinary markup loads in linear time (under 1 s for 10 MB); 20,000 unclosed
// tags, 100,000 nested tags and 200,000 attributes on one tag each take under 1 s and under
// 50 MB more than an ordinary page of the same size; taming 100,000 scripts and converting
// 200,000 elements without XML names stay linear (under 2 s). peak_rss_mb is the process's
// peak so far.

#include "bench/benchsupport.h"
#include "htmlimport/browsertaming.h"
#include "platform/html/browser.h"
#include "platform/html/htmltoxml.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tavro::html;

namespace {

std::string ordinaryMarkup(std::size_t bytes) {
  std::string page = "<html><head><title>t</title></head><body>";
  while (page.size() < bytes)
    page += "<h2>Section</h2><p>Some <b>bold</b> and <a href=\"x.html\">linked</a> text &amp; more.</p>"
            "<table border=1><tr><td>cell</td><td><img src=\"pics/a.gif\" style=\"width:9px\"></td></tr></table>\n";
  return page + "</body></html>";
}

std::string repeated(const std::string& piece, int times) {
  std::string out;
  out.reserve(piece.size() * std::size_t(times));
  for (int i = 0; i < times; ++i)
    out += piece;
  return out;
}

void parsePage(benchmark::State& state, const std::string& markup) {
  for (auto _ : state) {
    auto doc = Document::parse(markup, "file:///tmp/page.html");
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(markup.size()));
  state.counters["peak_rss_mb"] = tavro::bench::peakMegabytes();
}

void BM_ParseOrdinary(benchmark::State& state) { parsePage(state, ordinaryMarkup(std::size_t(state.range(0)) << 20)); }
BENCHMARK(BM_ParseOrdinary)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_ParseUnclosedDivs(benchmark::State& state) { parsePage(state, repeated("<div>", int(state.range(0)))); }
BENCHMARK(BM_ParseUnclosedDivs)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ParseNestedClosed(benchmark::State& state) {
  int n = int(state.range(0));
  parsePage(state, repeated("<div>", n) + "x" + repeated("</div>", n));
}
BENCHMARK(BM_ParseNestedClosed)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ParseManyAttributes(benchmark::State& state) {
  std::string tag = "<p";
  for (int i = 0; i < state.range(0); ++i)
    tag += " a" + std::to_string(i) + "=x";
  parsePage(state, tag + ">text</p>");
}
BENCHMARK(BM_ParseManyAttributes)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_ParseCorpusEvil(benchmark::State& state) {
  std::ifstream in(std::filesystem::path(TAVRO_SHARED_DIR) / "corpus/html/tidy-evil-65536-nested-b.html",
                   std::ios::binary);
  if (!in) {
    state.SkipWithError("corpus absent");
    return;
  }
  std::ostringstream s;
  s << in.rdbuf();
  parsePage(state, s.str());
}
BENCHMARK(BM_ParseCorpusEvil)->Unit(benchmark::kMillisecond);

void BM_BodyToXml(benchmark::State& state) {
  auto doc = Document::parse(ordinaryMarkup(std::size_t(state.range(0)) << 20), "file:///tmp/page.html");
  std::string markup = doc->body()->innerHTML();
  for (auto _ : state) {
    auto xml = htmlToXml(markup, doc->url());
    benchmark::DoNotOptimize(xml);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(markup.size()));
  state.counters["peak_rss_mb"] = tavro::bench::peakMegabytes();
}
BENCHMARK(BM_BodyToXml)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_SerialiseBody(benchmark::State& state) {
  auto doc = Document::parse(ordinaryMarkup(std::size_t(state.range(0)) << 20), "file:///tmp/page.html");
  for (auto _ : state) {
    std::string markup = doc->body()->innerHTML();
    benchmark::DoNotOptimize(markup);
  }
}
BENCHMARK(BM_SerialiseBody)->Arg(4)->Unit(benchmark::kMillisecond);

// Taming a page that is nothing but scripts: each removal must not cost a pass over the rest.
void BM_TameManyScripts(benchmark::State& state) {
  std::string path = (std::filesystem::temp_directory_path() / "tavro-bench-scripts.html").string();
  std::ofstream(path) << "<body>" + repeated("<script>x()</script><p>t</p>", int(state.range(0)));
  Browser browser;
  tavro::htmlimport::BrowserTaming taming(browser);
  for (auto _ : state) {
    if (!browser.Navigate(path))
      state.SkipWithError("navigate failed");
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_TameManyScripts)->Arg(100000)->Unit(benchmark::kMillisecond);

// Elements without XML names give their text to the parent: 200,000 pieces in one element.
void BM_XmlManyUnnamedElements(benchmark::State& state) {
  std::string markup = repeated("<o:p>some text here</o:p>", int(state.range(0)));
  for (auto _ : state) {
    auto xml = htmlToXml(markup);
    benchmark::DoNotOptimize(xml);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(markup.size()));
}
BENCHMARK(BM_XmlManyUnnamedElements)->Arg(200000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
