#pragma once
// The drawing surface: colours, pens, brushes, fonts, canvases, graphics, bitmaps and
// pictures, on top of GDI. Pens, brushes and fonts make their GDI handle lazily (when first
// drawn with, and again after a real change), so many idle objects hold no GDI handles.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Classes.h"
#include "base/Streams.h"
#include "surface/GdiHandles.h"

namespace kova {

namespace bmpfile {
struct Image;
}

// ---------------------------------------------------------------- geometry and colour

struct TPoint {
    int32_t x = 0, y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
    RECT ToRECT() const { return RECT{Left, Top, Right, Bottom}; }
};

inline TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return TRect{l, t, r, b}; }

// Low byte red, then green, then blue. System colours carry clSystemColor and a
// GetSysColor index; they are resolved when drawn.
using TColor = int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;

// The RGB value a colour has on screen now (system colours looked up).
COLORREF ColorToRGB(TColor color);

// ---------------------------------------------------------------- pens, brushes, fonts

class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode v);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle v);
    int Width() const { return FWidth; }
    void SetWidth(int v);
    void Assign(TPersistent* Source) override;

    // Created on first use; freed by a change that alters the pen.
    HPEN Handle();
    bool HandleAllocated() const { return FHandle.get() != nullptr; }
    // The ROP2 code of Mode.
    int Rop2() const;

private:
    void Change();
    TColor FColor = clBlack;
    TPenMode FMode = pmCopy;
    TPenStyle FStyle = psSolid;
    int FWidth = 1;
    GdiObject<HPEN> FHandle;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle v);
    void Assign(TPersistent* Source) override;

    HBRUSH Handle();
    bool HandleAllocated() const { return FHandle.get() != nullptr; }

private:
    void Change();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    GdiObject<HBRUSH> FHandle;
};

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;  // a set of TFontStyle bits
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

// The face, size and charset a new font object starts with (depends on the system).
struct TFontDefaults {
    std::string Name;
    int Size;
    TFontCharset Charset;
};
const TFontDefaults& DefaultFontData();
// Pixels per inch of the screen.
int ScreenPixelsPerInch();

class TFont : public TGraphicsObject {
public:
    TFont();

    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset v);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch v);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles v);
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int v);
    int Height() const { return FHeight; }
    void SetHeight(int v);
    // Points: -MulDiv(Height, 72, PixelsPerInch); setting it sets Height.
    int Size() const;
    void SetSize(int v);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& v);
    void Assign(TPersistent* Source) override;

    HFONT Handle();
    bool HandleAllocated() const { return FHandle.get() != nullptr; }

private:
    void Change();
    TFontCharset FCharset;
    TFontPitch FPitch = fpDefault;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    int FPixelsPerInch;
    int FHeight;
    std::string FName;
    GdiObject<HFONT> FHandle;
};

// The font's attributes as GDI takes them; a face name too long is cut before a whole
// character, never inside a double-byte one.
LOGFONTA LogFontOf(const TFont& font);

// ---------------------------------------------------------------- canvas

class TGraphic;

