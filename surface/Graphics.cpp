// Colours, pens, brushes and fonts, with lazily made GDI handles.
#include "surface/Graphics.h"

#include <cstring>

#include "base/Cp932.h"
#include "base/Exceptions.h"

namespace kova {

COLORREF ColorToRGB(TColor color)
{
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

void TGraphicsObject::Changed()
{
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------- pen

void TPen::Change()
{
    // The old handle goes only after the listeners (a canvas that has it selected) let go.
    GdiObject<HPEN> old = std::move(FHandle);
    Changed();
}

void TPen::SetColor(TColor v)
{
    if (v == FColor)
        return;
    FColor = v;
    Change();
}

void TPen::SetMode(TPenMode v)
{
    if (v == FMode)
        return;
    FMode = v;
    Changed();  // the raster mode is not part of the GDI pen
}

void TPen::SetStyle(TPenStyle v)
{
    if (v == FStyle)
        return;
    FStyle = v;
    Change();
}

void TPen::SetWidth(int v)
{
    if (v == FWidth)
        return;
    FWidth = v;
    Change();
}

void TPen::Assign(TPersistent* Source)
{
    auto* other = dynamic_cast<TPen*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    if (other->FColor == FColor && other->FStyle == FStyle && other->FWidth == FWidth) {
        SetMode(other->FMode);
        return;
    }
    FColor = other->FColor;
    FMode = other->FMode;
    FStyle = other->FStyle;
    FWidth = other->FWidth;
    Change();
}

HPEN TPen::Handle()
{
    if (!FHandle) {
        // The pen styles are in the order of the PS_ values, PS_NULL and PS_INSIDEFRAME included.
        FHandle.reset(CreatePen(static_cast<int>(FStyle), FWidth, ColorToRGB(FColor)));
        if (!FHandle)
            throw EOutOfResources("ペンを作成できません");
    }
    return FHandle.get();
}

int TPen::Rop2() const
{
    static constexpr int codes[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
    return codes[FMode];
}

// ---------------------------------------------------------------- brush

void TBrush::Change()
{
    GdiObject<HBRUSH> old = std::move(FHandle);
    Changed();
}

void TBrush::SetColor(TColor v)
{
    if (v == FColor)
        return;
    FColor = v;
    Change();
}

void TBrush::SetStyle(TBrushStyle v)
{
    if (v == FStyle)
        return;
    FStyle = v;
    Change();
}

void TBrush::Assign(TPersistent* Source)
{
    auto* other = dynamic_cast<TBrush*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    if (other->FColor == FColor && other->FStyle == FStyle)
        return;
    FColor = other->FColor;
    FStyle = other->FStyle;
    Change();
}

HBRUSH TBrush::Handle()
{
    if (!FHandle) {
        LOGBRUSH lb{};
        lb.lbColor = ColorToRGB(FColor);
        if (FStyle == bsSolid) {
            lb.lbStyle = BS_SOLID;
        } else if (FStyle == bsClear) {
            lb.lbStyle = BS_HOLLOW;
        } else {
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = HS_HORIZONTAL + (FStyle - bsHorizontal);
        }
        FHandle.reset(CreateBrushIndirect(&lb));
        if (!FHandle)
            throw EOutOfResources("ブラシを作成できません");
    }
    return FHandle.get();
}

// ---------------------------------------------------------------- font

namespace {

bool DefaultCharsetIsShiftJis()
{
    CHARSETINFO info{};
    const UINT_PTR acp = GetACP();
    return TranslateCharsetInfo(reinterpret_cast<DWORD*>(acp), &info, TCI_SRCCODEPAGE) &&
           info.ciCharset == SHIFTJIS_CHARSET;
}

TFontDefaults MakeDefaultFontData()
{
    if (GetSystemMetrics(SM_DBCSENABLED) && DefaultCharsetIsShiftJis())
        return {"ＭＳ Ｐゴシック", 9, SHIFTJIS_CHARSET};
    return {"MS Sans Serif", 8, DEFAULT_CHARSET};
}

// Copies a face name into LOGFONT's buffer without splitting a double-byte character.
void CopyFaceName(const std::string& name, char (&face)[LF_FACESIZE])
{
    size_t n = 0;
    while (n < name.size()) {
        const size_t step = IsCp932LeadByte(static_cast<unsigned char>(name[n])) ? 2 : 1;
        if (n + step > LF_FACESIZE - 1 || n + step > name.size())
            break;
        n += step;
    }
    std::memcpy(face, name.data(), n);
    face[n] = '\0';
}

}  // namespace

const TFontDefaults& DefaultFontData()
{
    static const TFontDefaults defaults = MakeDefaultFontData();
    return defaults;
}

int ScreenPixelsPerInch()
{
    static const int ppi = [] {
        WindowDC screen(nullptr);
        const int v = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

TFont::TFont()
    : FCharset(DefaultFontData().Charset), FPixelsPerInch(ScreenPixelsPerInch()),
      FHeight(-MulDiv(DefaultFontData().Size, FPixelsPerInch, 72)), FName(DefaultFontData().Name)
{
}

void TFont::Change()
{
    GdiObject<HFONT> old = std::move(FHandle);
    Changed();
}

void TFont::SetCharset(TFontCharset v)
{
    if (v == FCharset)
        return;
    FCharset = v;
    Change();
}

void TFont::SetPitch(TFontPitch v)
{
    if (v == FPitch)
        return;
    FPitch = v;
    Change();
}

void TFont::SetStyle(TFontStyles v)
{
    if (v == FStyle)
        return;
    FStyle = v;
    Change();
}

void TFont::SetColor(TColor v)
{
    if (v == FColor)
        return;
    FColor = v;
    Changed();  // the colour is not part of the GDI font
}

void TFont::SetPixelsPerInch(int v)
{
    if (v == FPixelsPerInch)
        return;
    FPixelsPerInch = v;
    Changed();  // only Size reads it; the height in pixels stays
}

void TFont::SetHeight(int v)
{
    if (v == FHeight)
        return;
    FHeight = v;
    Change();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int v) { SetHeight(-MulDiv(v, FPixelsPerInch, 72)); }

void TFont::SetName(const std::string& v)
{
    if (v == FName)
        return;
    FName = v;
    Change();
}

void TFont::Assign(TPersistent* Source)
{
    auto* other = dynamic_cast<TFont*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    const bool sameHandle = other->FCharset == FCharset && other->FPitch == FPitch && other->FStyle == FStyle &&
                            other->FHeight == FHeight && other->FName == FName;
    if (sameHandle && other->FColor == FColor && other->FPixelsPerInch == FPixelsPerInch)
        return;
    FCharset = other->FCharset;
    FPitch = other->FPitch;
    FStyle = other->FStyle;
    FColor = other->FColor;
    FPixelsPerInch = other->FPixelsPerInch;
    FHeight = other->FHeight;
    FName = other->FName;
    if (sameHandle)
        Changed();
    else
        Change();
}

LOGFONTA LogFontOf(const TFont& font)
{
    LOGFONTA lf{};
    lf.lfHeight = font.Height();
    lf.lfWeight = font.Style() & fsBold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.Style() & fsItalic) != 0;
    lf.lfUnderline = (font.Style() & fsUnderline) != 0;
    lf.lfStrikeOut = (font.Style() & fsStrikeOut) != 0;
    lf.lfCharSet = font.Charset();
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = font.Pitch() == fpFixed      ? FIXED_PITCH
                          : font.Pitch() == fpVariable ? VARIABLE_PITCH
                                                       : DEFAULT_PITCH;
    CopyFaceName(font.Name(), lf.lfFaceName);
    return lf;
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        const LOGFONTA lf = LogFontOf(*this);
        FHandle.reset(CreateFontIndirectA(&lf));
        if (!FHandle)
            throw EOutOfResources("フォントを作成できません");
    }
    return FHandle.get();
}

}  // namespace kova
