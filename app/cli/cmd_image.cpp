// tavro image: converts pictures to 1-bit WBMP files, one or many.

#include "app/cli/command.h"
#include "util/parallel.h"

#include "images/wbmpconversion.h"
#include "platform/fs/filesystem.h"

#include <cstdio>
#include <map>
#include <regex>
#include <set>

namespace tavro::cli {
namespace {

struct ImageOptions {
  std::vector<std::string> inputs;
  std::string output;
  std::string outputDir;
  int threshold = 128;
  std::string dither = "none";
  std::string width;
  std::string height;
  bool keepRatio = false;
  int maxWidth = 0;
  std::string preview;
  int jobs = util::defaultJobs();
};

const std::map<std::string, int>& ditherCodes() {
  static const std::map<std::string, int> codes = {
      {"none", 0}, {"random", 1}, {"matrix-display", 2}, {"matrix-printing", 3}, {"floyd", 4}};
  return codes;
}

// "N" pixels or "N%" of the picture's own size.
void parseSize(const std::string& text, std::int32_t& value, bool& percent) {
  if (text.empty())
    return;
  static const std::regex pattern("([0-9]{1,9})(%?)");
  std::smatch m;
  if (!std::regex_match(text, m, pattern))
    throw CLI::ValidationError("size", "'" + text + "' is not N or N%");
  value = std::int32_t(std::stol(m[1].str()));
  percent = m[2].length() > 0;
}

int run(const ImageOptions& o) {
  if (o.inputs.size() > 1 && !o.output.empty())
    throw CLI::ValidationError("-o", "-o names one output; use -d OUTDIR for several inputs");
  if (o.inputs.size() > 1 && !o.preview.empty())
    throw CLI::ValidationError("--preview", "--preview takes one input");
  if (!o.output.empty() && !o.outputDir.empty())
    throw CLI::ValidationError("-o", "give -o or -d, not both");
  if (!o.outputDir.empty() && !fs::folderExists(o.outputDir))
    throw UserError("output folder '" + o.outputDir + "' does not exist");

  images::ConversionOptions options;
  options.threshold = o.threshold;
  options.dither = ditherCodes().at(o.dither);
  parseSize(o.width, options.width, options.widthInPercent);
  parseSize(o.height, options.height, options.heightInPercent);
  options.keepRatio = o.keepRatio;
  options.maxWidth = o.maxWidth;
  options.previewBmp = o.preview;

  // Targets first, in input order, so clashes are found the same way on any number of threads.
  struct Job {
    std::string out;
    std::string error;
    images::ConversionResult result;
  };
  std::vector<Job> jobs(o.inputs.size());
  std::set<std::string> written;
  for (std::size_t i = 0; i < o.inputs.size(); ++i) {
    const std::string& in = o.inputs[i];
    std::string out = o.output;
    if (out.empty()) {
      std::string folder = o.outputDir.empty() ? fs::getParentFolderName(in) : o.outputDir;
      out = fs::joinPath(folder.empty() ? "." : folder, fs::getBaseName(in) + ".wbmp");
    }
    jobs[i].out = out;
    if (fs::getAbsolutePathName(out) == fs::getAbsolutePathName(in))
      jobs[i].error = "the output would replace the input; give -o or -d";
    else if (!written.insert(fs::getAbsolutePathName(out)).second)
      jobs[i].error = "another input has already been written to '" + out + "'";
  }

  {
    ProgressLine progress(o.inputs.size());
    util::forEachParallel(o.inputs.size(), o.jobs, [&](std::size_t i, std::size_t) {
      if (jobs[i].error.empty()) {
        jobs[i].result = images::convertToWbmpFile(o.inputs[i], jobs[i].out, options);
        if (!jobs[i].result.ok)
          jobs[i].error = jobs[i].result.message;
      }
      progress.finished(fs::getFileName(o.inputs[i]));
    });
  }

  return reportBatch(o.inputs.size(), [&](std::size_t i) -> std::string {
    if (!jobs[i].error.empty())
      return o.inputs[i] + ": " + jobs[i].error;
    std::printf("%s -> %s (%d x %d)\n", o.inputs[i].c_str(), jobs[i].out.c_str(), jobs[i].result.width,
                jobs[i].result.height);
    return {};
  });
}

Registrar image(HelpPlace::Image, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ImageOptions>();
  auto* cmd = app.add_subcommand("image", "Convert pictures (PNG, JPEG, GIF, BMP, WBMP, SVG) to 1-bit WBMP files");
  cmd->add_option("IN", options->inputs, "Pictures to convert")->required();
  cmd->add_option("-o,--output", options->output, "The WBMP file to write (one input; default: IN's name with .wbmp)");
  cmd->add_option("-d,--output-dir", options->outputDir, "Folder for the WBMP files of several inputs");
  cmd->add_option("--threshold", options->threshold, "Grey level from which a pixel is white (0-255)")
      ->check(CLI::Range(0, 255));
  cmd->add_option("--dither", options->dither, "none, random, matrix-display, matrix-printing or floyd")
      ->check(CLI::IsMember({"none", "random", "matrix-display", "matrix-printing", "floyd"}));
  cmd->add_option("--width", options->width, "New width in pixels (N) or percent (N%)");
  cmd->add_option("--height", options->height, "New height in pixels (N) or percent (N%)");
  cmd->add_flag("--keep-ratio", options->keepRatio, "Keep the proportions within the width and height given");
  cmd->add_option("--max-width", options->maxWidth,
                  "Shrink pictures wider than this many pixels to it, keeping their proportions (a phone: ~100)")
      ->check(CLI::Range(1, 100000));
  cmd->add_option("--preview", options->preview, "Also write the result as a BMP file (one input)");
  addJobsOption(cmd, options->jobs, "pictures converted");
  cmd->callback([options, exitCode] { *exitCode = run(*options); });
});

} // namespace
} // namespace tavro::cli
