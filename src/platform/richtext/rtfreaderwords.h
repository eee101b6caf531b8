#pragma once

#include <QtGlobal>

#include <string_view>

// The control words the reader acts on. Words not in the table are ignored.
enum class RtfWord : quint8 {
    Unknown,
    // text
    Par,
    Line,
    Cell,
    Tab,
    EmDash,
    EnDash,
    Bullet,
    LQuote,
    RQuote,
    LDblQuote,
    RDblQuote,
    EmSpace,
    EnSpace,
    QmSpace,
    Zwj,
    Zwnj,
    FootnoteMark,
    U,
    Uc,
    Bin,
    // resets
    Pard,
    Plain,
    // character
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Font,
    FontSize,
    Foreground,
    Background,
    Sub,
    Super,
    NoSuperSub,
    Hidden,
    // paragraph
    AlignLeft,
    AlignRight,
    AlignCentre,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    // header and tables
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    FontCharset,
    Red,
    Green,
    Blue,
    FontTable,
    ColourTable,
    // groups kept byte for byte
    Pict,
    Object,
    ShpPict,
    NonShpPict,
    // read though starred
    FieldResult,
    ObjectResult,
    ListText,
    Numbering,
    // groups skipped
    SkipDestination,
};

// The word named name (letters only), Unknown when the reader does not know it.
RtfWord rtfWord(std::string_view name);
