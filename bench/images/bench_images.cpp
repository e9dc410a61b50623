// Picture to WBMP: load + Floyd-Steinberg + WBMP write, with and without a 50% resize, on
// generated photo-like pictures (4000 x 3000 PNG and JPEG, 640 x 480, 100 x 80), and the
// peak memory of one conversion in a fresh process.
//
//   bench_images [--dir DIR] [google benchmark options]   times every case
//   bench_images --dir DIR --peak-memory                 peak resident memory per case
//   bench_images --dir DIR --generate                    only writes the pictures
//
// The pictures are written to DIR (default: a new folder under /tmp) unless already there.

#include "images/imagingcomponent.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace stdfs = std::filesystem;
using tavro::images::ImagingComponent;

struct Sample {
  const char* name;
  int width, height;
  bool jpeg;
  bool progressive = false;
};
// The progressive JPEG is there for its memory: libjpeg must hold every coefficient of a
// progressive file until the last scan, beyond the grey picture.
const Sample samples[] = {
    {"photo-4000x3000.jpg", 4000, 3000, true},
    {"photo-4000x3000.png", 4000, 3000, false},
    {"photo-640x480.jpg", 640, 480, true},
    {"photo-640x480.png", 640, 480, false},
    {"photo-100x80.jpg", 100, 80, true},
    {"photo-100x80.png", 100, 80, false},
    {"photo-4000x3000-progressive.jpg", 4000, 3000, true, true},
};

std::string g_dir;

// A photo-like picture: soft gradients, a few shaded discs, fine texture and sensor noise, so
// that neither compressor finds it trivial.
void photoRow(int width, int height, int y, std::mt19937& rng, std::vector<unsigned char>& rgb) {
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int x = 0; x < width; ++x) {
    double u = double(x) / width, v = double(y) / height;
    double r = 120 + 80 * std::sin(3.1 * u + 1.3 * v) + 30 * std::cos(17 * u * v);
    double g = 110 + 70 * std::cos(2.3 * v - 1.1 * u) + 20 * std::sin(29 * u);
    double b = 100 + 60 * std::sin(4.7 * (u + v));
    for (int k = 0; k < 5; ++k) {
      double cx = 0.15 + 0.17 * k, cy = 0.3 + 0.1 * (k % 3), rad = 0.08 + 0.02 * k;
      double d = std::hypot((u - cx) * width / height, v - cy);
      if (d < rad) {
        double shade = 1.0 - d / rad;
        r = r * 0.4 + 150 * shade;
        g = g * 0.4 + 90 * shade * (k % 2);
        b = b * 0.4 + 120 * (1 - shade);
      }
    }
    double texture = 10 * std::sin(x * 0.9) * std::sin(y * 0.7);
    auto clamp = [](double c) { return (unsigned char)(c < 0 ? 0 : c > 255 ? 255 : c); };
    rgb[std::size_t(x) * 3 + 0] = clamp(r + texture + noise(rng));
    rgb[std::size_t(x) * 3 + 1] = clamp(g + texture + noise(rng));
    rgb[std::size_t(x) * 3 + 2] = clamp(b + texture + noise(rng));
  }
}

