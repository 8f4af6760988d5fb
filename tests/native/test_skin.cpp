// The stored skin: the committed skin.ini and its compressed copy, what a load yields, and every
// way a damaged skin fails back to the platform's look.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "uClasses.h"
#include "uSkin.h"
#include "uSysUtils.h"

namespace {

std::string ReadResourceFile(const std::string& file) {
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/resources/" + file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Compress(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::vector<uint8_t> out(size);
    compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), 9);
    out.resize(size);
    return out;
}

TEST(Skin, TheStoredSkinIsTheCommittedTextAndHasTheDialogGreys) {
    const std::string text = ReadResourceFile("skin.ini");
    const TResourceBytes stored = FindResourceBytes(TResourceType::RawData, "SKDEFAULT");
    EXPECT_EQ(InflateSkin(stored.Data, stored.Size), text);

    const TSkin skin = ParseSkin(text);
    EXPECT_EQ(skin.Face, 0x555555u);
    EXPECT_EQ(skin.Strip, 0x202020u);
    EXPECT_EQ(skin.Text, 0xFFFFFFu);
    EXPECT_EQ(skin.Link, 0xFFFF00u);
    EXPECT_EQ(skin.DialogFont.Name, "宋体");
    EXPECT_EQ(skin.DialogFont.Height, -11);
    EXPECT_TRUE(skin.CaptionFont.Bold);
    EXPECT_GT(skin.MenuItemHeight, 0);
}

TEST(Skin, LoadingRunsTheLoadHandlerAndMakesTheSkinActiveUntilFreed) {
    ASSERT_EQ(ActiveSkin(), nullptr);
    {
        TSkinData data;
        int calls = 0;
        data.OnLoadData = [&](TSkinData& sender) {
            ++calls;
            EXPECT_EQ(ActiveSkin(), nullptr) << "adjusted before anyone draws with it";
            for (TSkinFont* font : sender.Skin().Fonts()) font->Height -= 1;
        };
        ASSERT_TRUE(data.LoadFromResource("SKDEFAULT"));
        EXPECT_EQ(calls, 1);
        ASSERT_EQ(ActiveSkin(), &data.Skin());
        EXPECT_EQ(ActiveSkin()->MenuFont.Height, -12);
    }
    EXPECT_EQ(ActiveSkin(), nullptr);
}

TEST(Skin, ADamagedSkinLeavesNoSkinInForce) {
    const std::string good = ReadResourceFile("skin.ini");
    std::vector<uint8_t> compressed = Compress(good);
    std::vector<uint8_t> truncated(compressed.begin(), compressed.begin() + compressed.size() / 2);
    std::vector<uint8_t> badHeader = compressed;
    badHeader[0] ^= 0xFF;
    std::vector<uint8_t> badChecksum = compressed;
    badChecksum.back() ^= 0x01;
    std::string missingValue = good;
    missingValue.erase(missingValue.find("Link="), missingValue.find('\n', missingValue.find("Link=")) -
                                                      missingValue.find("Link=") + 1);
    std::string badColour = good;
    badColour.replace(badColour.find("#555555"), 7, "#55555G");
    const std::string noEquals = good + "\r\nnonsense\r\n";
    const std::string huge(2 << 20, ' ');

    struct Case {
        const char* Name;
        std::vector<uint8_t> Bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"truncated", truncated},
        {"bad header", badHeader},
        {"bad checksum", badChecksum},
        {"missing value", Compress(missingValue)},
        {"bad colour", Compress(badColour)},
        {"line without =", Compress(noEquals)},
        {"larger than a skin can be", Compress(huge)},
    };
    for (const Case& c : cases) {
        TSkinData loaded;
        ASSERT_TRUE(loaded.LoadFromCompressed(compressed.data(), compressed.size()));
        EXPECT_FALSE(loaded.LoadFromCompressed(c.Bytes.data(), c.Bytes.size())) << c.Name;
        EXPECT_FALSE(loaded.Loaded()) << c.Name;
        EXPECT_EQ(ActiveSkin(), nullptr) << c.Name;
    }
    TSkinData missing;
    EXPECT_FALSE(missing.LoadFromResource("NO_SUCH_SKIN"));
    EXPECT_EQ(ActiveSkin(), nullptr);
}

}  // namespace
