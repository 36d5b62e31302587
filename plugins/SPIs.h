#pragma once
// The Susie plug-in host: the plug-in interface, the plug-in modules of each kind, and the
// collection that finds plug-ins at start-up and registers their picture formats.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Classes.h"
#include "base/Exceptions.h"
#include "surface/Graphics.h"

namespace kova {

// ---------------------------------------------------------------- the plug-in interface

#pragma pack(push, 1)
struct TPictureInfo {
    int32_t Left, Top;
    int32_t Width, Height;
    uint16_t XDensity, YDensity;
    int16_t ColorDepth;
    HLOCAL hInfo;  // text information; whoever asked frees it
};
#pragma pack(pop)
static_assert(sizeof(TPictureInfo) == 22 + sizeof(HLOCAL) && offsetof(TPictureInfo, hInfo) == 22);

// Returns 0 to go on, 1 to stop the plug-in.
using TSPIProgressCallback = int(WINAPI*)(int Done, int Total, int32_t Data);

using TGetPluginInfoProc = int(WINAPI*)(int InfoNo, char* Buf, int BufLen);
using TIsSupportedProc = int(WINAPI*)(const char* FileName, uintptr_t Data);
using TGetPictureInfoProc = int(WINAPI*)(const char* Source, int32_t Length, uint32_t Flag,
                                         TPictureInfo* Info);
using TGetPictureProc = int(WINAPI*)(const char* Source, int32_t Length, uint32_t Flag, HLOCAL* InfoHandle,
                                     HLOCAL* PixelHandle, TSPIProgressCallback Progress, int32_t Data);

// ---------------------------------------------------------------- exceptions

class ESPIFOpenErrorSPI : public Exception {
public:
    explicit ESPIFOpenErrorSPI(const std::string& FileName);
};

class ESPIInvalidAPI : public Exception {
public:
    ESPIInvalidAPI(const std::string& ProcName, const std::string& FileName);
};

// Kept for callers that tell a broken plug-in apart; CreateSPI treats it as a file that
// cannot be loaded.
class ESPIInvalidSPI : public Exception {
public:
    using Exception::Exception;
};

// A fault that the plug-in left unhandled inside one of its exports.
class ESPIFault : public Exception {
public:
    ESPIFault(const std::string& ProcName, const std::string& FileName);
};

class ESPIDupCreateSPIs : public Exception {
public:
    ESPIDupCreateSPIs();
};

// ---------------------------------------------------------------- modules

// A loaded module, freed with FreeLibrary.
class ModuleHandle {
public:
    explicit ModuleHandle(HMODULE h) : FHandle(h) {}
    ModuleHandle(ModuleHandle&& o) noexcept : FHandle(std::exchange(o.FHandle, nullptr)) {}
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;
    ~ModuleHandle()
    {
        if (FHandle)
            FreeLibrary(FHandle);
    }
    HMODULE get() const { return FHandle; }

private:
    HMODULE FHandle;
};

class TSPI;

// A class reference for modules: CreateSPI builds the chosen kind through it, GetSPIs
// selects by it.
struct TSPIClassInfo {
    const char* ClassName;
    const TSPIClassInfo* Parent;
    std::unique_ptr<TSPI> (*Create)(const std::string& FileName);
};
using TSPIClass = const TSPIClassInfo*;
bool InheritsFrom(TSPIClass cls, TSPIClass ancestor);

// One loaded plug-in file. Modules are built through Create (or CreateSPI), which runs the
// kind's export check and reads the information entries once; a module that fails either
// is unloaded at once.
class TSPI : public TObject {
public:
    static const TSPIClassInfo Class;
    // Raises ESPIFOpenErrorSPI when the file is no loadable module, ESPIInvalidAPI when it
    // lacks an export the kind requires.
    static std::unique_ptr<TSPI> Create(const std::string& FileName);

    virtual TSPIClass ClassType() const { return &Class; }
    // Raises ESPIInvalidAPI for the first required export that is missing.
    virtual void CheckAPI();