void writeJpeg(const std::string& path, int width, int height, bool progressive) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  if (progressive)
    jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::mt19937 rng(42);
  std::vector<unsigned char> row(std::size_t(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    photoRow(width, height, int(cinfo.next_scanline), rng, row);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

void writePng(const std::string& path, int width, int height) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::mt19937 rng(42);
  std::vector<unsigned char> row(std::size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    photoRow(width, height, y, rng, row);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

void generate() {
  stdfs::create_directories(g_dir);
  for (const auto& s : samples) {
    std::string path = g_dir + "/" + s.name;
    if (stdfs::exists(path))
      continue;
    if (s.jpeg)
      writeJpeg(path, s.width, s.height, s.progressive);
    else
      writePng(path, s.width, s.height);
  }
}

// One conversion as the dialog's Save or the command line does it.
bool convert(const std::string& in, const std::string& out, bool halve) {
  ImagingComponent img;
  if (!img.LoadImage(in))
    return false;
  if (halve && !img.Resize(img.ImageWidth() / 2, img.ImageHeight() / 2, 1))
    return false;
  return img.ConvertToMonochrome(4, 128) && img.SaveImage(out, "wbmp", 0);
}

void BM_Convert(benchmark::State& state, const Sample* s, bool halve) {
  std::string in = g_dir + "/" + s->name, out = g_dir + "/out.wbmp";
  for (auto _ : state) {
    if (!convert(in, out, halve)) {
      state.SkipWithError("conversion failed");
      break;
    }
  }
  state.counters["Mpx/s"] =
      benchmark::Counter(double(s->width) * s->height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_DecodeOnly(benchmark::State& state, const Sample* s) {
  std::string in = g_dir + "/" + s->name;
  for (auto _ : state) {
    ImagingComponent img;
    if (!img.LoadImage(in)) {
      state.SkipWithError("load failed");
      break;
    }
    benchmark::DoNotOptimize(img.ImageWidth());
  }
}

// The peak resident memory of this process in MB. VmHWM belongs to the process image, so a
// freshly started process does not inherit its parent's peak (ru_maxrss does).
double ownPeakMb() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  char line[256];
  double kb = 0;
  while (f && std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1)
      break;
  if (f)
    std::fclose(f);
  return kb / 1024.0;
}

// Runs one conversion per case in a fresh process, which reports its own peak memory.
int peakMemory(const char* self) {
  std::printf("%-32s %-8s %12s %14s %8s\n", "picture", "resize", "peak MB", "limit MB", "");
  for (const auto& s : samples)
    for (bool halve : {false, true}) {
      std::string command = std::string("'") + self + "' --convert '" + g_dir + "/" + s.name + "' '" + g_dir +
                            "/mem.wbmp' " + (halve ? "1" : "0");
      std::FILE* child = ::popen(command.c_str(), "r");
      double peak = -1;
      if (!child || std::fscanf(child, "%lf", &peak) != 1)
        peak = -1;
      int status = child ? ::pclose(child) : -1;
      double limit = 2.0 * s.width * s.height / (1024.0 * 1024.0) + 20;
      const char* verdict = status != 0 || peak < 0 ? "FAILED" : peak <= limit ? "ok" : "OVER";
      std::printf("%-32s %-8s %12.1f %14.1f %8s\n", s.name, halve ? "50%" : "none", peak, limit, verdict);
    }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--convert") == 0) {
    bool ok = convert(argv[2], argv[3], std::strcmp(argv[4], "1") == 0);
    std::printf("%.1f\n", ownPeakMb());
    return ok ? 0 : 1;
  }

  std::vector<char*> rest;
  bool peak = false, generateOnly = false;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc)
      g_dir = argv[++i];
    else if (std::strcmp(argv[i], "--peak-memory") == 0)
      peak = true;
    else if (std::strcmp(argv[i], "--generate") == 0)
      generateOnly = true;
    else
      rest.push_back(argv[i]);
  }
  if (g_dir.empty()) {
    char pattern[] = "/tmp/tavro-bench-XXXXXX";
    g_dir = ::mkdtemp(pattern);
  }
  generate();
  if (generateOnly)
    return 0;
  if (peak) {
    std::error_code ec;
    return peakMemory(stdfs::read_symlink("/proc/self/exe", ec).c_str());
  }

  for (const auto& s : samples) {
    benchmark::RegisterBenchmark((std::string("DecodeOnly/") + s.name).c_str(), BM_DecodeOnly, &s)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("LoadFloydWbmp/") + s.name).c_str(), BM_Convert, &s, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("LoadHalveFloydWbmp/") + s.name).c_str(), BM_Convert, &s, true)
        ->Unit(benchmark::kMillisecond);
  }
  int n = int(rest.size());
  benchmark::Initialize(&n, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
