// The rich text reader on what other clients send, and on what an attacker might.
#include "conversations/code_pages.h"
#include "conversations/rtf_reader.h"
#include "rich_text_rows.h"

#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

using testing::RunsOf;
using testing::TextOf;

struct TextRow
{
    const char* name;
    std::string rtf;
    std::string text; // UTF-8
};

std::ostream& operator<<(std::ostream& out, const TextRow& row)
{
    return out << row.name;
}

std::string Nested(std::size_t depth, const std::string& inner)
{
    return std::string(depth, '{') + inner + std::string(depth, '}');
}

const TextRow kTextRows[] = {
    {"plain_ascii", R"({\rtf1 Hello world})", "Hello world"},
    {"ansicpg1252_hex", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80})", "caf\u00e9 \u20ac"},
    {"raw_8bit_in_1251", "{\\rtf1\\ansi\\ansicpg1251 \xc0\xe1}", "\u0410\u0431"},
    {"mac_code_page", R"({\rtf1\mac \'8e})", "\u00e9"},
    {"unknown_code_page_stays_1252", R"({\rtf1\ansicpg99999 \'e9})", "\u00e9"},
    {"undefined_byte_of_1252", R"({\rtf1 a\'81b})", "a\ufffdb"},
    {"dbcs_932_hex_pair", R"({\rtf1\ansi\ansicpg932 \'82\'a0\'82\'a2})", "\u3042\u3044"},
    {"dbcs_932_lead_then_plain_trail", R"({\rtf1\ansicpg932 \'83A})", "\u30a2"},
    {"dbcs_lead_cut_by_control_word", R"({\rtf1\ansicpg932 \'82\par x})", "\ufffd\nx"},
    {"dbcs_lead_at_group_end", R"({\rtf1\ansicpg932 {\'82}x})", "\ufffdx"},
    {"dbcs_936_949_950_by_charset",
     R"({\rtf1{\fonttbl{\f0\fcharset134 A;}{\f1\fcharset129 B;}{\f2\fcharset136 C;}})"
     R"(\f0\'c4\'e3\f1\'b0\'a1\f2\'a4\'a4})",
     "\u4f60\uac00\u4e2d"},
    {"fcharset128_font_in_1252_document",
     R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fnil\fcharset0 Arial;}{\f1\fnil\fcharset128 G;}})"
     R"(\f1\'82\'a0\f0\'e9})",
     "\u3042\u00e9"},
    {"unicode_uc1_question_fallback", R"({\rtf1\uc1\u8364?x})", "\u20acx"},
    {"unicode_uc1_hex_fallback", R"({\rtf1\uc1\u233\'e9x})", "\u00e9x"},
    {"unicode_uc0_no_fallback", R"({\rtf1\uc0\u8364 x})", "\u20acx"},
    {"unicode_uc2_dbcs_fallback", R"({\rtf1\ansicpg932\uc2\u12354\'82\'a0z})", "\u3042z"},
    {"unicode_negative_is_plus_65536", R"({\rtf1\u-10179?\u-8704?})", "\U0001f600"},
    {"unicode_uc_scoped_to_group", R"({\rtf1{\uc2\u233 xy}\u233 xy})", "\u00e9\u00e9y"},
    {"fallback_ends_at_control_word", R"({\rtf1\u233\par x})", "\u00e9\nx"},
    {"field_shows_result_only",
     R"({\rtf1 see {\field{\*\fldinst{HYPERLINK "http://a.example/"}}{\fldrslt{here}}} ok})",
     "see here ok"},
    {"field_instruction_without_star", R"({\rtf1{\field{\fldinst HYPERLINK "x"}{\fldrslt link}}})",
     "link"},
    {"pict_skipped", R"({\rtf1 a{\pict\wmetafile8\picw10 0a0b0c{\*\blipuid ff}}b})", "ab"},
    {"object_skipped", R"({\rtf1 a{\object\objemb{\*\objdata 0102}{\result{x}}}b})", "ab"},
    {"bin_bytes_skipped_with_braces", "{\\rtf1 a{\\pict\\bin6 }}{{}{b}c}", "ac"},
    {"bin_in_text", "{\\rtf1 x\\bin3 \\}{y}", "xy"},
    {"bin_longer_than_input", "{\\rtf1 x\\bin99999999 abc", "x"},
    {"bin_negative_is_empty", "{\\rtf1 x\\bin-5 y}", "xy"},
    {"star_destination_skipped", R"({\rtf1 a{\*\generator Riched20;}{\*\unknown t}b})", "ab"},
    {"tables_and_info_not_shown",
     R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;}{\stylesheet{\s0 Normal;}})"
     R"({\info{\title T}{\author A}}Body})",
     "Body"},
    {"named_characters",
     R"({\rtf1\tab\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\~\-\_})",
     "\t\u2014\u2013\u2022\u2018\u2019\u201c\u201d\u00a0\u00ad\u2011"},
    {"escaped_symbols", R"({\rtf1 \\\{\}})", "\\{}"},
    {"source_line_ends_ignored", "{\\rtf1 ab\r\ncd\ne\rf}", "abcdef"},
    {"par_and_line", R"({\rtf1 a\line b\par c})", "a\nb\nc"},
    {"ends_with_par", R"({\rtf1 a\par })", "a\n"},
    {"backslash_newline_is_par", "{\\rtf1 a\\\nb}", "a\nb"},
    {"not_rtf_is_no_text", "Hello <bold>there</bold>", ""},
    {"empty_input", "", ""},
    {"missing_closing_braces", R"({\rtf1 {\b a)", "a"},
    {"text_after_document_ignored", R"({\rtf1 a}}} b)", "a"},
    {"nesting_below_cap_kept", "{\\rtf1 " + Nested(kRtfMaxDepth - 2, "in") + "out}", "inout"},
    {"nesting_past_cap_skipped", "{\\rtf1 " + Nested(200000, "in") + "out}", "out"},
    {"nesting_attack_unclosed", "{\\rtf1 a" + std::string(200000, '{') + "b", "a"},
    {"escaped_brace_inside_overflow", "{\\rtf1 " + Nested(2000, "\\}") + "out}", "out"},
    {"overlong_control_word", "{\\rtf1 \\" + std::string(100000, 'a') + " x}", "x"},
    {"hex_one_digit_and_bad", R"({\rtf1 \'4\'zz\'41})", "zzA"},
    {"nul_unicode_dropped", R"({\rtf1 a\u0?b})", "ab"},
};

