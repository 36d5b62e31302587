#include "plugins/SPIBmp.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "plugins/DibLayout.h"

namespace kova {

namespace {

constexpr int32_t kHeadSize = 2048 + 128;
const char* const kCouldNotDecode = "Susie Plugins could not decode";

// The plug-in interface passes addresses as 32-bit values.
int32_t AddressArg(const void* p) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(p)); }

HPALETTE CopyPalette(HPALETTE source)
{
    if (!source)
        return nullptr;
    const UINT count = GetPaletteEntries(source, 0, 0, nullptr);
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
    auto* pal = reinterpret_cast<LOGPALETTE*>(block.data());
    pal->palVersion = 0x300;
    pal->palNumEntries = static_cast<WORD>(count);
    GetPaletteEntries(source, 0, count, pal->palPalEntry);
    return CreatePalette(pal);
}

}  // namespace

// ---------------------------------------------------------------- picture sources

TInSPIAbleData::TInSPIAbleData(TSPIGraphic* AGraphic) : FGraphic(AGraphic) {}

TInSPIAbleData::~TInSPIAbleData() { ReleaseHandles(); }

void* TInSPIAbleData::LockInfo()
{
    if (!FInfo && FInfoHandle)
        FInfo = LocalLock(FInfoHandle);
    return FInfo;
}

void* TInSPIAbleData::LockPixels()
{
    if (!FPixels && FPixelHandle)
        FPixels = LocalLock(FPixelHandle);
    return FPixels;
}

void TInSPIAbleData::ReleaseHandles()
{
    if (FInfo) {
        LocalUnlock(FInfoHandle);
        FInfo = nullptr;
    }
    if (FPixels) {
        LocalUnlock(FPixelHandle);
        FPixels = nullptr;
    }
    // A plug-in may hand the same block back more than once: each block is freed once.
    const HLOCAL handles[] = {std::exchange(FInfoHandle, nullptr), std::exchange(FPixelHandle, nullptr),
                              std::exchange(FPictureInfo.hInfo, nullptr)};
    for (size_t i = 0; i < std::size(handles); ++i)
        if (handles[i] && std::find(handles, handles + i, handles[i]) == handles + i)
            LocalFree(handles[i]);
}

void TInSPIAbleData::Decode()
{
    const bool macBinaryOn = SPIsInstance() && SPIsInstance()->MacBinary();
    DoProgress(psStarting, 0, "Loading Graphic by Susie Plugin");
    try {
        ReleaseHandles();
        DoProgress(psRunning, 1, "Seeking enabled Susie Plugins");
        const std::vector<TSPI*> candidates = FindCandidates();
        std::array<uint8_t, kHeadSize> head{};
        ReadHead(head.data(), kHeadSize);
        std::exception_ptr fault;
        for (TSPI* candidate : candidates) {
            TryOffsets(static_cast<TInSPI*>(candidate), head.data(), macBinaryOn ? 2 : 1, fault);
            if (!Empty())
                break;
        }
        if (Empty() && fault)
            std::rethrow_exception(fault);
    } catch (...) {
        DoProgress(psEnding, 100, "Loaded Graphic by Susie Plugin");
        throw;
    }
    DoProgress(psEnding, 100, "Loaded Graphic by Susie Plugin");
}

void TInSPIAbleData::TryOffsets(TInSPI* SPI, const uint8_t* Head, size_t Offsets, std::exception_ptr& Fault)
{
    for (size_t i = 0; i < Offsets && Empty() && !SPI->Faulted(); ++i) {
        DoProgress(psRunning, 1, Format("Loading by [%s]", ExtractFileName(SPI->FileName()).c_str()));
        try {
            TryPlugin(SPI, Head, TSPIs::MacBinaryOffsets[i]);
        } catch (const ESPIFault&) {
            // Whatever the plug-in left in the handles is no answer: dropped, not freed.
            FInfoHandle = FPixelHandle = nullptr;
            if (!Fault)
                Fault = std::current_exception();
        }
        if (Empty())
            ReleaseHandles();
    }
}

bool TInSPIAbleData::Supports(TInSPI* SPI, const void* Data)
{
    return SPI->IsSupported(FFileName.c_str(), reinterpret_cast<uintptr_t>(Data)) != 0;
}

std::vector<TSPI*> TInSPIAbleData::FindCandidates() const
{
    std::vector<TSPI*> list;
    if (TSPIs* spis = SPIsInstance())
        spis->GetSPIs({&TInSPI::Class}, list, FFileName);
    // A module that faulted once is not called again.
    std::erase_if(list, [](const TSPI* spi) { return spi->Faulted(); });
    return list;
}

