// The import road as the user runs it, against its floor, on pages of 100 KB, 1 MB and 8 MB:
// `tavro convert` and `tavro import` each in a process of their own, side by side with
// bench_floor (one gumbo parse, then libxml2's read, an identity XSLT transform and the
// writing of its result) on the same page. Generated pages are varied XHTML; when the corpus
// is there, a real documentation page is also repeated to 8 MB. Prints, per page, the median
// wall time and peak memory of each and their ratios to the floor, then how the time per KB
// grows.
//
//   build/bench/conversion/bench_import [runs]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

std::string generatedPage(std::size_t bytes) {
  std::string body;
  for (int n = 1; body.size() < bytes; ++n)
    body += block(n);
  return "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Bench</title></head><body>\n" + body +
         "</body></html>\n";
}

// A real page's body (or the whole of a page that is a fragment) repeated in one page of the
// given size.
std::string repeatedPage(const stdfs::path& source, std::size_t bytes) {
  std::ifstream in(source, std::ios::binary);
  std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (const auto open = body.find("<body"); open != std::string::npos)
    body.erase(0, body.find('>', open) + 1);
  if (const auto close = body.rfind("</body>"); close != std::string::npos)
    body.erase(close);
  std::string page = "<html><head><title>Documentation</title></head><body>\n";
  while (page.size() < bytes)
    page += body;
  return page + "</body></html>\n";
}

struct Run {
  double seconds = 0, megabytes = 0;
};

// One run of a program in a process of its own: its wall time and peak resident memory.
Run run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_import: %s failed\n", args[0].c_str());
    std::exit(1);
  }
  return {wall, double(usage.ru_maxrss) / 1024.0};
}

Run median(std::vector<Run> runs) {
  auto middle = [&](auto field) {
    std::vector<double> v;
    for (const auto& r : runs)
      v.push_back(r.*field);
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  return {middle(&Run::seconds), middle(&Run::megabytes)};
}

} // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string tavro = TAVRO_BINARY_DIR "/tavro";
  const std::string floor = (stdfs::path(argv[0]).parent_path() / "bench_floor").string();
  // The same floor linked with the tool's allocator and its settings, where the build has it.
  const std::string tunedFloor = (stdfs::path(argv[0]).parent_path() / "bench_floor_mimalloc").string();
  const bool haveTunedFloor = stdfs::exists(tunedFloor);
  const stdfs::path work = stdfs::temp_directory_path() / ("tavro-bench-" + std::to_string(::getpid()));
  stdfs::create_directories(work / "pages");
  stdfs::copy(stdfs::path(TAVRO_SOURCE_DIR) / "samples" / "pages" / "images", work / "pages" / "images");

  // The pages are made in a process of their own: a child forked later starts with the peak
  // memory of its parent, which must stay small for the figures to be the programs' own.
  struct Page {
    std::string label, path;
    std::size_t bytes = 0;
  };
  std::vector<Page> pages;
  for (std::size_t kb : {100, 1024, 8192})
    pages.push_back(
        {(kb < 1024 ? std::to_string(kb) + " KB" : std::to_string(kb / 1024) + " MB") + " generated", "", 0});
  const stdfs::path real =
      stdfs::path(TAVRO_SOURCE_DIR) / ".." / "shared" / "corpus" / "html" / "w3c-validator-docs-errors.html";
  if (stdfs::exists(real))
    pages.push_back({"8 MB documentation", "", 0});
  for (std::size_t i = 0; i < pages.size(); ++i)
    pages[i].path = (work / "pages" / ("page" + std::to_string(i) + ".html")).string();
  std::fflush(stdout);
  if (const pid_t maker = ::fork(); maker == 0) {
    const std::size_t sizes[] = {100, 1024, 8192};
    for (std::size_t i = 0; i < pages.size(); ++i)
      std::ofstream(pages[i].path, std::ios::binary)
          << (i < 3 ? generatedPage(sizes[i] * 1024) : repeatedPage(real, std::size_t(8192) * 1024));
    ::_exit(0);
  } else {
    ::waitpid(maker, nullptr, 0);
  }
  for (auto& page : pages)
    page.bytes = stdfs::file_size(page.path);

  std::printf("%-20s %17s %31s %31s\n", "page", "floor", "convert (ratio to the floor)", "import (ratio to the floor)");
  std::vector<double> perKb;
  std::vector<std::string> tunedLines;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const std::string& path = pages[i].path;
    std::vector<Run> floors, tunedFloors, converts, imports;
    for (int r = 0; r < runs; ++r) {
      const std::string project = (work / ("project" + std::to_string(r))).string();
      stdfs::remove_all(project);
      run({tavro, "project", "new", project, "Bench"});
      floors.push_back(run({floor, path, (work / "floor.out").string()}));
      if (haveTunedFloor)
        tunedFloors.push_back(run({tunedFloor, path, (work / "floor.out").string()}));
      converts.push_back(run({tavro, "convert", path, "-o", (work / "convert.wml").string()}));
      imports.push_back(run({tavro, "import", path, "--project", project, "--name", "bench"}));
    }
    const Run f = median(floors), c = median(converts), m = median(imports);
    std::printf("%-20s %6.3f s %5.0f MB   %6.3f s (%4.2f) %5.0f MB (%4.2f)   %6.3f s (%4.2f) %5.0f MB (%4.2f)\n",
                pages[i].label.c_str(), f.seconds, f.megabytes, c.seconds, c.seconds / f.seconds, c.megabytes,
                c.megabytes / f.megabytes, m.seconds, m.seconds / f.seconds, m.megabytes, m.megabytes / f.megabytes);
    if (i < 3)
      perKb.push_back(m.seconds / double(pages[i].bytes));
    if (haveTunedFloor) {
      const Run t = median(tunedFloors);
      char line[200];
      std::snprintf(line, sizeof line, "%-20s %6.3f s %5.0f MB   convert %4.2f, import %4.2f; memory %4.2f, %4.2f",
                    pages[i].label.c_str(), t.seconds, t.megabytes, c.seconds / t.seconds, m.seconds / t.seconds,
                    c.megabytes / t.megabytes, m.megabytes / t.megabytes);
      tunedLines.push_back(line);
    }
  }
  std::printf("growth of the import's time per KB: 1 MB / 100 KB = %.2f, 8 MB / 1 MB = %.2f\n", perKb[1] / perKb[0],
              perKb[2] / perKb[1]);
  if (haveTunedFloor) {
    std::printf("\nthe floor with the tool's allocator (mimalloc, memory kept committed), and the ratios to it:\n");
    for (const auto& line : tunedLines)
      std::printf("%s\n", line.c_str());
  }
  std::error_code ec;
  stdfs::remove_all(work, ec);
  return 0;
}