class RtfText : public ::testing::TestWithParam<TextRow>
{
};

TEST_P(RtfText, Reads)
{
    const RtfDocument document = ParseRtf(GetParam().rtf);
    EXPECT_EQ(TextOf(document), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Samples, RtfText, ::testing::ValuesIn(kTextRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatRow
{
    const char* name;
    std::string rtf;
    std::string runs;
};

std::ostream& operator<<(std::ostream& out, const FormatRow& row)
{
    return out << row.name;
}

const std::string kTables = R"({\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}})"
                            R"({\colortbl ;\red255\green0\blue0;\red0\green0\blue255;})";

const FormatRow kFormatRows[] = {
    {"all_on_then_plain", "{\\rtf1" + kTables + R"(\f1\fs28\cf2\b\i\ul\strike x\plain y})",
     "x/b,i,u,s,f=Courier New,fs=28,c=0000ff y/"},
    {"zero_parameters_turn_off", R"({\rtf1\b\i\ul\strike a\b0\i0\ulnone\strike0 b})",
     "a/b,i,u,s b/"},
    {"ul_zero_and_variants", R"({\rtf1\uldb a\ul0 b\ulwave c})", "a/u b/ c/u"},
    {"group_restores_format", R"({\rtf1{\b a}b})", "a/b b/"},
    {"format_kept_across_par", R"({\rtf1\i a\par b})", "a/i | b/i"},
    {"colour_out_of_range", "{\\rtf1" + kTables + R"(\cf3 a\cf-1 b\cf1 c\cf0 d})",
     "ab/ c/c=ff0000 d/"},
    {"colour_table_without_auto_entry", R"({\rtf1{\colortbl\red1\green2\blue3;}\cf0 a})",
     "a/c=010203"},
    {"unknown_font_is_base", "{\\rtf1" + kTables + R"(\f7 a\f0 b})", "a/ b/f=Arial"},
    {"font_table_without_groups", R"({\rtf1{\fonttbl\f0 Arial;\f1 Times;}\f1 a})", "a/f=Times"},
    {"font_name_with_panose", R"({\rtf1{\fonttbl{\f0{\*\panose 0203}Times;}}\f0 a})", "a/f=Times"},
    {"font_name_in_unicode",
     R"({\rtf1{\fonttbl{\f0\uc1\u26032?\u32048?\u26126?\u-28647? \uc2\u20307??;}}\f0 a})",
     "a/f=\u65b0\u7d30\u660e\u9019 \u4f53"},
    {"size_clamped", R"({\rtf1\fs1 a\fs100000 b\fs0 c\fs99999999999999999 d})",
     "a/fs=2 b/fs=144 c/ d/fs=144"},
    {"adjacent_same_format_merges", R"({\rtf1\b a\b b})", "ab/b"},
};

class RtfFormat : public ::testing::TestWithParam<FormatRow>
{
};

TEST_P(RtfFormat, Reads)
{
    EXPECT_EQ(RunsOf(ParseRtf(GetParam().rtf)), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(Samples, RtfFormat, ::testing::ValuesIn(kFormatRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, VisibleText)
{
    const struct
    {
        const char* rtf;
        bool visible;
    } rows[] = {
        {R"({\rtf1 x})", true},          {R"({\rtf1 \par \tab \~ \u8203?})", false},
        {R"({\rtf1{\pict 00}})", false}, {"plain text", false},
        {R"({\rtf1 \u65533?})", true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseRtf(row.rtf).HasVisibleText(), row.visible) << row.rtf;
}

TEST(RtfReader, EightBitAsUtf8)
{
    const std::string rtf = "{\\rtf1 Gr\xc3\xbc\xc3\x9f\\u8364?\xe2\x82\xac}";
    EXPECT_EQ(TextOf(ParseRtf(rtf, RtfEightBit::Utf8)), "Gr\u00fc\u00df\u20ac\u20ac");
    EXPECT_EQ(TextOf(ParseRtf(rtf, RtfEightBit::CodePage)),
              "Gr\u00c3\u00bc\u00c3\u0178\u20ac\u00e2\u201a\u00ac");
    // The fallback of \uN is one character, also when it arrived as several UTF-8 bytes.
    EXPECT_EQ(TextOf(ParseRtf("{\\rtf1 \\u8364\xc3\xa9x}", RtfEightBit::Utf8)), "\u20acx");
}

struct ByteRow
{
    int codePage;
    unsigned char byte;
    char16_t expected;
};

TEST(CodePages, SingleBytes)
{
    const ByteRow rows[] = {
        {1252, 0xe9, 0x00e9}, {1252, 0x80, 0x20ac}, {1252, 0x9f, 0x0178}, {1252, 0x81, 0xfffd},
        {1250, 0x9a, 0x0161}, {1251, 0xc0, 0x0410}, {1253, 0xe1, 0x03b1}, {1255, 0xe0, 0x05d0},
        {437, 0x82, 0x00e9},  {874, 0xa1, 0x0e01},  {932, 0xb1, 0xff71},  {932, 0x82, 0xfffd},
        {4242, 0xe9, 0x00e9}, {1251, 0x41, u'A'},
    };
    for (const ByteRow& row : rows) {
        std::u16string out;
        DecodeByte(row.codePage, row.byte, out);
        EXPECT_EQ(out, std::u16string(1, row.expected)) << row.codePage << " " << int(row.byte);
    }
}

TEST(CodePages, Pairs)
{
    const struct
    {
        int codePage;
        unsigned char lead, trail;
        std::u16string expected; // empty: no such pair
    } rows[] = {
        {932, 0x82, 0xa0, u"\u3042"}, {932, 0x83, 0x41, u"\u30a2"}, {936, 0xc4, 0xe3, u"\u4f60"},
        {949, 0xb0, 0xa1, u"\uac00"}, {950, 0xa4, 0xa4, u"\u4e2d"}, {932, 0x82, 0x20, u""},
        {1252, 0xe9, 0xe9, u""},
    };
    for (int pass = 0; pass < 2; ++pass) { // the second pass reads the cached pairs
        for (const auto& row : rows) {
            std::u16string out;
            EXPECT_EQ(DecodePair(row.codePage, row.lead, row.trail, out), !row.expected.empty());
            EXPECT_EQ(out, row.expected) << row.codePage << " " << int(row.lead);
        }
    }
    EXPECT_TRUE(IsLeadByte(932, 0x82));
    EXPECT_FALSE(IsLeadByte(932, 0xa0));
    EXPECT_FALSE(IsLeadByte(1252, 0x82));
}

TEST(CodePages, EncodeCp1252)
{
    const struct
    {
        char16_t c;
        int byte; // -1: none
    } rows[] = {{u'a', 'a'},  {0x00e9, 0xe9}, {0x20ac, 0x80}, {0x0178, 0x9f},
                {0x0100, -1}, {0x263a, -1},   {0xfffd, -1},   {0x0081, -1}};
    for (const auto& row : rows) {
        const auto byte = EncodeCp1252(row.c);
        EXPECT_EQ(byte ? int(*byte) : -1, row.byte) << int(row.c);
    }
}

} // namespace
} // namespace zep::conversations
