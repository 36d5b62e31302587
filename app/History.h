#pragma once
// Undo and redo over the diagram document: each step keeps only what it changed, the slots it
// touched and the changed rectangle of the free-hand layer. No Windows API here.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "app/Diagram.h"

namespace kova::diagram {

// The changed rectangle of a layer as the XOR of its pixels before and after, deflated: the
// same patch turns before into after and back. A stroke across the sheet has a whole-sheet
// rectangle, but its XOR is almost all zero and packs small.
struct LayerPatch {
    uint32_t Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<uint8_t> Packed;
};

// The patch from one layer to another of the same size; Width 0 when they are the same.
LayerPatch Difference(const Document& before, const Document& after);
// Applies a patch in place, either way.
void Apply(const LayerPatch& patch, Document& doc);

class History {
public:
    static constexpr size_t Depth = 100;

    explicit History(Document current = {}) : FCurrent(std::move(current)) {}

    // The diagram as of the last step, undo or redo.
    const Document& Current() const { return FCurrent; }
    // Names the state of Current: equal numbers, the same diagram. Never reused.
    uint64_t State() const { return FState; }
    // Records the change from Current to now as one step, dropping what could be redone;
    // false, and no step, when nothing changed.
    bool Record(Document now);
    // False when there is nothing to undo or redo.
    bool Undo();
    bool Redo();
    // The memory the steps and Current hold.
    size_t Bytes() const;

private:
    struct Step {
        uint64_t Before = 0, After = 0;
        size_t CountBefore = 0, CountAfter = 0;
        std::vector<std::pair<size_t, Item>> ItemsBefore, ItemsAfter;
        LayerPatch Layer;
    };
    void Go(const Step& step, bool forward);

    Document FCurrent;
    std::deque<Step> FSteps;
    size_t FPosition = 0;  // steps below this one are done
    uint64_t FState = 0;
    uint64_t FLastState = 0;
};

}  // namespace kova::diagram
