// The browser view offscreen on generated pages of growing size: drawing a freshly opened page,
// and drawing it again after one change of its text (the view draws the whole document each
// time). The peak resident memory of the process is reported with each case.
//
//   QT_QPA_PLATFORM=offscreen bench_browserview [google benchmark options]

#include "bench/benchsupport.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"

#include "platform/qt/browserview.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <string>

namespace {

// A page of about kilobytes KB: paragraphs, a table and a list per section, as real pages mix them.
std::string writePage(const QTemporaryDir& dir, int kilobytes) {
  std::string page = "<html><body>";
  for (int section = 0; page.size() < std::size_t(kilobytes) * 1024; ++section) {
    page += "<h2>Section " + std::to_string(section) +
            "</h2><p>Ferries leave <b>Pier 3</b> every twenty minutes;"
            " <a href=\"x.html\">the timetable</a> lists the <i>first</i> and last departures.</p>"
            "<table border=\"1\"><tr><td>Pier 3</td><td>06:00</td></tr><tr><td>Island</td><td>06:20</td></tr></table>"
            "<ul><li>Bicycles travel free.</li><li>Dogs on a lead are welcome.</li></ul>"
            "<p><input type=\"radio\" name=\"r\"> choose</p>";
  }
  page += "</body></html>";
  const std::string path = dir.filePath(QString("page-%1.html").arg(kilobytes)).toStdString();
  std::ofstream(path, std::ios::binary) << page;
  return path;
}

// A generated page of the given size opened in a browser shown by a view.
struct OpenedPage {
  explicit OpenedPage(int kilobytes) : view(browser) {
    view.resize(600, 400);
    browser->Navigate(writePage(dir, kilobytes));
  }
  QTemporaryDir dir;
  std::shared_ptr<tavro::html::Browser> browser = std::make_shared<tavro::html::Browser>();
  tavro::qt::BrowserView view;
};

void DrawOpenedPage(benchmark::State& state) {
  OpenedPage page(int(state.range(0)));
  for (auto _ : state) {
    page.view.refresh();
    benchmark::DoNotOptimize(page.view.document()->characterCount());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * 1024);
  state.counters["peak_MB"] = tavro::bench::peakMegabytes();
}
BENCHMARK(DrawOpenedPage)->Arg(16)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void RedrawAfterOneChange(benchmark::State& state) {
  OpenedPage page(int(state.range(0)));
  page.view.refresh();
  auto heading = page.browser->Document()->getElementsByTagName("H2").front();
  int n = 0;
  for (auto _ : state) {
    heading->setInnerText("Section " + std::to_string(++n));
    QCoreApplication::processEvents();
  }
  state.counters["peak_MB"] = tavro::bench::peakMegabytes();
}
BENCHMARK(RedrawAfterOneChange)->Arg(16)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
