// SVG pictures, drawn by librsvg onto white at their own size (or their view box's, or a
// browser's 300 x 150 when they name neither), no side over kMaxSvgSide. The document is read
// from memory without a base address, so that librsvg loads nothing it refers to but data:
// URLs: no file beside or above it, and never the network.

#include "images/readers.h"

#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tavro::images::detail {

namespace {

// Drawing costs grow with the canvas, and a picture meant for a phone needs far less.
constexpr double kMaxSvgSide = 2048;

struct GObjectUnref {
  void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceDestroy {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDestroy {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

// Takes the error librsvg gave (when it gave one) and says what failed.
[[noreturn]] void failed(GError* error, const char* what) {
  std::string said = what;
  if (error) {
    said += std::string(": ") + error->message;
    g_error_free(error);
  }
  throw ImageFailure(codeBadData, said);
}

// Skips white space, comments, processing instructions and a document type declaration.
std::size_t skipProlog(std::string_view text, std::size_t at) {
  for (;;) {
    at = text.find_first_not_of(" \t\r\n", at);
    if (at == std::string_view::npos)
      return at;
    std::string_view end;
    if (text.compare(at, 4, "<!--") == 0)
      end = "-->";
    else if (text.compare(at, 2, "<?") == 0)
      end = "?>";
    else if (text.compare(at, 9, "<!DOCTYPE") == 0)
      end = ">";
    else
      return at;
    at = text.find(end, at);
    if (at == std::string_view::npos)
      return at;
    at += end.size();
  }
}

} // namespace

bool looksLikeSvg(std::string_view head) {
  std::size_t at = head.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
  at = skipProlog(head, at);
  if (at == std::string_view::npos || head.compare(at, 4, "<svg") != 0 || at + 4 >= head.size())
    return false;
  const char next = head[at + 4];
  return next == ' ' || next == '>' || next == '\t' || next == '\r' || next == '\n' || next == '/' || next == ':';
}

Picture readSvg(std::FILE* f, std::uint64_t fileSize) {
  std::string bytes(std::size_t(fileSize), '\0');
  if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
    throw ImageFailure(codeBadData, "the SVG document cannot be read");

  GError* error = nullptr;
  std::unique_ptr<RsvgHandle, GObjectUnref> handle(
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(bytes.data()), bytes.size(), &error));
  if (!handle)
    failed(error, "the SVG document does not load");
  rsvg_handle_set_dpi(handle.get(), 96);

  double width = 0, height = 0;
  if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height)) {
    gboolean hasWidth = false, hasHeight = false, hasViewBox = false;
    RsvgLength w, h;
    RsvgRectangle viewBox;
    rsvg_handle_get_intrinsic_dimensions(handle.get(), &hasWidth, &w, &hasHeight, &h, &hasViewBox, &viewBox);
    width = hasViewBox ? viewBox.width : 300;
    height = hasViewBox ? viewBox.height : 150;
  }
  if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0)
    throw ImageFailure(codeBadHeader, "the SVG document has no size to draw it at");
  const double scale = std::min(1.0, kMaxSvgSide / std::max(width, height));
  const int w = std::max(1, int(std::lround(width * scale)));
  const int h = std::max(1, int(std::lround(height * scale)));
  Picture picture = allocatePicture(w, h);

  std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw ImageFailure(codeCannotLoad, "no memory to draw the SVG document");
  {
    std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const RsvgRectangle viewport{0, 0, double(w), double(h)};
    if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error))
      failed(error, "the SVG document cannot be drawn");
  }
  cairo_surface_flush(surface.get());
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < h; ++y) {
    const unsigned char* row = data + std::ptrdiff_t(y) * stride;
    for (int x = 0; x < w; ++x) {
      std::uint32_t pixel;
      std::memcpy(&pixel, row + std::ptrdiff_t(x) * 4, 4); // 0x00RRGGBB in the machine's order
      picture.pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] =
          luma((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff);
    }
  }
  return picture;
}

} // namespace tavro::images::detail