    FARPROC GetProc(const std::string& Name) const;
    void CheckProc(FARPROC Proc, const std::string& Name) const;

    int GetPluginInfo(int InfoNo, char* Buf, int BufLen);

    HMODULE Handle() const { return FHandle.get(); }
    const std::string& FileName() const { return FFileName; }
    const std::string& APIVersion() const { return FAPIVersion; }
    const std::string& PluginName() const { return FPluginName; }
    const TStrings& Extensions() const { return FExtensions; }
    const TStrings& Descriptions() const { return FDescriptions; }
    // Whether a call into the module ended in a fault; the picture loader skips it from then on.
    bool Faulted() const { return FFaulted; }

    // Formats read beyond this many are dropped: a plug-in that answers every entry number
    // must not keep the start-up asking forever.
    static constexpr int MaxFormats = 1024;

protected:
    // Loads the file by its full path and looks up the exports.
    explicit TSPI(const std::string& FileName);

    // Finishes a fresh module of any kind: its own export check, then its entries.
    template <class T>
    static std::unique_ptr<T> Built(T* fresh)
    {
        std::unique_ptr<T> spi(fresh);
        spi->Build();
        return spi;
    }

    // Calls an export after checking it, under the fault guard; a fault marks the module.
    template <class F>
    int Invoke(FARPROC proc, const char* name, F call);

    // Each nullptr when the module lacks that export.
    FARPROC FGetPluginInfo, FIsSupported, FGetPictureInfo, FGetPicture, FGetPreview;
    FARPROC FGetArchiveInfo, FGetFileInfo, FGetFile, FConfigurationDlg;

private:
    void Build();
    // One information entry, at most 255 bytes; false when the plug-in has none.
    bool ReadInfoEntry(int InfoNo, std::string& text);

    ModuleHandle FHandle;
    std::string FFileName;
    std::string FAPIVersion;
    std::string FPluginName;
    TStrings FExtensions;
    TStrings FDescriptions;
    bool FFaulted = false;
};

class TLoaderSPI : public TSPI {
public:
    static const TSPIClassInfo Class;
    static std::unique_ptr<TLoaderSPI> Create(const std::string& FileName);
    TSPIClass ClassType() const override { return &Class; }
    void CheckAPI() override;

    int IsSupported(const char* FileName, uintptr_t Data);

protected:
    using TSPI::TSPI;
};

class TInSPI : public TLoaderSPI {
public:
    static const TSPIClassInfo Class;
    static std::unique_ptr<TInSPI> Create(const std::string& FileName);
    TSPIClass ClassType() const override { return &Class; }
    void CheckAPI() override;