void TInSPIAbleData::TryPlugin(TInSPI* SPI, const uint8_t* Head, int32_t Offset)
{
    if (!Supports(SPI, Head + Offset))
        return;
    // The record's handle is the plug-in's only when the call succeeded.
    TPictureInfo info{};
    if (QueryInfo(SPI, Offset, info) == 0)
        FPictureInfo = info;
    if (SPIsInstance() && SPIsInstance()->GraphicPreview()) {
        QueryPreview(SPI, Offset, FInfoHandle, FPixelHandle);
        CheckPicture();
        if (!Empty())
            return;
    }
    QueryPicture(SPI, Offset, FInfoHandle, FPixelHandle);
    CheckPicture();
}

// A plug-in's answer is not trusted: a header that does not match the blocks, or that
// claims more than our bitmaps hold, would make drawing, saving and converting go wrong.
void TInSPIAbleData::CheckPicture()
{
    std::optional<DibLayout> layout;
    if (!Empty())
        layout = CheckDibLayout(static_cast<const uint8_t*>(LockInfo()), LocalSize(FInfoHandle),
                                LocalSize(FPixelHandle));
    if (layout)
        FLayout = *layout;
    else
        ReleaseHandles();
}

void TInSPIAbleData::DoProgress(TProgressStage Stage, uint8_t PercentDone, const std::string& Msg)
{
    if (OnProgress)
        OnProgress(FGraphic, Stage, PercentDone, Stage == psEnding, TRect{}, Msg);
}

template <class Call>
void TInSPIAbleData::CallWithProgress(Call call)
{
    FPendingError = nullptr;
    call();
    if (FPendingError)
        std::rethrow_exception(std::exchange(FPendingError, nullptr));
}

int WINAPI PluginProgress(int Done, int Total, int32_t Data)
{
    auto* source = reinterpret_cast<TInSPIAbleData*>(static_cast<intptr_t>(Data));
    if (!source || !source->OnProgress)
        return 0;
    // Nothing may unwind through the plug-in's frames: an exception waits until it returns.
    try {
        source->DoProgress(psRunning, static_cast<uint8_t>(MulDiv(Done, 97, Total) + 2), std::string());
    } catch (const EAbort&) {
        return 1;
    } catch (...) {
        source->FPendingError = std::current_exception();
        return 1;
    }
    return 0;
}

TInSPIAbleFromFile::TInSPIAbleFromFile(TSPIGraphic* AGraphic, const std::string& FileName) : TInSPIAbleData(AGraphic)
{
    FFileName = FileName;
}

void TInSPIAbleFromFile::ReadHead(void* Buffer, int32_t Count)
{
    try {
        TFileStream file(FFileName, TFileMode::fmOpenRead);
        const int64_t n = std::min<int64_t>(Count, file.Size());
        file.ReadBuffer(Buffer, n);
    } catch (...) {
        // The plug-ins still get their turn; those that open the file fail on their own.
    }
}

int TInSPIAbleFromFile::QueryInfo(TInSPI* SPI, int32_t Offset, TPictureInfo& Info)
{
    return SPI->GetPictureInfo(FFileName.c_str(), Offset, 0, &Info);
}

void TInSPIAbleFromFile::QueryPreview(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle)
{
    CallWithProgress([&] {
        try {
            if (SPI->GetPreview(FFileName.c_str(), Offset, 0, &InfoHandle, &PixelHandle, PluginProgress,
                                AddressArg(this)) != 0)
                InfoHandle = PixelHandle = nullptr;
        } catch (const ESPIInvalidAPI&) {
            InfoHandle = PixelHandle = nullptr;
        }
    });
}

void TInSPIAbleFromFile::QueryPicture(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle)
{
    CallWithProgress([&] {
        if (SPI->GetPicture(FFileName.c_str(), Offset, 0, &InfoHandle, &PixelHandle, PluginProgress,
                            AddressArg(this)) != 0)
            InfoHandle = PixelHandle = nullptr;
    });
}

TInSPIAbleFromStream::TInSPIAbleFromStream(TSPIGraphic* AGraphic, TStream& Stream, const std::string& FileName)
    : TInSPIAbleData(AGraphic)
{
    if (auto* memory = dynamic_cast<TMemoryStream*>(&Stream)) {
        FMemory = memory->Memory();
    } else {
        FOwnStream = std::make_unique<TMemoryStream>();
        FOwnStream->LoadFromStream(Stream);
        FMemory = FOwnStream->Memory();
    }
    FSize = static_cast<int32_t>(Stream.Size());
    FFileName = FileName;
}