// A drawing target with one current pen, brush and font, a pen position and a copy mode.
// Before each drawing operation the current objects are selected into the DC; a new DC
// (after the target was re-created) gets them and the pen position again.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    TPen* Pen() { return &FPen; }
    TBrush* Brush() { return &FBrush; }
    TFont* Font() { return &FFont; }
    DWORD CopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD rop) { FCopyMode = rop; }

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void FillRect(const TRect& r);
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& r, TGraphic* graphic);
    void TextOut(int x, int y, const std::string& text);
    void TextRect(const TRect& r, int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    TColor Pixel(int x, int y);

    // The DC with the current objects selected. Raises when no DC can be had.
    HDC Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    TNotifyEvent OnChange;

protected:
    // Provides a DC through SetHandle (a canvas that cannot draw raises here).
    virtual void CreateHandle() = 0;
    // Called before every use of the DC; makes it first.
    virtual void NeedHandle()
    {
        if (!FHandle)
            CreateHandle();
    }
    // Takes a DC into use (nullptr releases it, deselecting our objects first).
    void SetHandle(HDC dc);
    void Changed();

private:
    enum : uint8_t { NeedPen = 1, NeedBrush = 2, NeedFont = 4, NeedAll = 7 };
    // The DC with the objects that an operation needs selected; the others are left as
    // they are, so a canvas switched through fonts only selects one where text is drawn.
    HDC RequiredState(uint8_t needs);
    void DeselectObjects();
    void Select(HGDIOBJ obj, HGDIOBJ& selected, HGDIOBJ& old);
    void Deselect(HGDIOBJ& selected, HGDIOBJ& old);
    // Called when an object changed: lets go of its old handle.
    void ObjectChanged(HGDIOBJ current, HGDIOBJ& selected, HGDIOBJ& old);

    HDC FHandle = nullptr;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
    TPoint FPenPos;
    DWORD FCopyMode = SRCCOPY;
    // What we put into FHandle, and what it held before.
    HGDIOBJ FSelectedPen = nullptr, FSelectedBrush = nullptr, FSelectedFont = nullptr;
    HGDIOBJ FOldPen = nullptr, FOldBrush = nullptr, FOldFont = nullptr;
};

// ---------------------------------------------------------------- graphics

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const TRect& R, const std::string& Msg)>;

