#include "app/History.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kova::diagram {

namespace {

size_t RowBytes(const Document& doc) { return size_t{doc.LayerWidth} * 4; }

size_t ItemBytes(const Item& item)
{
    return sizeof(Item) + item.Text.capacity() + item.ItemFont.Name.capacity() + item.Links.capacity() * 4;
}

}  // namespace

LayerPatch Difference(const Document& before, const Document& after)
{
    if (before.LayerWidth != after.LayerWidth || before.LayerHeight != after.LayerHeight ||
        before.Layer.size() != after.Layer.size())
        throw EDiagramError("自由線の層の大きさが変わりました");
    const size_t rowBytes = RowBytes(before);
    uint32_t left = before.LayerWidth, right = 0, top = before.LayerHeight, bottom = 0;
    for (uint32_t y = 0; y < before.LayerHeight; ++y) {
        const uint8_t* a = before.Layer.data() + y * rowBytes;
        const uint8_t* b = after.Layer.data() + y * rowBytes;
        if (std::memcmp(a, b, rowBytes) == 0)
            continue;
        uint32_t first = 0, last = before.LayerWidth - 1;
        while (std::memcmp(a + first * 4, b + first * 4, 4) == 0)
            ++first;
        while (std::memcmp(a + last * 4, b + last * 4, 4) == 0)
            --last;
        left = std::min(left, first);
        right = std::max(right, last + 1);
        top = std::min(top, y);
        bottom = y + 1;
    }
    LayerPatch patch;
    if (bottom == 0)
        return patch;
    patch = {left, top, right - left, bottom - top, {}};
    const size_t width = size_t{patch.Width} * 4;
    std::vector<uint8_t> diff(width * patch.Height);
    for (uint32_t y = 0; y < patch.Height; ++y) {
        const size_t at = (top + y) * rowBytes + size_t{left} * 4;
        uint8_t* out = diff.data() + y * width;
        for (size_t x = 0; x < width; ++x)
            out[x] = before.Layer[at + x] ^ after.Layer[at + x];
    }
    uLongf packed = compressBound(static_cast<uLong>(diff.size()));
    patch.Packed.resize(packed);
    if (compress2(patch.Packed.data(), &packed, diff.data(), static_cast<uLong>(diff.size()), Z_BEST_SPEED) != Z_OK)
        throw EDiagramError("自由線の変更を圧縮できません");
    patch.Packed.resize(packed);
    patch.Packed.shrink_to_fit();
    return patch;
}

void Apply(const LayerPatch& patch, Document& doc)
{
    if (patch.Width == 0)
        return;
    const size_t width = size_t{patch.Width} * 4;
    std::vector<uint8_t> diff(width * patch.Height);
    uLongf produced = static_cast<uLongf>(diff.size());
    if (uncompress(diff.data(), &produced, patch.Packed.data(), static_cast<uLong>(patch.Packed.size())) != Z_OK ||
        produced != diff.size())
        throw EDiagramError("自由線の変更を展開できません");
    for (uint32_t y = 0; y < patch.Height; ++y) {
        uint8_t* row = doc.Layer.data() + (patch.Top + y) * RowBytes(doc) + size_t{patch.Left} * 4;
        const uint8_t* in = diff.data() + y * width;
        for (size_t x = 0; x < width; ++x)
            row[x] ^= in[x];
    }
}

bool History::Record(Document now)
{
    Step step;
    step.CountBefore = FCurrent.Items.size();
    step.CountAfter = now.Items.size();
    for (size_t i = 0; i < std::max(step.CountBefore, step.CountAfter); ++i) {
        const bool before = i < step.CountBefore, after = i < step.CountAfter;
        if (before && after && FCurrent.Items[i] == now.Items[i])
            continue;
        if (before)
            step.ItemsBefore.emplace_back(i, FCurrent.Items[i]);
        if (after)
            step.ItemsAfter.emplace_back(i, now.Items[i]);
    }
    step.Layer = Difference(FCurrent, now);
    if (step.ItemsBefore.empty() && step.ItemsAfter.empty() && step.Layer.Width == 0)
        return false;
    FSteps.erase(FSteps.begin() + static_cast<ptrdiff_t>(FPosition), FSteps.end());
    if (FSteps.size() == Depth)
        FSteps.pop_front();
    step.Before = FState;
    step.After = FState = ++FLastState;
    FSteps.push_back(std::move(step));
    FPosition = FSteps.size();
    FCurrent = std::move(now);
    return true;
}

void History::Go(const Step& step, bool forward)
{
    FCurrent.Items.resize(forward ? step.CountAfter : step.CountBefore);
    for (const auto& [slot, item] : forward ? step.ItemsAfter : step.ItemsBefore)
        FCurrent.Items[slot] = item;
    Apply(step.Layer, FCurrent);
    FState = forward ? step.After : step.Before;
}

bool History::Undo()
{
    if (FPosition == 0)
        return false;
    Go(FSteps[--FPosition], false);
    return true;
}

bool History::Redo()
{
    if (FPosition == FSteps.size())
        return false;
    Go(FSteps[FPosition++], true);
    return true;
}

size_t History::Bytes() const
{
    size_t bytes = sizeof(*this) + FCurrent.Layer.capacity();
    for (const Item& item : FCurrent.Items)
        bytes += ItemBytes(item);
    for (const Step& step : FSteps) {
        bytes += sizeof(Step) + step.Layer.Packed.capacity();
        for (const auto* side : {&step.ItemsBefore, &step.ItemsAfter})
            for (const auto& slot : *side)
                bytes += ItemBytes(slot.second);
    }
    return bytes;
}

}  // namespace kova::diagram
