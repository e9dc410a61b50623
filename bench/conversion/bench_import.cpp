// The whole import road (load, convert, preview, import) on generated pages of 20 KB to 1 MB,
// measured against its floor: one gumbo parse plus one libxslt identity transform of the same
// page. Prints, per size, the median of the runs, the time per KB, the ratio to the floor and
// the peak memory of a run in a fresh process.
//
//   build/bench/conversion/bench_import [runs]

#include "conversion/importengine.h"
#include "host/folderproject.h"
#include "htmlimport/browsertaming.h"
#include "htmlimport/modhtmlimport.h"
#include "platform/html/browser.h"
#include "platform/ui/consoleui.h"
#include "platform/xml/xsltemplate.h"
#include "util/allocator.h"

#include <gumbo.h>
#include <libxml/parser.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tavro;
namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// One block of varied, well-formed (XHTML-compatible) content: headings, text with inline
// formatting, lists, a table, links, pictures, a form, pre and a quotation.
std::string block(int n) {
  const std::string i = std::to_string(n);
  return "<h2>Section " + i +
         "</h2>\n"
         "<p>Ferries leave <b>every hour</b> from pier " +
         i +
         ". <i>Tickets</i> are sold on board; "
         "see <a href=\"page" +
         i +
         ".html\">the timetable</a> and <a href=\"#top\"><b>the top</b> of the page</a>.</p>\n"
         "<ul><li>Bicycles travel free.</li><li>Dogs <em>on a lead</em> are welcome.</li><li>Kiosk " +
         i +
         "</li></ul>\n"
         "<ol><li>Buy a ticket.</li><li>Board by the front ramp.</li></ol>\n"
         "<table border=\"1\"><tr><th>Route</th><th>First</th></tr>"
         "<tr><td>Pier " +
         i +
         "</td><td>06:00</td></tr><tr><td>Island</td><td><a href=\"x.html\">06:30</a></td></tr></table>\n"
         "<p><img src=\"images/sunset.png\" alt=\"Sunset\" width=\"96\" height=\"64\" /> "
         "<img src=\"images/tiles.bmp\" style=\"width:40px;height:24px\" /></p>\n"
         "<form action=\"book.cgi\"><p>Name: <input type=\"text\" name=\"who" +
         i +
         "\" size=\"20\" /> "
         "<select name=\"route\"><option value=\"a\">A</option><option value=\"b\">B</option></select></p></form>\n"
         "<pre>Pier 3      06:00\nIsland      06:20\n</pre>\n"
         "<blockquote cite=\"http://example.org/review\"><p>The best twenty minutes of my day.</p></blockquote>\n"
         "<div><span>Notes " +
         i + ":</span> <code>code</code> <sub>sub</sub> <h4>small heading</h4></div>\n";
}

std::string page(std::size_t bytes) {
  std::string body;
  for (int n = 1; body.size() < bytes; ++n)
    body += block(n);
  return "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Bench</title></head><body>\n" + body +
         "</body></html>\n";
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Seconds spent in each step of the road.
struct Steps {
  double load = 0, convert = 0, preview = 0, import = 0;
};

// The road the wizard takes, from the file to the project.
Steps road(const std::string& pagePath, const std::string& projectFolder) {
  Steps steps;
  auto t = Clock::now();
  auto lap = [&](double& into) {
    auto now = Clock::now();
    into = seconds(now - t);
    t = now;
  };
  auto project = host::FolderProject::open(projectFolder, "/tmp");
  html::Browser browser;
  htmlimport::BrowserTaming taming(browser);
  conversion::ImportEngine engine(browser, host::HostProjectRef(project));
  engine.LoadConversionResources();
  if (!htmlimport::LoadHtmlFile(pagePath, browser))
    throw std::runtime_error("cannot load " + pagePath);
  browser.Document()->body()->clearAttributes();
  lap(steps.load);
  if (engine.ConvertSource() != conversion::StepResult::Done)
    throw std::runtime_error("conversion failed");
  lap(steps.convert);
  if (engine.BuildPreview() != conversion::StepResult::Done)
    throw std::runtime_error("preview failed");
  lap(steps.preview);
  if (!engine.ImportIntoProject(projectFolder + "/bench.wml", "bench", true))
    throw std::runtime_error("import failed");
  lap(steps.import);
  return steps;
}

// The floor: one HTML5 parse and one XSLT identity transform (parse, apply, serialise).
void floorRun(const std::string& text, const xml::XslTemplate& identity) {
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;
  GumboOutput* out = gumbo_parse_with_options(&options, text.data(), text.size());
  gumbo_destroy_output(&options, out);
  xml::XmlDocument doc;
  if (!doc.loadXML(text) || !identity.transformToString(doc))
    throw std::runtime_error("identity transform failed");
}

long peakKilobytes(const std::string& pagePath, const std::string& projectFolder) {
  pid_t pid = ::fork();
  if (pid == 0) {
    try {
      road(pagePath, projectFolder);
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
  // As the command line tool and the stand-in host run.
  util::tuneAllocator();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  // The size message of large decks would only repeat itself here.
  std::FILE* quiet = std::fopen("/dev/null", "w");
  ui::installServices(std::make_shared<ui::ConsoleUi>(ui::vbYes, quiet));

  const stdfs::path work = stdfs::temp_directory_path() / ("tavro-bench-" + std::to_string(::getpid()));
  stdfs::create_directories(work / "pages");
  stdfs::copy(stdfs::path(TAVRO_SOURCE_DIR) / "samples" / "pages" / "images", work / "pages" / "images");
  host::FolderProject::create((work / "project").string(), "Bench", "/tmp");

  xml::XmlDocument identityDoc;
  identityDoc.loadXML("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                      "<xsl:template match=\"@*|node()\"><xsl:copy><xsl:apply-templates select=\"@*|node()\"/>"
                      "</xsl:copy></xsl:template></xsl:stylesheet>");
  xml::XslTemplate identity;
  identity.setStylesheet(identityDoc);

  std::printf("%-8s %10s %10s %12s %8s %10s\n", "page", "road (s)", "floor (s)", "road ms/KB", "ratio", "peak MB");
  std::vector<double> perKb;
  for (std::size_t kb : {20, 100, 200, 1024}) {
    const std::string text = page(kb * 1024);
    const std::string path = (work / "pages" / ("page" + std::to_string(kb) + ".html")).string();
    std::ofstream(path) << text;

    std::vector<double> roadTimes, floorTimes;
    Steps last;
    for (int r = 0; r < runs; ++r) {
      auto t0 = Clock::now();
      last = road(path, (work / "project").string());
      auto t1 = Clock::now();
      floorRun(text, identity);
      auto t2 = Clock::now();
      roadTimes.push_back(seconds(t1 - t0));
      floorTimes.push_back(seconds(t2 - t1));
    }
    const double roadS = median(roadTimes), floorS = median(floorTimes);
    const double msPerKb = roadS * 1000.0 / double(text.size() / 1024.0);
    perKb.push_back(msPerKb);
    std::printf("%-8s %10.3f %10.3f %12.3f %8.2f %10.1f\n", (std::to_string(kb) + " KB").c_str(), roadS, floorS,
                msPerKb, roadS / floorS, peakKilobytes(path, (work / "project").string()) / 1024.0);
    std::printf("         steps of the last run: load %.3f, convert %.3f, preview %.3f, import %.3f\n", last.load,
                last.convert, last.preview, last.import);
  }
  std::printf("growth: time per KB at 1 MB / at 100 KB = %.2f\n", perKb[3] / perKb[1]);
  std::error_code ec;
  stdfs::remove_all(work, ec);
  return 0;
}
