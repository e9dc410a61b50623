#pragma once
// The rich text a BrowserView draws: a document of the model written as the HTML subset that
// Qt's text view takes, with each element it draws numbered, so that what the user points at
// leads back to its element. Needs no widget.

#include "platform/html/node.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace tavro::qt {

// How the rich text names what it draws: text runs carry the tool tip "e<n>" (a span's title,
// the one per-run property the text view keeps at linear cost; anchor names cost it quadratic
// time), marks and links an address "tavro:<n>", pictures the name "tavro-img:<k>".
inline constexpr std::string_view elementPrefix = "e";
inline constexpr std::string_view linkScheme = "tavro:";
inline constexpr std::string_view pictureScheme = "tavro-img:";

/// Picture files larger than this are not shown.
inline constexpr qint64 maxPictureBytes = qint64(64) << 20;

/// The document as rich text. Each element drawn is appended to elements (its number is its
/// index); each local picture shown to pictures (its path, by the k of "tavro-img:<k>"), with
/// the number of its IMG in pictureOwners.
std::string writeRichText(const html::Document& doc, std::vector<html::ElementPtr>& elements,
                          std::vector<QString>& pictures, std::vector<int>& pictureOwners);

/// The number after a prefix ("tavro:12" -> 12), or -1.
int numberAfter(const QString& text, std::string_view prefix);

} // namespace tavro::qt
