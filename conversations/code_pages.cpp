#include "conversations/code_pages.h"

#include <array>
#include <iconv.h>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zep::conversations {

namespace {

constexpr char16_t kReplacement = 0xfffd;
// Pair cache entries: not yet asked, and asked but not a character of the page.
constexpr char16_t kPairUnknown = 0;
constexpr char16_t kPairInvalid = 1;

const char* IconvName(int codePage)
{
    switch (codePage) {
    case 437:
        return "CP437";
    case 850:
        return "CP850";
    case 874:
        return "CP874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1250:
        return "CP1250";
    case 1251:
        return "CP1251";
    case 1252:
        return "CP1252";
    case 1253:
        return "CP1253";
    case 1254:
        return "CP1254";
    case 1255:
        return "CP1255";
    case 1256:
        return "CP1256";
    case 1257:
        return "CP1257";
    case 1258:
        return "CP1258";
    case 1361:
        return "JOHAB";
    case 10000:
        return "MACINTOSH";
    default:
        return nullptr;
    }
}

bool IsDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
           codePage == 1361;
}

// One page: its descriptor, the characters of single bytes, and for double-byte pages the
// pairs asked so far (a message repeats the same few characters, iconv is slow per call).
struct Page
{
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    std::array<char16_t, 256> bytes{};
    std::vector<char16_t> pairs;

    Page() = default;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;
    ~Page()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool Usable() const { return cd != reinterpret_cast<iconv_t>(-1); }

    // Units written to `out` (at most 2), or 0 when the bytes are no complete character.
    int Convert(const unsigned char* in, std::size_t length, char16_t out[2])
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* src = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
        std::size_t srcLeft = length;
        unsigned char buffer[8];
        char* dst = reinterpret_cast<char*>(buffer);
        std::size_t dstLeft = sizeof buffer;
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
            srcLeft != 0)
            return 0;
        // 1255 and 1258 hold a base letter back, waiting for a combining mark.
        if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1))
            return 0;
        const std::size_t units = (sizeof buffer - dstLeft) / 2;
        if (units == 0 || units > 2)
            return 0;
        for (std::size_t i = 0; i < units; ++i)
            out[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
        return static_cast<int>(units);
    }
};

class PageCache
{
public:
    // Null when iconv does not know the page.
    Page* Get(int codePage)
    {
        auto it = pages_.find(codePage);
        if (it != pages_.end())
            return it->second.get();
        std::unique_ptr<Page> page;
        if (const char* name = IconvName(codePage)) {
            page = std::make_unique<Page>();
            page->cd = iconv_open("UTF-16LE", name);
            if (page->Usable())
                Fill(*page, codePage);
            else
                page.reset();
        }
        Page* raw = page.get();
        pages_.emplace(codePage, std::move(page));
        return raw;
    }

private:
    static void Fill(Page& page, int codePage)
    {
        for (int b = 0; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            char16_t out[2];
            page.bytes[b] = (!IsLeadByte(codePage, byte) && page.Convert(&byte, 1, out) == 1)
                                ? out[0]
                                : kReplacement;
        }
        if (IsDoubleByte(codePage))
            page.pairs.assign(65536, kPairUnknown);
    }

    std::unordered_map<int, std::unique_ptr<Page>> pages_;
};

// iconv descriptors are not shared between threads, so each thread keeps its own.
PageCache& Cache()
{
    thread_local PageCache cache;
    return cache;
}

Page* PageOrAnsi(int codePage)
{
    Page* page = Cache().Get(codePage);
    return page ? page : Cache().Get(kCodePageAnsi);
}

} // namespace

int CodePageForCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0;
    }
}

bool IsKnownCodePage(int codePage)
{
    return IconvName(codePage) != nullptr && Cache().Get(codePage) != nullptr;
}

bool IsLeadByte(int codePage, unsigned char byte)
{
    switch (codePage) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xfe;
    case 1361:
        return (byte >= 0x84 && byte <= 0xd3) || (byte >= 0xd8 && byte <= 0xde) ||
               (byte >= 0xe0 && byte <= 0xf9);
    default:
        return false;
    }
}

void DecodeByte(int codePage, unsigned char byte, std::u16string& out)
{
    if (byte < 0x80) {
        out.push_back(byte);
        return;
    }
    Page* page = PageOrAnsi(codePage);
    out.push_back(page ? page->bytes[byte] : kReplacement);
}

bool DecodePair(int codePage, unsigned char lead, unsigned char trail, std::u16string& out)
{
    Page* page = Cache().Get(codePage);
    if (!page || page->pairs.empty())
        return false;
    char16_t& cached = page->pairs[(lead << 8) | trail];
    if (cached == kPairInvalid)
        return false;
    if (cached != kPairUnknown) {
        out.push_back(cached);
        return true;
    }
    const unsigned char in[2] = {lead, trail};
    char16_t units[2];
    const int n = page->Convert(in, 2, units);
    if (n == 0) {
        cached = kPairInvalid;
        return false;
    }
    // Pairs beyond the BMP are rare; they are converted each time rather than cached.
    if (n == 1 && units[0] != kPairUnknown && units[0] != kPairInvalid)
        cached = units[0];
    out.append(units, units + n);
    return true;
}

std::optional<unsigned char> EncodeCp1252(char16_t c)
{
    if (c < 0x80)
        return static_cast<unsigned char>(c);
    const Page* page = Cache().Get(kCodePageAnsi);
    if (!page)
        return std::nullopt;
    if (c >= 0xa0 && c <= 0xff && page->bytes[c] == c)
        return static_cast<unsigned char>(c);
    for (int b = 0x80; b < 0xa0; ++b) {
        if (page->bytes[b] == c && c != kReplacement)
            return static_cast<unsigned char>(b);
    }
    return std::nullopt;
}

} // namespace zep::conversations
