#pragma once

#include <QTextFormat>

// What the RTF reader and writer agree on beyond Qt's own formats.
namespace RtfFormat {

// On an object character: the RTF group (picture or object) exactly as it was read. The writer
// puts it back byte for byte.
constexpr int RawGroupProperty = QTextFormat::UserProperty + 0x5254;

// On characters: hidden text (\v). It is shown, and written back hidden.
constexpr int HiddenProperty = QTextFormat::UserProperty + 0x5255;

// An object's result is shown as text after the object character, whose group keeps it too. On
// the object character: the result's text as read; on the result's characters: true. The writer
// leaves the result out while it is still the text the group holds.
constexpr int ResultTextProperty = QTextFormat::UserProperty + 0x5256;
constexpr int ResultRunProperty = QTextFormat::UserProperty + 0x5257;

// Lengths: 15 twips to the logical pixel.
constexpr double TwipsPerPixel = 15.0;

// Half-points and twips are clamped to these, so hostile files cannot ask for absurd layouts.
constexpr int MaxHalfPoints = 3276;
constexpr int MaxTwips = 31680;

} // namespace RtfFormat
