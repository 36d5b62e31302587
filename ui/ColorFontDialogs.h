#pragma once
// The colour and font dialogs of comdlg32.
#include <windows.h>

#include <array>
#include <cstdint>
#include <initializer_list>

#include "surface/Graphics.h"
#include "ui/Dialogs.h"

namespace kova {

// A set of up to eight enumeration elements, stored in one byte, bit n for element n.
template <class E>
class TByteSet {
public:
    constexpr TByteSet() = default;
    constexpr TByteSet(std::initializer_list<E> elements)
    {
        for (E e : elements)
            Include(e);
    }
    static constexpr TByteSet FromBits(uint8_t bits)
    {
        TByteSet s;
        s.FBits = bits;
        return s;
    }
    constexpr uint8_t Bits() const { return FBits; }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr void Include(E e) { FBits = static_cast<uint8_t>(FBits | Bit(e)); }
    constexpr void Exclude(E e) { FBits = static_cast<uint8_t>(FBits & ~Bit(e)); }
    constexpr bool operator==(const TByteSet&) const = default;

private:
    static constexpr uint8_t Bit(E e) { return static_cast<uint8_t>(1u << static_cast<unsigned>(e)); }
    uint8_t FBits = 0;
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TByteSet<TColorDialogOption>;

class TColorDialog : public TCommonDialog {
public:
    using TCommonDialog::TCommonDialog;
    // Starts with Color; on OK, Color is the chosen one.
    bool Execute() override;
    // The CC_ flags that Execute passes: CC_RGBINIT and one for each option.
    uint32_t Flags() const;

    TColor Color = clBlack;
    TColorDialogOptions Options;

private:
    std::array<COLORREF, 16> FCustomColors{
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
};

// The options this program uses: fdEffects offers colour, underline and strike-out.
enum TFontDialogOption { fdEffects };
using TFontDialogOptions = TByteSet<TFontDialogOption>;

class TFontDialog : public TCommonDialog {
public:
    using TCommonDialog::TCommonDialog;
    // Starts with Font; on OK, Font takes the chosen face, height, style, colour,
    // character set and pitch.
    bool Execute() override;
    // The CF_ flags that Execute passes.
    uint32_t Flags() const;
    TFont* Font() { return &FFont; }

    // Point sizes; both 0 sets no limit.
    int MinFontSize = 0;
    int MaxFontSize = 0;
    TFontDialogOptions Options{fdEffects};

private:
    // What the dialog hands back: the LOGFONT it filled and the colour chosen.
    void TakeChoice(const LOGFONTA& lf, COLORREF color);
    TFont FFont;
};

}  // namespace kova
