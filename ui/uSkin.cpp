#include "uSkin.h"

#include <zlib.h>

#include <cstdlib>
#include <map>

#include "uClasses.h"
#include "uSysUtils.h"

namespace {

TSkinData* activeSkinData = nullptr;

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseInteger(const std::string& text, int32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < -100000 || parsed > 100000) return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

bool ParseColor(const std::string& text, TSkinColor& value) {
    if (text.size() != 7 || text[0] != '#') return false;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str() + 1, &end, 16);
    if (*end != '\0') return false;
    value = static_cast<TSkinColor>(parsed);
    return true;
}

// "Face,Height,bold|normal"
bool ParseFont(const std::string& text, TSkinFont& font) {
    const size_t first = text.find(',');
    const size_t second = first == std::string::npos ? first : text.find(',', first + 1);
    if (second == std::string::npos) return false;
    font.Name = Trim(text.substr(0, first));
    const std::string style = Trim(text.substr(second + 1));
    if (font.Name.empty() || !ParseInteger(Trim(text.substr(first + 1, second - first - 1)), font.Height)) return false;
    if (style != "bold" && style != "normal") return false;
    font.Bold = style == "bold";
    return true;
}

}  // namespace

TSkin ParseSkin(const std::string& text) {
    // Values read as "Section.Name".
    std::map<std::string, std::string> values;
    std::string section;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = Trim(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) throw ESkinError(Format("Invalid skin line '%s'", line.c_str()));
        values[section + "." + Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
    }

    TSkin skin;
    auto lookup = [&](const char* name) -> const std::string& {
        const auto found = values.find(name);
        if (found == values.end()) throw ESkinError(Format("Skin value '%s' is missing", name));
        return found->second;
    };
    auto color = [&](const char* name, TSkinColor& field) {
        if (!ParseColor(lookup(name), field)) throw ESkinError(Format("Invalid skin colour '%s'", name));
    };
    auto metric = [&](const char* name, int32_t& field) {
        if (!ParseInteger(lookup(name), field) || field < 0) throw ESkinError(Format("Invalid skin metric '%s'", name));
    };
    auto font = [&](const char* name, TSkinFont& field) {
        if (!ParseFont(lookup(name), field)) throw ESkinError(Format("Invalid skin font '%s'", name));
    };

    color("Colors.Face", skin.Face);
    color("Colors.Strip", skin.Strip);
    color("Colors.Text", skin.Text);
    color("Colors.DisabledText", skin.DisabledText);
    color("Colors.Link", skin.Link);
    color("Colors.Rule", skin.Rule);
    color("Colors.Frame", skin.Frame);
    color("Colors.EditFace", skin.EditFace);
    color("Colors.EditText", skin.EditText);
    color("Colors.ButtonFace", skin.ButtonFace);
    color("Colors.ButtonHot", skin.ButtonHot);
    color("Colors.ButtonDown", skin.ButtonDown);
    color("Colors.ButtonText", skin.ButtonText);
    color("Colors.Focus", skin.Focus);
    color("Colors.Selection", skin.Selection);
    color("Colors.SelectionText", skin.SelectionText);
    color("Menu.Face", skin.MenuFace);
    color("Menu.Text", skin.MenuText);
    color("Menu.Highlight", skin.MenuHighlight);
    color("Menu.HighlightText", skin.MenuHighlightText);
    color("Menu.DisabledText", skin.MenuDisabledText);
    color("Menu.Separator", skin.MenuSeparator);
    color("Menu.Frame", skin.MenuFrame);
    color("Menu.Check", skin.MenuCheck);
    font("Fonts.Dialog", skin.DialogFont);
    font("Fonts.Menu", skin.MenuFont);
    font("Fonts.Caption", skin.CaptionFont);
    metric("Menu.ItemHeight", skin.MenuItemHeight);
    metric("Menu.SeparatorHeight", skin.MenuSeparatorHeight);
    metric("Menu.GutterWidth", skin.MenuGutterWidth);
    metric("Menu.TextRightMargin", skin.MenuTextRightMargin);
    metric("Menu.SubmenuArrowWidth", skin.MenuSubmenuArrowWidth);
    metric("Controls.CheckBoxSize", skin.CheckBoxSize);
    metric("Controls.ListItemHeight", skin.ListItemHeight);
    metric("Controls.ButtonFrameWidth", skin.ButtonFrameWidth);
    return skin;
}

std::string InflateSkin(const uint8_t* data, size_t size, size_t maxSize) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw ESkinError("Invalid skin data");
    std::string text;
    char chunk[4096];
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        text.append(chunk, sizeof chunk - stream.avail_out);
        if (text.size() > maxSize) status = Z_MEM_ERROR;
        // No progress possible: the stream ended early.
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) status = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) throw ESkinError("Invalid skin data");
    return text;
}

TSkinData::~TSkinData() {
    if (activeSkinData == this) activeSkinData = nullptr;
}

bool TSkinData::LoadFromCompressed(const uint8_t* data, size_t size) {
    if (activeSkinData == this) activeSkinData = nullptr;
    FLoaded = false;
    try {
        FSkin = ParseSkin(InflateSkin(data, size));
    } catch (const Exception&) {
        return false;
    }
    FLoaded = true;
    if (OnLoadData) OnLoadData(*this);
    activeSkinData = this;
    return true;
}

bool TSkinData::LoadFromResource(const std::string& resourceName) {
    TResourceBytes bytes;
    try {
        bytes = FindResourceBytes(TResourceType::RawData, resourceName);
    } catch (const Exception&) {
        if (activeSkinData == this) activeSkinData = nullptr;
        FLoaded = false;
        return false;
    }
    return LoadFromCompressed(bytes.Data, bytes.Size);
}

const TSkin* ActiveSkin() { return activeSkinData != nullptr ? &activeSkinData->Skin() : nullptr; }
