// A list of strings, each with an integer attached (the action parameter list uses it). Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TStringList {
public:
    struct TItem {
        std::string Text;
        int32_t Object = 0;
    };

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    int32_t AddObject(const std::string& text, int32_t object) {
        FItems.push_back(TItem{text, object});
        return Count() - 1;
    }
    const std::string& Strings(int32_t index) const { return FItems.at(static_cast<size_t>(index)).Text; }
    void SetString(int32_t index, const std::string& text) { FItems.at(static_cast<size_t>(index)).Text = text; }
    int32_t Objects(int32_t index) const { return FItems.at(static_cast<size_t>(index)).Object; }
    // Index of the first entry carrying object, or -1.
    int32_t IndexOfObject(int32_t object) const {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].Object == object) return static_cast<int32_t>(i);
        return -1;
    }
    void Clear() { FItems.clear(); }

private:
    std::vector<TItem> FItems;
};
