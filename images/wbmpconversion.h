#pragma once
// Turning one picture file into a WBMP file in a single call, for the import and the command
// line.

#include <cstdint>
#include <string>

namespace tavro::images {

/// The outcome of a conversion: ok, or the imaging code and the user's message for it.
struct ConversionResult {
  bool ok = false;
  std::int32_t code = 0;  // the component's LastError when not ok
  std::string message;    // the message for the code ("" when ok)
  std::int32_t width = 0; // size of the written picture when ok
  std::int32_t height = 0;
};

/// Options of a conversion beyond the defaults of the image dialog.
struct ConversionOptions {
  std::int32_t threshold = 128;
  std::int32_t dither = 0; // 0 none, 1 random, 2 matrix display, 3 matrix printing, 4 Floyd-Steinberg
  std::int32_t width = 0;  // 0 and 0: the picture's own size
  std::int32_t height = 0;
  bool widthInPercent = false; // width and height as percentages of the loaded picture's
  bool heightInPercent = false;
  bool keepRatio = false;
  /// When set, a picture wider than this after any resize is shrunk to it, its proportions
  /// kept: a phone's screen is about a hundred pixels wide, and a narrower picture stays.
  std::int32_t maxWidth = 0;
  std::string previewBmp; // when set, the result is also written there as a BMP
};

/**
 * Reads a PNG, JPEG, GIF, BMP, WBMP or SVG file (recognised by content), resizes it as the options
 * say (as the component's Resize, after loading), reduces it to black and white and writes a
 * real WBMP file at target, atomically: a failure leaves no target behind and an existing one
 * untouched; with a preview named, the result is also written there. Never throws for a bad
 * picture; the result says what failed.
 *
 *     auto r = images::convertToWbmpFile(page + "/logo.gif", project + "/images/logo.wbmp");
 *     if (!r.ok) warn(r.message);   // "Unrecognized file format." ...
 */
ConversionResult convertToWbmpFile(const std::string& source, const std::string& target,
                                   const ConversionOptions& options = {});

} // namespace tavro::images