void TInSPIAbleFromStream::ReadHead(void* Buffer, int32_t Count)
{
    if (FSize > 0)
        std::memcpy(Buffer, FMemory, static_cast<size_t>(std::min(FSize, Count)));
}

int TInSPIAbleFromStream::QueryInfo(TInSPI* SPI, int32_t Offset, TPictureInfo& Info)
{
    if (Beyond(Offset))
        return -1;
    return SPI->GetPictureInfo(Source(Offset), FSize - Offset, 1, &Info);
}

void TInSPIAbleFromStream::QueryPreview(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle)
{
    if (Beyond(Offset))
        return;
    CallWithProgress([&] {
        try {
            if (SPI->GetPreview(Source(Offset), FSize - Offset, 1, &InfoHandle, &PixelHandle, PluginProgress,
                                AddressArg(this)) != 0)
                InfoHandle = PixelHandle = nullptr;
        } catch (const ESPIInvalidAPI&) {
            InfoHandle = PixelHandle = nullptr;
        }
    });
}

void TInSPIAbleFromStream::QueryPicture(TInSPI* SPI, int32_t Offset, HLOCAL& InfoHandle, HLOCAL& PixelHandle)
{
    if (Beyond(Offset))
        return;
    CallWithProgress([&] {
        if (SPI->GetPicture(Source(Offset), FSize - Offset, 1, &InfoHandle, &PixelHandle, PluginProgress,
                            AddressArg(this)) != 0)
            InfoHandle = PixelHandle = nullptr;
    });
}

// ---------------------------------------------------------------- the plug-in graphic

const TGraphicClassInfo TSPIGraphic::Class = {"TSPIGraphic", nullptr,
                                              []() -> TGraphic* { return new TSPIGraphic(); }};

TSPIGraphic::~TSPIGraphic() { ReleaseImage(); }

bool TSPIGraphic::Empty() const { return !FData || FData->Empty(); }

int TSPIGraphic::Height() const
{
    UpdateLayout();
    return FHeight;
}

int TSPIGraphic::Width() const
{
    UpdateLayout();
    return FWidth;
}

HPALETTE TSPIGraphic::Palette() const
{
    UpdateLayout();
    return FPalette;
}

bool TSPIGraphic::Is4Bit() const
{
    UpdateLayout();
    return FIs4Bit;
}

void TSPIGraphic::LoadFromFile(const std::string& FileName)
{
    ReleaseImage();
    FData = std::make_unique<TInSPIAbleFromFile>(this, FileName);
    DecodeSource();
}

void TSPIGraphic::LoadFromStream(TStream& Stream) { LoadFromStreamWithName(Stream, std::string()); }

void TSPIGraphic::LoadFromStreamWithName(TStream& Stream, const std::string& FileName)
{
    ReleaseImage();
    FData = std::make_unique<TInSPIAbleFromStream>(this, Stream, FileName);
    DecodeSource();
}

void TSPIGraphic::ReleaseImage()
{
    FData.reset();
    if (FPalette)
        DeleteObject(std::exchange(FPalette, nullptr));
    FLayoutReady = false;
}

void TSPIGraphic::DecodeSource()
{
    try {
        FData->OnProgress = OnProgress;
        FData->Decode();
        if (FData->Empty())
            throw EInvalidGraphic(kCouldNotDecode);
    } catch (...) {
        ReleaseImage();
        throw;
    }
    Changed();
}

void TSPIGraphic::UpdateLayout() const
{
    if (FLayoutReady)
        return;
    if (Empty()) {
        FWidth = FHeight = FColorCount = FImageSize = FInfoSize = 0;
        FPalette = nullptr;
        FIs4Bit = false;
        FLayoutReady = true;
        return;
    }
    const auto* info = static_cast<const uint8_t*>(FData->LockInfo());
    const DibLayout& d = FData->Layout();
    FWidth = d.Width;
    FHeight = d.Height;
    FColorCount = d.ColorCount;
    FImageSize = d.ImageSize;
    FInfoSize = d.InfoSize;
    FIs4Bit = d.BitCount == 4;
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(FColorCount));
    auto* pal = reinterpret_cast<LOGPALETTE*>(block.data());
    pal->palVersion = 0x300;
    pal->palNumEntries = static_cast<WORD>(FColorCount);
    for (int32_t i = 0; i < FColorCount; ++i) {
        const uint8_t* quad = info + kDibHeaderSize + 4 * i;
        pal->palPalEntry[i] = PALETTEENTRY{quad[2], quad[1], quad[0], 0};
    }
    FPalette = CreatePalette(pal);
    FLayoutReady = true;
}

