#include "images/imagingcomponent.h"

#include "images/dither.h"
#include "images/imagecodecs.h"
#include "images/resize.h"

#include "util/text.h"

#include <atomic>
#include <optional>
#include <system_error>
#include <thread>

namespace tavro::images {

namespace {

// Reduces the rows of a picture being read as the reader tells of them, on a thread of its own.
class ReducingRows final : public RowsReady {
public:
  ReducingRows(Dither dither, int threshold) : m_dither(dither), m_threshold(threshold) {}

  void rowsReady(std::uint8_t* pixels, std::int32_t width, std::int32_t height, std::int32_t rows) override {
    if (m_ready.load(std::memory_order_relaxed) == 0) {
      m_pixels = pixels;
      m_width = width;
      m_height = height;
    }
    m_ready.store(rows, std::memory_order_release);
    m_ready.notify_one();
  }

  void abandon() override {
    m_ready.store(abandoned, std::memory_order_release);
    m_ready.notify_one();
    finish();
  }

  void start() {
    m_worker = std::thread([this] { run(); });
  }
  void finish() {
    if (m_worker.joinable())
      m_worker.join();
  }
  ~ReducingRows() override { abandon(); }

  /// Whether every row was reduced (false when the reduction could not get its memory).
  bool reducedAll() const { return m_done == m_height && m_height > 0; }

private:
  static constexpr std::int32_t abandoned = -1;

  void run() {
    std::optional<RowReducer> reducer;
    for (;;) {
      const std::int32_t ready = m_ready.load(std::memory_order_acquire);
      if (ready == abandoned)
        return;
      if (ready == m_done) {
        m_ready.wait(ready, std::memory_order_acquire);
        continue;
      }
      if (!reducer) {
        try {
          reducer.emplace(m_dither, m_threshold, m_width);
        } catch (const std::bad_alloc&) {
          return; // the caller reduces the picture once it is read, and reports the failure
        }
      }
      reducer->reduce(m_pixels, m_done, ready);
      m_done = ready;
      if (m_done == m_height)
        return;
    }
  }

  const Dither m_dither;
  const int m_threshold;
  std::atomic<std::int32_t> m_ready{0};
  std::uint8_t* m_pixels = nullptr;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
  std::int32_t m_done = 0; // the worker's own until it is joined
  std::thread m_worker;
};

} // namespace

bool ImagingComponent::fail(std::int32_t code) {
  m_lastError = code;
  return false;
}

bool ImagingComponent::succeed() {
  m_lastError = 0;
  return true;
}

bool ImagingComponent::LoadImage(const std::string& path, const std::string&) {
  try {
    // The old picture goes first, so that two pictures are never held at once.
    m_picture = Picture();
    m_picture = readPicture(path);
    return succeed();
  } catch (const ImageFailure& e) {
    return fail(e.code());
  } catch (const std::bad_alloc&) {
    return fail(codeCannotLoad);
  }
}

bool ImagingComponent::SaveImage(const std::string& path, const std::string& format, std::int32_t) {
  const std::string f = util::toLower(format);
  if (f != "wbmp" && f != "bmp")
    return fail(codeCannotSave);
  if (m_picture.empty())
    return fail(codeNoImageToSave);
  try {
    writePicture(m_picture, path, f == "wbmp" ? SaveFormat::Wbmp : SaveFormat::Bmp);
    return succeed();
  } catch (const ImageFailure& e) {
    return fail(e.code());
  }
}

bool ImagingComponent::ConvertToMonochrome(std::int32_t dither, std::int32_t threshold) {
  if (m_picture.empty())
    return fail(codeNoImage);
  if (dither < 0 || dither > 4 || threshold < 0 || threshold > 255)
    return fail(codeConvertArgument);
  try {
    reduceToMonochrome(m_picture, Dither(dither), threshold);
    return succeed();
  } catch (const std::bad_alloc&) {
    return fail(codeConvertMemory);
  }
}

bool ImagingComponent::LoadAsMonochrome(const std::string& path, std::int32_t dither, std::int32_t threshold) {
  auto serially = [&] { return LoadImage(path) && ConvertToMonochrome(dither, threshold); };
  if (dither < 0 || dither > 4 || threshold < 0 || threshold > 255)
    return serially(); // the load's codes come before the conversion's
  m_picture = Picture();
  ReducingRows rows(Dither(dither), threshold);
  try {
    rows.start();
  } catch (const std::system_error&) {
    return serially();
  }
  try {
    m_picture = readPicture(path, &rows);
  } catch (const ImageFailure& e) {
    return fail(e.code()); // the reader stopped the worker before it freed the rows
  } catch (const std::bad_alloc&) {
    return fail(codeCannotLoad);
  }
  rows.finish();
  if (!rows.reducedAll())
    return ConvertToMonochrome(dither, threshold);
  m_picture.monochrome = true;
  return succeed();
}

bool ImagingComponent::Resize(std::int32_t width, std::int32_t height, std::int32_t mode) {
  if (m_picture.empty())
    return fail(codeNoImage);
  if (mode != 0 && mode != 1)
    return fail(codeTransform);
  try {
    auto [w, h] = resizedSize(m_picture.width, m_picture.height, width, height, ResizeMode(mode));
    if (w != m_picture.width || h != m_picture.height)
      m_picture = resample(m_picture, w, h);
    return succeed();
  } catch (const ImageFailure& e) {
    return fail(e.code());
  }
}

bool ImagingComponent::Refresh() {
  if (m_picture.empty())
    return fail(codeNoImage);
  return succeed();
}

} // namespace tavro::images
