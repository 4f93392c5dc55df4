#include "addin/faces.h"

#include <cstring>

namespace zep::addin {
namespace {

constexpr int kSize = 16;

// Drawn as text, one character per pixel: '.' is transparent, the others are palette colours.
struct Drawing
{
    int id;
    const char* rows[kSize];
};

std::uint32_t Colour(char c)
{
    switch (c) {
    case 'k':
        return 0xFF202020; // outline
    case 'w':
        return 0xFFFFFFFF;
    case 'b':
        return 0xFF2F6FC0; // the messenger's blue
    case 'y':
        return 0xFFF2C230;
    case 'g':
        return 0xFF3C9A3C;
    case 's':
        return 0xFFB8B8B8;
    default:
        return 0x00000000;
    }
}

constexpr Drawing kDrawings[] = {
    {face::InstantMessage,
     {"................", ".kkkkkkkkkkkkk..", "kbbbbbbbbbbbbbk.", "kbwwwwwwwwwwwbk.",
      "kbwkkkkkkkkwwbk.", "kbwwwwwwwwwwwbk.", "kbwkkkkkkwwwwbk.", "kbwwwwwwwwwwwbk.",
      "kbbbbbbbbbbbbbk.", ".kkkkbbkkkkkkk..", "....kbk.........", "...kbk..........",
      "...kk...........", "................", "................", "................"}},
    {face::SmsMessage,
     {"....kkkkkkk.....", "....kssssk......", "...kkkkkkkkk....", "...kgggggggk....",
      "...kgwwwwwgk....", "...kgwkkkwgk....", "...kgwwwwwgk....", "...kgggggggk....",
      "...kskskskk.....", "...kkkkkkkkk....", "...kskskskk.....", "...kkkkkkkkk....",
      "...kskskskk.....", "...kkkkkkkkk....", "................", "................"}},
    {face::PagerMessage,
     {"................", "................", "................", ".kkkkkkkkkkkkkk.",
      ".ksssssssssssssk", ".kskkkkkkkkkssk.", ".kskgggggggkssk.", ".kskgwkwkwgkssk.",
      ".kskgggggggkssk.", ".kskkkkkkkkkssk.", ".ksssskksskksssk", ".kkkkkkkkkkkkkk.",
      "................", "................", "................", "................"}},
    {face::Send,
     {"................", "................", "........k.......", "........kk......",
      "........kyk.....", "kkkkkkkkkyyk....", "kyyyyyyyyyyyk...", "kyyyyyyyyyyyyk..",
      "kyyyyyyyyyyyk...", "kkkkkkkkkyyk....", "........kyk.....", "........kk......",
      "........k.......", "................", "................", "................"}},
    {face::EmailMessage,
     {"................", "................", "................", "kkkkkkkkkkkkkkkk",
      "kwkwwwwwwwwwwkwk", "kwwkwwwwwwwwkwwk", "kwwwkwwwwwwkwwwk", "kwwwwkwwwwkwwwwk",
      "kwwwwwkwwkwwwwwk", "kwwwwkwkkwkwwwwk", "kwwwkwwwwwwkwwwk", "kwwkwwwwwwwwkwwk",
      "kkkkkkkkkkkkkkkk", "................", "................", "................"}},
};

} // namespace

std::optional<FaceImage> LoadFace(int id)
{
    for (const Drawing& drawing : kDrawings) {
        if (drawing.id != id)
            continue;
        FaceImage image;
        image.width = kSize;
        image.height = kSize;
        image.pixels.reserve(kSize * kSize);
        for (const char* row : drawing.rows) {
            const std::size_t length = std::strlen(row);
            for (int x = 0; x < kSize; ++x)
                image.pixels.push_back(Colour(static_cast<std::size_t>(x) < length ? row[x] : '.'));
        }
        return image;
    }
    return std::nullopt;
}

} // namespace zep::addin
