#pragma once
// Pictures decoded by Susie plug-ins: the picture sources that drive the plug-ins, the
// graphic that draws the plug-in's DIB in place, and the bitmap that loads any picture
// through the plug-ins or as a plain Windows bitmap.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "plugins/DibLayout.h"
#include "plugins/SPIs.h"
#include "surface/Graphics.h"

namespace kova {

class TSPIGraphic;

// One picture decoded by plug-ins, owning the plug-in's local-memory blocks.
class TInSPIAbleData : public TObject {
public:
    explicit TInSPIAbleData(TSPIGraphic* AGraphic);
    ~TInSPIAbleData() override;
    TInSPIAbleData(const TInSPIAbleData&) = delete;
    TInSPIAbleData& operator=(const TInSPIAbleData&) = delete;

    // A plug-in that faults counts as a failed candidate; the first fault is raised only when
    // no candidate decodes the picture.
    void Decode();
    bool Empty() const { return !FInfoHandle || !FPixelHandle; }
    // The checked layout of the held picture.
    const DibLayout& Layout() const { return FLayout; }
    void* LockInfo();
    void* LockPixels();
    void ReleaseHandles();

    TProgressEvent OnProgress;

protected:
    virtual void ReadHead(void* Buffer, int32_t Count) = 0;
    // The plug-in's result; nonzero when it was not asked.
    virtual int QueryInfo(TInSPI* SPI, int32_t Offset, TPictureInfo& Info) = 0;
    virtual void QueryPreview(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle) = 0;
    virtual void QueryPicture(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle) = 0;

    bool Supports(TInSPI* SPI, const void* Data);
    std::vector<TSPI*> FindCandidates() const;
    void TryPlugin(TInSPI* SPI, const uint8_t* Head, int32_t Offset);
    // The offsets in turn until one decodes; a fault ends the candidate's tries and is kept.
    void TryOffsets(TInSPI* SPI, const uint8_t* Head, size_t Offsets, std::exception_ptr& Fault);
    void DoProgress(TProgressStage Stage, uint8_t PercentDone, const std::string& Msg);
    // Runs one picture call with PluginProgress, then raises what a handler raised in it.
    template <class Call>
    void CallWithProgress(Call call);

    HLOCAL FInfoHandle = nullptr;
    HLOCAL FPixelHandle = nullptr;
    void* FInfo = nullptr;
    void* FPixels = nullptr;
    std::string FFileName;
    TPictureInfo FPictureInfo{};
    TSPIGraphic* FGraphic;

private:
    friend int WINAPI PluginProgress(int Done, int Total, int32_t Data);
    // Keeps the layout of a usable DIB and drops any other answer.
    void CheckPicture();

    // A handler's exception, kept while the plug-in's frames are on the stack.
    std::exception_ptr FPendingError;
    DibLayout FLayout;
};

// The progress callback handed to GetPicture and GetPreview; Data is the source.
int WINAPI PluginProgress(int Done, int Total, int32_t Data);

class TInSPIAbleFromFile : public TInSPIAbleData {
public:
    TInSPIAbleFromFile(TSPIGraphic* AGraphic, const std::string& FileName);

protected:
    void ReadHead(void* Buffer, int32_t Count) override;
    int QueryInfo(TInSPI* SPI, int32_t Offset, TPictureInfo& Info) override;
    void QueryPreview(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle) override;
    void QueryPicture(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle) override;
};

class TInSPIAbleFromStream : public TInSPIAbleData {
public:
    // A memory stream is decoded in place and must outlive Decode; any other is copied.
    TInSPIAbleFromStream(TSPIGraphic* AGraphic, TStream& Stream, const std::string& FileName);

protected:
    void ReadHead(void* Buffer, int32_t Count) override;
    int QueryInfo(TInSPI* SPI, int32_t Offset, TPictureInfo& Info) override;
    void QueryPreview(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle) override;
    void QueryPicture(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle) override;

private:
    // Data shorter than the offset: the plug-in would get a negative length and an address
    // past the block, so it is not asked at all.
    bool Beyond(int32_t Offset) const { return Offset >= FSize; }
    const char* Source(int32_t Offset) const { return reinterpret_cast<const char*>(FMemory) + Offset; }