void TSPIGraphic::Draw(TCanvas* ACanvas, const TRect& Rect)
{
    if (!FData)
        return;
    UpdateLayout();
    HDC dc = ACanvas->Handle();
    std::optional<PaletteGuard> palette;
    if (FPalette) {
        palette.emplace(dc, FPalette, TRUE);
        RealizePalette(dc);
    }
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), 0, 0, FWidth, FHeight, FData->LockPixels(),
                  static_cast<const BITMAPINFO*>(FData->LockInfo()), DIB_RGB_COLORS, ACanvas->CopyMode());
    SetStretchBltMode(dc, oldMode);
}

void TSPIGraphic::SaveToStream(TStream& Stream)
{
    UpdateLayout();
    if (Empty())
        throw EInvalidGraphic(kCouldNotDecode);
    uint8_t head[14] = {'B', 'M'};
    const uint32_t fileSize = 14 + static_cast<uint32_t>(FInfoSize) + static_cast<uint32_t>(FImageSize);
    const uint32_t bitsOffset = 14 + static_cast<uint32_t>(FInfoSize);
    std::memcpy(head + 2, &fileSize, 4);
    std::memcpy(head + 10, &bitsOffset, 4);
    Stream.WriteBuffer(head, sizeof head);
    Stream.WriteBuffer(FData->LockInfo(), FInfoSize);
    Stream.WriteBuffer(FData->LockPixels(), FImageSize);
}

TGraphic* TSPIGraphic::Convert(TGraphicClass GraphicClass, bool release)
{
    std::unique_ptr<TGraphic> result(GraphicClass->Create());
    TMemoryStream copy;
    SaveToStream(copy);
    if (release)
        ReleaseImage();
    copy.SetPosition(0);
    result->LoadFromStream(copy);
    return result.release();
}

TGraphic* TSPIGraphic::ConvertTo(TGraphicClass GraphicClass) { return Convert(GraphicClass, false); }

TGraphic* TSPIGraphic::ConvertAndRelease(TGraphicClass GraphicClass) { return Convert(GraphicClass, true); }

// ---------------------------------------------------------------- loading with fallback

namespace {

// One class's try: the loaded graphic, or nullptr. A plug-in fault is kept in Fault, so that
// it is raised only when no class loads the picture.
template <class Load>
TGraphic* TryClass(TGraphicClass cls, const TProgressEvent& Handler, std::exception_ptr& Fault, Load load)
{
    std::unique_ptr<TGraphic> g(cls->Create());
    g->OnProgress = Handler;
    try {
        load(*g);
    } catch (const ESPIFault&) {
        if (!Fault)
            Fault = std::current_exception();
        return nullptr;
    } catch (...) {
        return nullptr;
    }
    return g.release();
}

std::array<TGraphicClass, 2> ClassOrder(TGraphicClass preferred, TGraphicClass other, bool otherFirst)
{
    return otherFirst ? std::array<TGraphicClass, 2>{other, preferred} : std::array<TGraphicClass, 2>{preferred, other};
}

}  // namespace

TGraphic* LoadGraphicFromFile(TGraphicClass PreferredClass, const std::string& FileName, TGraphicClass OtherClass,
                              bool OtherFirst, const TProgressEvent& Handler)
{
    std::exception_ptr fault;
    for (TGraphicClass cls : ClassOrder(PreferredClass, OtherClass, OtherFirst))
        if (TGraphic* g = TryClass(cls, Handler, fault, [&](TGraphic& g) { g.LoadFromFile(FileName); }))
            return g;
    if (fault)
        std::rethrow_exception(fault);
    return nullptr;
}

TGraphic* LoadGraphicFromStream(TGraphicClass PreferredClass, TStream& Stream, const std::string& FileName,
                                TGraphicClass OtherClass, bool OtherFirst, const TProgressEvent& Handler)
{
    const int64_t startPos = Stream.Position();
    std::exception_ptr fault;
    for (TGraphicClass cls : ClassOrder(PreferredClass, OtherClass, OtherFirst)) {
        TGraphic* result = TryClass(cls, Handler, fault, [&](TGraphic& g) {
            auto* spi = dynamic_cast<TSPIGraphic*>(&g);
            if (cls == PreferredClass && spi)
                spi->LoadFromStreamWithName(Stream, FileName);
            else
                g.LoadFromStream(Stream);
        });
        if (result)
            return result;
        Stream.SetPosition(startPos);
    }
    if (fault)
        std::rethrow_exception(fault);
    return nullptr;
}

