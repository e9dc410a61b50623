#pragma once
// The picture readers behind readPicture. Each one decodes a whole file straight into grey
// rows, checks the declared size against the limits before allocating, and throws
// ImageFailure with the code that names what went wrong.

#include "images/imagecodecs.h"
#include "images/picture.h"

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <utility>

namespace tavro::images::detail {

enum class Format { Unknown, Png, Jpeg, Gif, Bmp, Wbmp, Svg };

/// The format the first bytes of a file announce (at least 8 bytes when the file has them; an
/// SVG document is told by its root element, after its prolog, in the first few KB).
Format sniffFormat(const unsigned char* head, std::size_t size);
/// Whether the text, after a byte order mark, white space, comments, processing instructions and
/// a document type, starts with an svg element.
bool looksLikeSvg(std::string_view head);

/// Owns a C stream; closes it on every way out.
class CFile {
public:
  explicit CFile(std::FILE* f = nullptr) noexcept : m_f(f) {}
  ~CFile() {
    if (m_f)
      std::fclose(m_f);
  }
  CFile(CFile&& other) noexcept : m_f(other.m_f) { other.m_f = nullptr; }
  CFile& operator=(CFile&& other) noexcept {
    std::swap(m_f, other.m_f);
    return *this;
  }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  std::FILE* get() const noexcept { return m_f; }

private:
  std::FILE* m_f;
};

/// A picture of that size with every pixel white, or ImageFailure 15 when the size is beyond
/// the limits or the memory cannot be had.
Picture allocatePicture(std::int64_t width, std::int64_t height);

// Each reader starts at the beginning of the stream.
// The readers that take `ready` tell it of each row as it is decoded, where rows come in
// order and need no turning afterwards.
Picture readPng(std::FILE* f, RowsReady* ready = nullptr);
Picture readJpeg(std::FILE* f, RowsReady* ready = nullptr);
Picture readGif(std::FILE* f);
Picture readBmp(std::FILE* f, std::uint64_t fileSize);
Picture readWbmp(std::FILE* f, std::uint64_t fileSize);
Picture readSvg(std::FILE* f, std::uint64_t fileSize);

} // namespace tavro::images::detail