// A class reference for graphics: what the picture-format registry stores.
struct TGraphicClassInfo {
    const char* ClassName;
    const TGraphicClassInfo* Parent;
    TGraphic* (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;
bool InheritsFrom(TGraphicClass cls, TGraphicClass ancestor);

class TGraphic : public TPersistent {
public:
    virtual TGraphicClass ClassType() const = 0;
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
    virtual bool Empty() const = 0;
    virtual int Height() const = 0;
    virtual int Width() const = 0;
    virtual void SetHeight(int v) = 0;
    virtual void SetWidth(int v) = 0;
    virtual HPALETTE Palette() const { return nullptr; }
    virtual void SetPalette(HPALETTE /*p*/) {}
    // Opens the file (EFOpenError) and loads from it as a stream.
    virtual void LoadFromFile(const std::string& fileName);
    // Writes the file in the graphic's own format; the old file survives a failed write.
    virtual void SaveToFile(const std::string& fileName);
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    virtual void LoadFromClipboardFormat(UINT /*format*/, HANDLE /*data*/, HPALETTE /*palette*/) {}
    virtual void SaveToClipboardFormat(UINT& /*format*/, HANDLE& /*data*/, HPALETTE& /*palette*/) {}

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    void Changed();
    void Progress(TObject* sender, TProgressStage stage, uint8_t percent, bool redrawNow,
                  const TRect& r, const std::string& msg);
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmapCanvas;

// A DIB section with 8 bits per pixel (with a palette) or 32 bits per pixel
// (blue, green, red, unused), rows addressed top-down through ScanLine.
class TBitmap : public TGraphic {
public:
    static const TGraphicClassInfo Class;
    TBitmap();
    ~TBitmap() override;

    TGraphicClass ClassType() const override { return &Class; }
    void Draw(TCanvas* canvas, const TRect& rect) override;
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    int Height() const override { return FHeight; }
    int Width() const override { return FWidth; }
    // Resizing keeps the overlapping part of the image; new pixels are white.
    void SetHeight(int v) override;
    void SetWidth(int v) override;
    void SetSize(int width, int height);
    HPALETTE Palette() const override;
    // Takes ownership of p; at 8 bits per pixel its entries become the colour table.
    void SetPalette(HPALETTE p) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // A deep copy of another bitmap; nullptr empties.
    void Assign(TPersistent* Source) override;
    // Assign from a bitmap that is about to go: its image is taken over, not copied, and
    // it is left empty.
    void TakeImageOf(TBitmap& source);

    // pf8bit or pf32bit (pfDevice until set: stored as 32 bits per pixel).
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the image in place; 32 to 8 bits maps onto the halftone palette.
    void SetPixelFormat(TPixelFormat v);
    int BitsPerPixel() const;
    // Memory of row y (0 = top). Raises EInvalidGraphic outside 0 .. Height-1.
    uint8_t* ScanLine(int y);
    int RowBytes() const;
    TCanvas* Canvas();
    HBITMAP Handle();
    // Copies the bitmap from a DIB (header, colour table, bits): used by decoders.
    void LoadFromDIB(const BITMAPINFO* info, const void* bits);

private:
    friend class TBitmapCanvas;
    uint8_t* Row(int y) const;
    // The colour table at 8 bits per pixel, always 256 entries (the halftone palette until set).
    const std::vector<RGBQUAD>& Colors();
    // Takes a new DIB into use; the canvas's DC gets it in place of the old one.
    void Install(GdiObject<HBITMAP> dib, uint8_t* bits, int width, int height, TPixelFormat format);
    void FreeImage();
    // Decodes a whole bitmap file into a new DIB section.
    void LoadBmpFile(const uint8_t* data, size_t size);

    int FWidth = 0, FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;
    GdiObject<HBITMAP> FDib;           // none while Width or Height is 0
    uint8_t* FBits = nullptr;          // bottom-up rows of the DIB section
    std::vector<RGBQUAD> FColors;      // the colour table at 8 bits per pixel
    mutable GdiObject<HPALETTE> FPalette;
    std::unique_ptr<TBitmapCanvas> FCanvas;
};

// Icons (.ico): the first image of the file, drawn with DrawIconEx.
class TIcon : public TGraphic {
public:
    static const TGraphicClassInfo Class;
    ~TIcon() override;
    TGraphicClass ClassType() const override { return &Class; }
    void Draw(TCanvas* canvas, const TRect& rect) override;
    bool Empty() const override { return FIcon == nullptr; }
    int Height() const override { return FHeight; }
    int Width() const override { return FWidth; }
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Another icon: loads a copy of its file.
    void Assign(TPersistent* Source) override;

private:
    void Release();
    void Load(std::vector<uint8_t> data);
    HICON FIcon = nullptr;
    int FWidth = 0, FHeight = 0;
    std::vector<uint8_t> FData;  // the file as read, written back by SaveToStream
};

// Windows and enhanced metafiles (.wmf with or without the placeable header, .emf),
// drawn with PlayEnhMetaFile.
class TMetafile : public TGraphic {
public:
    static const TGraphicClassInfo Class;
    ~TMetafile() override;
    TGraphicClass ClassType() const override { return &Class; }
    void Draw(TCanvas* canvas, const TRect& rect) override;
    bool Empty() const override { return FMeta == nullptr; }
    int Height() const override { return FHeight; }
    int Width() const override { return FWidth; }
    void SetHeight(int v) override { FHeight = v; }
    void SetWidth(int v) override { FWidth = v; }
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Another metafile: loads a copy of its file, keeping its width and height.
    void Assign(TPersistent* Source) override;

private:
    void Release();
    void Load(std::vector<uint8_t> data);
    HENHMETAFILE FMeta = nullptr;
    int FWidth = 0, FHeight = 0;
    std::vector<uint8_t> FData;
};

// ---------------------------------------------------------------- picture

// One registered picture file format.
struct TFileFormat {
    std::string Extension;  // lower case, without the point
    std::string Description;
    TGraphicClass GraphicClass;
};

class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Holds a copy of graphic (a new graphic of its class, assigned); nullptr empties.
    void SetGraphic(TGraphic* graphic);
    // The held bitmap; an empty one is created when the picture holds nothing.
    // Raises EInvalidGraphic when the picture holds another kind of graphic.
    TBitmap* Bitmap();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Picks the graphic class by the extension (lower-cased, newest registration first),
    // creates it and has it load the file. The held graphic is replaced only on success.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    void Assign(TPersistent* Source) override;

    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    // Registered formats, oldest first.
    static const std::vector<TFileFormat>& FileFormats();
    // The class for an extension (with or without the point), or nullptr.
    static TGraphicClass FindFileFormat(const std::string& extension);

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

private:
    void TakeGraphic(std::unique_ptr<TGraphic> graphic);
    void GraphicChanged();
    std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace kova