    const uint8_t* FMemory = nullptr;
    int32_t FSize = 0;
    std::unique_ptr<TMemoryStream> FOwnStream;
};

// A graphic drawn straight from the DIB a plug-in decoded.
class TSPIGraphic : public TGraphic {
public:
    static const TGraphicClassInfo Class;
    ~TSPIGraphic() override;

    TGraphicClass ClassType() const override { return &Class; }
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    bool Empty() const override;
    int Height() const override;
    HPALETTE Palette() const override;
    int Width() const override;
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    void LoadFromFile(const std::string& FileName) override;
    void LoadFromStream(TStream& Stream) override;
    // Writes a Windows bitmap file; raises EInvalidGraphic when no picture is held.
    void SaveToStream(TStream& Stream) override;
    virtual void LoadFromStreamWithName(TStream& Stream, const std::string& FileName);

    bool Is4Bit() const;
    TGraphic* ConvertTo(TGraphicClass GraphicClass);
    // As ConvertTo, but the plug-in's blocks are gone before the copy is decoded.
    TGraphic* ConvertAndRelease(TGraphicClass GraphicClass);

private:
    void ReleaseImage();
    void DecodeSource();
    void UpdateLayout() const;
    TGraphic* Convert(TGraphicClass GraphicClass, bool release);

    std::unique_ptr<TInSPIAbleData> FData;
    mutable int32_t FHeight = 0;
    mutable int32_t FWidth = 0;
    mutable HPALETTE FPalette = nullptr;
    mutable int32_t FInfoSize = 0;
    mutable int32_t FImageSize = 0;
    mutable int32_t FColorCount = 0;
    mutable bool FIs4Bit = false;
    mutable bool FLayoutReady = false;
};

// A bitmap that loads pictures through the plug-ins or as plain Windows bitmaps.
class TSPIBitmap : public TBitmap {
public:
    static const TGraphicClassInfo Class;
    TSPIBitmap();

    TGraphicClass ClassType() const override { return &Class; }
    void Assign(TPersistent* Source) override;
    void LoadFromFile(const std::string& FileName) override;
    void LoadFromStream(TStream& Stream) override;
    // Takes over a freshly loaded graphic (or nullptr) and frees it.
    virtual void AssignDecoded(TGraphic* Graphic);
    virtual void LoadFromStreamWithName(TStream& Stream, const std::string& FileName);

    const TSPILoadFromStreamWithNameEvent& OnLoadFromStreamWithName() const { return FOnLoadFromStreamWithName; }
    void SetOnLoadFromStreamWithName(const TSPILoadFromStreamWithNameEvent&) {}

private:
    void ForwardProgress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                         const TRect& R, const std::string& Msg);
    TProgressEvent Forwarder();
    void ReportLoaded();

    TSPILoadFromStreamWithNameEvent FOnLoadFromStreamWithName;
};

// The first of the two classes that loads the picture, or nullptr. A plug-in that faulted in
// a try is raised instead of nullptr, so the user learns which one it was.
TGraphic* LoadGraphicFromFile(TGraphicClass PreferredClass, const std::string& FileName, TGraphicClass OtherClass,
                              bool OtherFirst, const TProgressEvent& Handler);
TGraphic* LoadGraphicFromStream(TGraphicClass PreferredClass, TStream& Stream, const std::string& FileName,
                                TGraphicClass OtherClass, bool OtherFirst, const TProgressEvent& Handler);

// Makes TSPIBitmap the class plug-in formats are registered under; the program calls it
// before creating any form. The registration is undone when the program ends.
void InitPluginGraphics();

}  // namespace kova
