#include "rtfreaderwords.h"

#include <unordered_map>

namespace {

using Word = RtfWord;

const std::unordered_map<std::string_view, Word> &wordTable()
{
    static const std::unordered_map<std::string_view, Word> table = {
        {"par", Word::Par},
        {"row", Word::Par}, // a table row ends as a paragraph, its cells apart by tabs
        {"cell", Word::Cell},
        {"nestcell", Word::Cell},
        {"line", Word::Line},
        {"tab", Word::Tab},
        {"emdash", Word::EmDash},
        {"endash", Word::EnDash},
        {"bullet", Word::Bullet},
        {"lquote", Word::LQuote},
        {"rquote", Word::RQuote},
        {"ldblquote", Word::LDblQuote},
        {"rdblquote", Word::RDblQuote},
        {"emspace", Word::EmSpace},
        {"enspace", Word::EnSpace},
        {"qmspace", Word::QmSpace},
        {"zwj", Word::Zwj},
        {"zwnj", Word::Zwnj},
        {"chftn", Word::FootnoteMark},
        {"u", Word::U},
        {"uc", Word::Uc},
        {"bin", Word::Bin},
        {"pard", Word::Pard},
        {"plain", Word::Plain},
        {"b", Word::Bold},
        {"i", Word::Italic},
        {"ul", Word::Underline},
        {"uld", Word::Underline},
        {"uldb", Word::Underline},
        {"ulw", Word::Underline},
        {"ulth", Word::Underline},
        {"uldash", Word::Underline},
        {"ulwave", Word::Underline},
        {"ulnone", Word::UnderlineNone},
        {"strike", Word::Strike},
        {"striked", Word::Strike},
        {"f", Word::Font},
        {"fs", Word::FontSize},
        {"cf", Word::Foreground},
        {"cb", Word::Background},
        {"highlight", Word::Background},
        {"sub", Word::Sub},
        {"super", Word::Super},
        {"nosupersub", Word::NoSuperSub},
        {"v", Word::Hidden},
        {"fldrslt", Word::FieldResult},
        {"result", Word::ObjectResult},
        {"listtext", Word::ListText},
        {"pntext", Word::ListText},
        {"ql", Word::AlignLeft},
        {"qr", Word::AlignRight},
        {"qc", Word::AlignCentre},
        {"qj", Word::AlignJustify},
        {"li", Word::LeftIndent},
        {"ri", Word::RightIndent},
        {"fi", Word::FirstIndent},
        {"sb", Word::SpaceBefore},
        {"sa", Word::SpaceAfter},
        {"ansi", Word::Ansi},
        {"mac", Word::Mac},
        {"pc", Word::Pc},
        {"pca", Word::Pca},
        {"ansicpg", Word::AnsiCodePage},
        {"deff", Word::DefaultFont},
        {"fcharset", Word::FontCharset},
        {"red", Word::Red},
        {"green", Word::Green},
        {"blue", Word::Blue},
        {"fonttbl", Word::FontTable},
        {"colortbl", Word::ColourTable},
        {"pict", Word::Pict},
        {"object", Word::Object},
        {"shppict", Word::ShpPict},
        {"nonshppict", Word::NonShpPict},
        {"stylesheet", Word::SkipDestination},
        {"info", Word::SkipDestination},
        {"header", Word::SkipDestination},
        {"headerl", Word::SkipDestination},
        {"headerr", Word::SkipDestination},
        {"headerf", Word::SkipDestination},
        {"footer", Word::SkipDestination},
        {"footerl", Word::SkipDestination},
        {"footerr", Word::SkipDestination},
        {"footerf", Word::SkipDestination},
        {"footnote", Word::SkipDestination},
        {"fldinst", Word::SkipDestination},
        {"xe", Word::SkipDestination},
        {"tc", Word::SkipDestination},
        {"txe", Word::SkipDestination},
        {"rxe", Word::SkipDestination},
        {"filetbl", Word::SkipDestination},
        {"revtbl", Word::SkipDestination},
        {"listtable", Word::SkipDestination},
        {"listoverridetable", Word::SkipDestination},
        {"pn", Word::Numbering},
        {"nonesttables", Word::SkipDestination},
        {"annotation", Word::SkipDestination},
        {"atnid", Word::SkipDestination},
        {"atnauthor", Word::SkipDestination},
    };
    return table;
}

} // namespace

RtfWord rtfWord(std::string_view name)
{
    const auto &table = wordTable();
    const auto found = table.find(name);
    return found == table.end() ? RtfWord::Unknown : found->second;
}