    int GetPictureInfo(const char* Source, int32_t Length, uint32_t Flag, TPictureInfo* Info);
    int GetPicture(const char* Source, int32_t Length, uint32_t Flag, HLOCAL* InfoHandle, HLOCAL* PixelHandle,
                   TSPIProgressCallback Progress, int32_t Data);
    int GetPreview(const char* Source, int32_t Length, uint32_t Flag, HLOCAL* InfoHandle, HLOCAL* PixelHandle,
                   TSPIProgressCallback Progress, int32_t Data);

protected:
    using TLoaderSPI::TLoaderSPI;
};

class TAmSPI : public TLoaderSPI {
public:
    static const TSPIClassInfo Class;
    static std::unique_ptr<TAmSPI> Create(const std::string& FileName);
    TSPIClass ClassType() const override { return &Class; }
    void CheckAPI() override;

protected:
    using TLoaderSPI::TLoaderSPI;
};

class TXnSPI : public TSPI {
public:
    static const TSPIClassInfo Class;
    static std::unique_ptr<TXnSPI> Create(const std::string& FileName);
    TSPIClass ClassType() const override { return &Class; }

protected:
    using TSPI::TSPI;
};

// Probes the file and builds a module of the kind its API version names; nullptr when the
// file is no loadable module. ESPIInvalidAPI and every other failure pass on.
std::unique_ptr<TSPI> CreateSPI(const std::string& FileName);

// ---------------------------------------------------------------- the collection

enum TSPISearchOption { spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir };

// A set of search options, one bit per option's ordinal value.
class TSPISearchOptions {
public:
    constexpr TSPISearchOptions() = default;
    constexpr TSPISearchOptions(std::initializer_list<TSPISearchOption> options)
    {
        for (TSPISearchOption o : options)
            FBits = static_cast<uint8_t>(FBits | 1u << o);
    }
    constexpr bool Contains(TSPISearchOption o) const { return (FBits >> o & 1u) != 0; }
    constexpr uint8_t Bits() const { return FBits; }
    bool operator==(const TSPISearchOptions&) const = default;

private:
    uint8_t FBits = 0;
};

using TSPISearchEvent = std::function<void(TObject* Sender, TSPI* ASPI, bool& Accept)>;
using TSPISearchingEvent = std::function<void(TObject* Sender, const std::string& FileName, bool& Accept)>;
using TSPILoadFromStreamWithNameEvent = std::function<void(TStream& Stream, const std::string& FileName)>;
using TSPIPictureRegisterEvent =
    std::function<void(TObject* Sender, TInSPI* ASPI, const std::string& AExtension,
                       const std::string& ADescription, TGraphicClass& AGraphicClass)>;

// The plug-in collection: at most one runs at a time (SPIsInstance). It owns its modules.
class TSPIs : public TComponent {
public:
    // The data offsets the picture loader tries: plain, then past a MacBinary header.
    static constexpr int32_t MacBinaryOffsets[2] = {0, 128};

    // Raises ESPIDupCreateSPIs while another one runs.
    explicit TSPIs(TComponent* AOwner);
    ~TSPIs() override;

    bool MacBinary() const { return FMacBinary; }
    void SetMacBinary(bool v) { FMacBinary = v; }
    bool GraphicPreview() const { return FGraphicPreview; }
    void SetGraphicPreview(bool v) { FGraphicPreview = v; }
    bool AutoSearch() const { return FAutoSearch; }
    void SetAutoSearch(bool v) { FAutoSearch = v; }
    TSPISearchOptions SearchOptions() const { return FSearchOptions; }
    void SetSearchOptions(TSPISearchOptions v) { FSearchOptions = v; }

    TSPISearchEvent OnSearch;
    TSPISearchingEvent OnSearching;
    TSPIPictureRegisterEvent OnPictureRegister;

    int Count() const { return static_cast<int>(FList.size()); }
    // Raises EListError outside 0 .. Count-1.
    TSPI* Items(int Index) const;
    // ASCII letter case ignored; -1 when absent.
    int IndexOf(const std::string& FileName) const;
    // Both take SPI over once they return; when they raise, SPI stays the caller's.
    void Add(TSPI* SPI);
    void Insert(int Index, TSPI* SPI);
    void Delete(int Index);
    void Clear();
    // Finds, loads and adds plug-ins; ESPIInvalidAPI and what OnSearching raises end it.
    void Search(const std::string& Mask);
    // Appends the modules of Classes to List, those whose masks name FileName's extension
    // moved to the front.
    void GetSPIs(const std::vector<TSPIClass>& Classes, std::vector<TSPI*>& List,
                 const std::string& FileName) const;

    // The class that picture formats of plug-ins are registered under.
    static TGraphicClass DefaultGraphicClass();
    static void SetDefaultGraphicClass(TGraphicClass cls);

protected:
    void Loaded() override;

private:
    void SearchDirectory(const std::string& Dir, const std::string& Mask);
    std::vector<std::string> ListCandidates(const std::string& Dir, const std::string& Mask) const;
    void LoadCandidate(const std::string& FileName);
    void RegisterFormats(TInSPI* SPI);

    bool FMacBinary = true;
    bool FGraphicPreview = false;
    bool FAutoSearch = true;
    TSPISearchOptions FSearchOptions{spsSusieDir, spsAppDir};
    std::vector<std::unique_ptr<TSPI>> FList;
};

// The running collection, or nullptr.
TSPIs* SPIsInstance();

}  // namespace kova
