// The skin: the colours, fonts and metrics that the popup menu, the dialogs and the viewer draw
// with, read from a small "skin.ini" kept zlib-compressed inside the program. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A colour as 0xRRGGBB (written "#RRGGBB" in the skin).
using TSkinColor = uint32_t;

struct TSkinFont {
    std::string Name;
    int32_t Height = 0;  // negative: character height in pixels
    bool Bold = false;
};

struct TSkin {
    // Surfaces and text of the dialogs and the viewer.
    TSkinColor Face = 0;           // the dialogs' grey
    TSkinColor Strip = 0;          // the dark strip of the settings dialog
    TSkinColor Text = 0;
    TSkinColor DisabledText = 0;
    TSkinColor Link = 0;
    TSkinColor Rule = 0;           // section header rules
    TSkinColor Frame = 0;          // control frames
    TSkinColor EditFace = 0;
    TSkinColor EditText = 0;
    TSkinColor ButtonFace = 0;
    TSkinColor ButtonHot = 0;
    TSkinColor ButtonDown = 0;
    TSkinColor ButtonText = 0;
    TSkinColor Focus = 0;
    TSkinColor Selection = 0;
    TSkinColor SelectionText = 0;
    // The popup menu.
    TSkinColor MenuFace = 0;
    TSkinColor MenuText = 0;
    TSkinColor MenuHighlight = 0;
    TSkinColor MenuHighlightText = 0;
    TSkinColor MenuDisabledText = 0;
    TSkinColor MenuSeparator = 0;
    TSkinColor MenuFrame = 0;
    TSkinColor MenuCheck = 0;

    TSkinFont DialogFont;
    TSkinFont MenuFont;
    TSkinFont CaptionFont;

    int32_t MenuItemHeight = 0;
    int32_t MenuSeparatorHeight = 0;
    int32_t MenuGutterWidth = 0;    // room for the check mark or icon, left of the text
    int32_t MenuTextRightMargin = 0;
    int32_t MenuSubmenuArrowWidth = 0;
    int32_t CheckBoxSize = 0;
    int32_t ListItemHeight = 0;
    int32_t ButtonFrameWidth = 0;

    // Every font of the skin, for changes that apply to all of them.
    std::vector<TSkinFont*> Fonts() { return {&DialogFont, &MenuFont, &CaptionFont}; }
};

// Reads skin.ini text ("[Section]" lines, "Name=Value" lines, ';' comments). Every value of the
// skin must be present and well formed; otherwise raises ESkinError naming the value.
TSkin ParseSkin(const std::string& text);

// Inflates a zlib stream of at most maxSize bytes; raises ESkinError when it is damaged or larger.
std::string InflateSkin(const uint8_t* data, size_t size, size_t maxSize = 1 << 20);

// The skin object of the main window: loads the stored skin, then runs OnLoadData so the owner
// can adjust it. While one is loaded it is the skin every control draws with; without one the
// controls keep the platform's own look.
class TSkinData {
public:
    TSkinData() = default;
    ~TSkinData();
    TSkinData(const TSkinData&) = delete;
    TSkinData& operator=(const TSkinData&) = delete;

    // Loads the zlib-compressed skin.ini from the raw-data resource resourceName. Returns false
    // (and keeps no skin) when the resource is missing or damaged.
    bool LoadFromResource(const std::string& resourceName);
    // The same from compressed bytes.
    bool LoadFromCompressed(const uint8_t* data, size_t size);

    bool Loaded() const { return FLoaded; }
    TSkin& Skin() { return FSkin; }

    std::function<void(TSkinData&)> OnLoadData;

private:
    TSkin FSkin;
    bool FLoaded = false;
};

// The skin in force, or nullptr for the platform's look.
const TSkin* ActiveSkin();