// ---------------------------------------------------------------- the plug-in bitmap

const TGraphicClassInfo TSPIBitmap::Class = {"TSPIBitmap", &TBitmap::Class,
                                             []() -> TGraphic* { return new TSPIBitmap(); }};

TSPIBitmap::TSPIBitmap()
    : FOnLoadFromStreamWithName([this](TStream& Stream, const std::string& FileName) {
          LoadFromStreamWithName(Stream, FileName);
      })
{
}

TProgressEvent TSPIBitmap::Forwarder()
{
    return [this](TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const TRect& R,
                  const std::string& Msg) { ForwardProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg); };
}

void TSPIBitmap::ForwardProgress(TObject*, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const TRect& R,
                                 const std::string& Msg)
{
    if (Stage != psEnding)
        Progress(this, Stage, PercentDone, RedrawNow, R, Msg);
}

void TSPIBitmap::ReportLoaded() { Progress(this, psEnding, 100, true, Rect(0, 0, Width(), Height()), "Loaded Graphic"); }

void TSPIBitmap::LoadFromFile(const std::string& FileName)
{
    const bool otherFirst = CompareTextAscii(ExtractFileExt(ExtractFileName(FileName)), ".BMP") == 0;
    try {
        AssignDecoded(LoadGraphicFromFile(&TSPIGraphic::Class, FileName, ClassType()->Parent, otherFirst, Forwarder()));
    } catch (...) {
        ReportLoaded();
        throw;
    }
    ReportLoaded();
}

void TSPIBitmap::LoadFromStream(TStream& Stream) { LoadFromStreamWithName(Stream, std::string()); }

void TSPIBitmap::LoadFromStreamWithName(TStream& Stream, const std::string& FileName)
{
    const bool otherFirst = CompareTextAscii(ExtractFileExt(ExtractFileName(FileName)), ".BMP") == 0;
    try {
        AssignDecoded(LoadGraphicFromStream(&TSPIGraphic::Class, Stream, FileName, ClassType()->Parent, otherFirst,
                                            Forwarder()));
    } catch (...) {
        ReportLoaded();
        throw;
    }
    ReportLoaded();
}

void TSPIBitmap::AssignDecoded(TGraphic* Graphic)
{
    std::unique_ptr<TGraphic> g(Graphic);
    if (!g)
        throw EInvalidGraphic(kCouldNotDecode);
    auto* spi = dynamic_cast<TSPIGraphic*>(g.get());
    if (!spi) {
        Assign(g.get());
        return;
    }
    // Taken before the conversion releases the graphic's palette.
    GdiObject<HPALETTE> pal(spi->Is4Bit() ? CopyPalette(spi->Palette()) : nullptr);
    std::unique_ptr<TGraphic> converted(spi->ConvertAndRelease(ClassType()->Parent));
    if (auto* bitmap = dynamic_cast<TBitmap*>(converted.get()))
        TakeImageOf(*bitmap);  // what Assign gives, without copying a big picture once more
    else
        Assign(converted.get());
    if (pal)
        SetPalette(pal.release());
}

void TSPIBitmap::Assign(TPersistent* Source)
{
    auto* spi = dynamic_cast<TSPIGraphic*>(Source);
    if (!spi) {
        TBitmap::Assign(Source);
        return;
    }
    std::unique_ptr<TGraphic> converted(spi->ConvertTo(ClassType()->Parent));
    TBitmap::Assign(converted.get());
    if (spi->Is4Bit())
        SetPalette(CopyPalette(spi->Palette()));
}

// ---------------------------------------------------------------- start-up and shut-down

namespace {

struct PluginGraphicsUnit {
    PluginGraphicsUnit() { TSPIs::SetDefaultGraphicClass(&TSPIBitmap::Class); }
    ~PluginGraphicsUnit() { TPicture::UnregisterGraphicClass(&TSPIBitmap::Class); }
};

}  // namespace

void InitPluginGraphics()
{
    // The registry first, so that it outlives the shut-down below.
    TPicture::FileFormats();
    static PluginGraphicsUnit unit;
}

}  // namespace kova
