#include "addin/native_host/toolbar_json.h"

#include <nlohmann/json.hpp>

namespace zep::nativehost {

namespace {

using nlohmann::json;

json FaceJson(const addin::FaceImage& face)
{
    // RGBA bytes row by row, as an ImageData wants them, in hex to stay compact.
    static const char digits[] = "0123456789abcdef";
    std::string rgba;
    rgba.reserve(face.pixels.size() * 8);
    for (const std::uint32_t argb : face.pixels) {
        const std::uint32_t rgbaValue = (argb << 8) | (argb >> 24);
        for (int shift = 28; shift >= 0; shift -= 4)
            rgba += digits[(rgbaValue >> shift) & 0xf];
    }
    return json{{"width", face.width}, {"height", face.height}, {"rgba", rgba}};
}

json ControlJson(const Control& c)
{
    json j{{"id", c.id},
           {"kind", c.type == addin::ControlType::Popup ? "popup" : "button"},
           {"caption", c.caption},
           {"tooltip", c.tooltip},
           {"enabled", c.enabled},
           {"beginGroup", c.beginGroup},
           {"iconAndCaption", c.style == addin::kStyleIconAndCaption}};
    if (c.face)
        j["face"] = FaceJson(*c.face);
    if (c.children) {
        json children = json::array();
        for (const auto& child : c.children->items)
            children.push_back(ControlJson(*child));
        j["controls"] = std::move(children);
    }
    return j;
}

void Summarise(const std::vector<std::shared_ptr<Control>>& controls, std::string& out,
               std::string& tip)
{
    for (const auto& c : controls) {
        if (!out.empty())
            out += ' ';
        out += '[' + c->caption + "]=" + (c->enabled ? '1' : '0');
        if (tip.empty())
            tip = c->tooltip;
        if (c->children)
            Summarise(c->children->items, out, tip);
    }
}

} // namespace

std::string ToolbarMessage(const CommandBars& bars)
{
    json controls = json::array();
    if (bars.toolbar) {
        for (const auto& c : bars.toolbar->TopLevel())
            controls.push_back(ControlJson(*c));
    }
    const json message{{"type", "toolbar"},
                       {"name", bars.name},
                       {"visible", bars.toolbar && bars.toolbar->Visible()},
                       {"controls", std::move(controls)}};
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ToolbarSummary(const CommandBars& bars)
{
    std::string out;
    std::string tip;
    if (bars.toolbar)
        Summarise(bars.toolbar->TopLevel(), out, tip);
    return out + (out.empty() ? "" : " ") + "tip=\"" + tip + '"';
}

} // namespace zep::nativehost
