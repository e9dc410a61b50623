// The three conversion passes on a page of about 1 MB: HTMLIMPORT on the page held as XML,
// TIDYWML on its WML, WMLEXPORT on the tidy deck. Each stylesheet is compiled once; each
// input is parsed once, as the import loads it. Reports the median of repeated runs.
//
//   build/bench/stylesheets/bench_stylesheets [--benchmark_repetitions=N]

#include "platform/xml/xmldocument.h"
#include "platform/xml/xsltemplate.h"
#include "resources/resources.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tavro;

namespace {

constexpr std::size_t pageBytes = 1 << 20;

// One block of the page as the browser's body markup turns into XML: lower-case names, a tbody
// in every table, picture sizes in the browser's style text. Blocks differ in their numbers.
std::string block(int n) {
  const std::string i = std::to_string(n);
  return "<h2>Section " + i +
         "</h2>\n"
         "<p>Ferries leave <b>every hour</b> from pier " +
         i +
         ". <i>Tickets</i> are sold on board; see "
         "<a href=\"page" +
         i +
         ".html\">the timetable</a> and <a href=\"#top\"><b>the top</b> of the page</a>.</p>\n"
         "Loose text between blocks " +
         i +
         "\n"
         "<ul><li>Bicycles travel free.</li><li>Dogs <em>on a lead</em> are welcome.</li><li>Kiosk " +
         i +
         "</li></ul>\n"
         "<ol start=\"2\"><li>Buy a ticket.</li><li>Board by the <strong>front</strong> ramp.</li></ol>\n"
         "<dl><dt>Fare</dt><dd>Two crowns, <abbr>approx.</abbr> one euro</dd></dl>\n"
         "<table border=\"1\" id=\"t" +
         i +
         "\"><caption>Times</caption><tbody><tr><th>Route</th><th>First</th></tr>"
         "<tr><td>Pier " +
         i +
         "</td><td>06:00</td></tr>"
         "<tr><td><b>Island</b> north</td><td><a href=\"x.html\" title=\"More\">06:30</a></td></tr></tbody></table>\n"
         "<p><img src=\"file:///site/images/sunset.png\" alt=\"Sunset\" width=\"96\" height=\"64\" align=\"middle\"/> "
         "<img src=\"file:///site/images/tiles.bmp\" style=\"WIDTH: 40px; HEIGHT: 24px\"/></p>\n"
         "<a href=\"gallery.html\"><img src=\"file:///site/images/thumb.gif\" alt=\"Gallery\"/></a>\n"
         "<form action=\"book.cgi\"><p>Name: <input type=\"text\" name=\"who" +
         i +
         "\" size=\"20\"/> "
         "<input type=\"submit\" value=\"Go\"/> <select name=\"route\"><optgroup label=\"Day\">"
         "<option value=\"a\">A</option><option value=\"b\">B</option></optgroup></select></p></form>\n"
         "<pre>Pier 3      06:00\nIsland      06:20\nHarbour     06:45\n</pre>\n"
         "<blockquote cite=\"http://example.org/review\"><p>The best twenty minutes of my day.</p></blockquote>\n"
         "<p>As the captain says, <q>mind the gap</q>.<br/>Next line <sup>1</sup> <sub>2</sub></p>\n"
         "<!-- block " +
         i +
         " -->\n"
         "<div><span>Notes " +
         i +
         ":</span> <code>code</code> <font size=\"2\">small print</font> "
         "<h4>small heading</h4></div>\n";
}

std::string pageXml() {
  std::string body = "<body>\n";
  for (int n = 1; body.size() < pageBytes; ++n)
    body += block(n);
  return body + "</body>";
}

xml::XslTemplate compile(const char* type) {
  xml::XmlDocument sheet;
  if (!sheet.loadXML(resources::text(type, 101))) {
    std::fprintf(stderr, "%s does not parse\n", type);
    std::exit(1);
  }
  xml::XslTemplate stylesheet;
  stylesheet.setStylesheet(sheet);
  return stylesheet;
}

std::string apply(const xml::XslTemplate& stylesheet, const xml::XmlDocument& input) {
  auto out = stylesheet.transformToString(input);
  if (!out) {
    std::fprintf(stderr, "transformation failed: %s\n", stylesheet.lastError().c_str());
    std::exit(1);
  }
  return *out;
}

xml::XmlDocument load(const std::string& text, bool preserveWhiteSpace) {
  xml::XmlDocument doc;
  doc.setPreserveWhiteSpace(preserveWhiteSpace);
  if (!doc.loadXML(text)) {
    std::fprintf(stderr, "input does not parse: %s\n", doc.parseError().reason.c_str());
    std::exit(1);
  }
  return doc;
}

// The inputs of the three passes, built once: the page (white space kept, as it comes from the
// browser), the WML and the tidy WML (loaded as the import loads them).
struct Road {
  xml::XslTemplate import = compile("HTMLIMPORT");
  xml::XslTemplate tidy = compile("TIDYWML");
  xml::XslTemplate exportSheet = compile("WMLEXPORT");
  std::string page = pageXml();
  xml::XmlDocument pageDoc = load(page, true);
  std::string wml = apply(import, pageDoc);
  xml::XmlDocument wmlDoc = load(wml, false);
  std::string tidyWml = apply(tidy, wmlDoc);
  xml::XmlDocument tidyDoc = load(tidyWml, false);
};

const Road& road() {
  static const Road r;
  return r;
}

void report(benchmark::State& state, const xml::XmlDocument& input, std::size_t inputBytes) {
  state.counters["input_KB"] = double(inputBytes) / 1024;
  state.counters["elements"] = double(input.selectNodes("//*").size());
}

void HtmlImport(benchmark::State& state) {
  const Road& r = road();
  for (auto _ : state)
    benchmark::DoNotOptimize(apply(r.import, r.pageDoc));
  report(state, r.pageDoc, r.page.size());
}

void TidyWml(benchmark::State& state) {
  const Road& r = road();
  for (auto _ : state)
    benchmark::DoNotOptimize(apply(r.tidy, r.wmlDoc));
  report(state, r.wmlDoc, r.wml.size());
}

void WmlExport(benchmark::State& state) {
  const Road& r = road();
  for (auto _ : state)
    benchmark::DoNotOptimize(apply(r.exportSheet, r.tidyDoc));
  report(state, r.tidyDoc, r.tidyWml.size());
}

// One ordered list of many items (each item's number must not cost a walk over the others),
// and a list left open that holds a flat page of text and breaks after its one item.
void HtmlImportLongList(benchmark::State& state) {
  const Road& r = road();
  const bool open = state.range(1) != 0;
  std::string list = open ? "<body><ol><li>item</li>" : "<body><ol>";
  for (int i = 0; i < state.range(0); ++i)
    list += open ? "a line of text<br/>" : "<li>item</li>\n";
  xml::XmlDocument doc = load(list + "</ol></body>", true);
  for (auto _ : state)
    benchmark::DoNotOptimize(apply(r.import, doc));
  report(state, doc, list.size());
}

// A card whose content is one long run: the worst case for wrapping.
void TidyWmlOneLongRun(benchmark::State& state) {
  const Road& r = road();
  std::string card = "<wml><card>";
  for (int i = 0; i < state.range(0); ++i)
    card += i % 2 ? "<br/>" : "<b>x</b>";
  xml::XmlDocument doc = load(card + "</card></wml>", false);
  for (auto _ : state)
    benchmark::DoNotOptimize(apply(r.tidy, doc));
  report(state, doc, card.size());
}

} // namespace

BENCHMARK(HtmlImport)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(TidyWml)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(WmlExport)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(HtmlImportLongList)
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(TidyWmlOneLongRun)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
