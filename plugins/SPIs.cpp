#include "plugins/SPIs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "base/Cp932.h"
#include "plugins/FaultGuard.h"
#include "plugins/SPIRules.h"

namespace kova {

// ---------------------------------------------------------------- exceptions

ESPIFOpenErrorSPI::ESPIFOpenErrorSPI(const std::string& FileName)
    : Exception(Format("%s:Susie Pluginがロードできませんでした", FileName.c_str()))
{
}

ESPIInvalidAPI::ESPIInvalidAPI(const std::string& ProcName, const std::string& FileName)
    : Exception(Format("%sは[%s]では使えないSusie Plugin APIです", ProcName.c_str(), FileName.c_str()))
{
}

ESPIFault::ESPIFault(const std::string& ProcName, const std::string& FileName)
    : Exception(Format("%s:Susie Pluginが%sの中で異常終了しました", FileName.c_str(), ProcName.c_str()))
{
}

ESPIDupCreateSPIs::ESPIDupCreateSPIs() : Exception("TSPIs は複数生成できません") {}

// ---------------------------------------------------------------- modules

namespace {

// Keeps the system from asking the user about a file that is no module.
class QuietErrorMode {
public:
    QuietErrorMode() : FOld(SetErrorMode(0))
    {
        SetErrorMode(FOld | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;
    ~QuietErrorMode() { SetErrorMode(FOld); }

private:
    UINT FOld;
};

// Loads by the full path only: a relative name must never reach the system's DLL search.
HMODULE LoadModule(const std::string& FileName)
{
    char full[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(FileName.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH)
        throw ESPIFOpenErrorSPI(FileName);
    QuietErrorMode quiet;
    HMODULE h = LoadLibraryA(full);
    if (!h)
        throw ESPIFOpenErrorSPI(FileName);
    return h;
}

std::string ModuleFileName(HMODULE h, const std::string& fallback)
{
    char buf[256] = {};
    DWORD n = GetModuleFileNameA(h, buf, 255);
    buf[255] = '\0';
    return n > 0 ? std::string(buf) : fallback;
}

template <class T>
T ProcAs(FARPROC p)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(p));
}

template <class T>
std::unique_ptr<TSPI> CreateAs(const std::string& FileName)
{
    return T::Create(FileName);
}

}  // namespace

bool InheritsFrom(TSPIClass cls, TSPIClass ancestor)
{
    for (; cls; cls = cls->Parent)
        if (cls == ancestor)
            return true;
    return false;
}

const TSPIClassInfo TSPI::Class = {"TSPI", nullptr, &CreateAs<TSPI>};
const TSPIClassInfo TLoaderSPI::Class = {"TLoaderSPI", &TSPI::Class, &CreateAs<TLoaderSPI>};
const TSPIClassInfo TInSPI::Class = {"TInSPI", &TLoaderSPI::Class, &CreateAs<TInSPI>};
const TSPIClassInfo TAmSPI::Class = {"TAmSPI", &TLoaderSPI::Class, &CreateAs<TAmSPI>};
const TSPIClassInfo TXnSPI::Class = {"TXnSPI", &TSPI::Class, &CreateAs<TXnSPI>};

TSPI::TSPI(const std::string& FileName) : FHandle(LoadModule(FileName))
{
    FFileName = ModuleFileName(FHandle.get(), FileName);
    FGetPluginInfo = GetProc("GetPluginInfo");
    FIsSupported = GetProc("IsSupported");
    FGetPictureInfo = GetProc("GetPictureInfo");
    FGetPicture = GetProc("GetPicture");
    FGetPreview = GetProc("GetPreview");
    FGetArchiveInfo = GetProc("GetArchiveInfo");
    FGetFileInfo = GetProc("GetFileInfo");
    FGetFile = GetProc("GetFile");
    FConfigurationDlg = GetProc("ConfigurationDlg");
}

// A module that faulted may be corrupt: its unload code would run unguarded. The end of the
// process detaches it.
TSPI::~TSPI()
{
    if (FFaulted)
        FHandle.release();
}

std::unique_ptr<TSPI> TSPI::Create(const std::string& FileName) { return Built(new TSPI(FileName)); }

void TSPI::Build()
{
    CheckAPI();
    ReadInfoEntry(0, FAPIVersion);
    ReadInfoEntry(1, FPluginName);
    for (int n = 2; FExtensions.Count() < MaxFormats; n += 2) {
        std::string mask, description;
        if (!ReadInfoEntry(n, mask) || !ReadInfoEntry(n + 1, description))
            break;
        FExtensions.Add(mask);
        FDescriptions.Add(description);
    }
}

bool TSPI::ReadInfoEntry(int InfoNo, std::string& text)
{
    // The plug-in is told of 255 bytes; the room behind them takes what one writes past that,
    // and the text is cut at 255 whatever it wrote.
    constexpr int told = 255;
    std::array<char, 1024> buf{};
    if (GetPluginInfo(InfoNo, buf.data(), told) <= 0)
        return false;
    text.assign(buf.data(), strnlen(buf.data(), told));
    return true;
}

FARPROC TSPI::GetProc(const std::string& Name) const { return GetProcAddress(FHandle.get(), Name.c_str()); }

void TSPI::CheckProc(FARPROC Proc, const std::string& Name) const
{
    if (!Proc)
        throw ESPIInvalidAPI(Name, FFileName);
}

void TSPI::CheckAPI() { CheckProc(FGetPluginInfo, "GetPluginInfo"); }

template <class F>
int TSPI::Invoke(FARPROC proc, const char* name, F call)
{
    CheckProc(proc, name);
    int result = 0;
    if (!CallGuarded([](void* c) { return (*static_cast<F*>(c))(); }, &call, result)) {
        FFaulted = true;
        throw ESPIFault(name, FFileName);
    }
    return result;
}

int TSPI::GetPluginInfo(int InfoNo, char* Buf, int BufLen)
{
    return Invoke(FGetPluginInfo, "GetPluginInfo",
                  [&] { return ProcAs<TGetPluginInfoProc>(FGetPluginInfo)(InfoNo, Buf, BufLen); });
}

std::unique_ptr<TLoaderSPI> TLoaderSPI::Create(const std::string& FileName)
{
    return Built(new TLoaderSPI(FileName));
}

void TLoaderSPI::CheckAPI()
{
    TSPI::CheckAPI();
    CheckProc(FIsSupported, "IsSupported");
}

int TLoaderSPI::IsSupported(const char* FileName, uintptr_t Data)
{
    return Invoke(FIsSupported, "IsSupported",
                  [&] { return ProcAs<TIsSupportedProc>(FIsSupported)(FileName, Data); });
}

std::unique_ptr<TInSPI> TInSPI::Create(const std::string& FileName) { return Built(new TInSPI(FileName)); }

void TInSPI::CheckAPI()
{
    TLoaderSPI::CheckAPI();
    CheckProc(FGetPictureInfo, "GetPictureInfo");
    CheckProc(FGetPicture, "GetPicture");
}

int TInSPI::GetPictureInfo(const char* Source, int32_t Length, uint32_t Flag, TPictureInfo* Info)
{
    return Invoke(FGetPictureInfo, "GetPictureInfo",
                  [&] { return ProcAs<TGetPictureInfoProc>(FGetPictureInfo)(Source, Length, Flag, Info); });
}

int TInSPI::GetPicture(const char* Source, int32_t Length, uint32_t Flag, HLOCAL* InfoHandle,
                       HLOCAL* PixelHandle, TSPIProgressCallback Progress, int32_t Data)
{
    return Invoke(FGetPicture, "GetPicture", [&] {
        return ProcAs<TGetPictureProc>(FGetPicture)(Source, Length, Flag, InfoHandle, PixelHandle, Progress, Data);
    });
}

int TInSPI::GetPreview(const char* Source, int32_t Length, uint32_t Flag, HLOCAL* InfoHandle,
                       HLOCAL* PixelHandle, TSPIProgressCallback Progress, int32_t Data)
{
    return Invoke(FGetPreview, "GetPreview", [&] {
        return ProcAs<TGetPictureProc>(FGetPreview)(Source, Length, Flag, InfoHandle, PixelHandle, Progress, Data);
    });
}

std::unique_ptr<TAmSPI> TAmSPI::Create(const std::string& FileName) { return Built(new TAmSPI(FileName)); }

void TAmSPI::CheckAPI()
{
    TLoaderSPI::CheckAPI();
    CheckProc(FGetArchiveInfo, "GetArchiveInfo");
    CheckProc(FGetFileInfo, "GetFileInfo");
    CheckProc(FGetFile, "GetFile");
}

std::unique_ptr<TXnSPI> TXnSPI::Create(const std::string& FileName) { return Built(new TXnSPI(FileName)); }

namespace {

TSPIClass ClassOfKind(TSPIKind kind)
{
    switch (kind) {
    case TSPIKind::In:
        return &TInSPI::Class;
    case TSPIKind::Am:
        return &TAmSPI::Class;
    case TSPIKind::Xn:
        return &TXnSPI::Class;
    case TSPIKind::Plain:
        break;
    }
    return &TSPI::Class;
}

}  // namespace

std::unique_ptr<TSPI> CreateSPI(const std::string& FileName)
{
    try {
        // The probe stays loaded while the chosen kind loads the file again.
        std::unique_ptr<TSPI> probe = TSPI::Create(FileName);
        return ClassOfKind(KindOfAPIVersion(probe->APIVersion()))->Create(FileName);
    } catch (const ESPIFOpenErrorSPI&) {
        return nullptr;
    } catch (const ESPIInvalidSPI&) {
        return nullptr;
    }
}

// ---------------------------------------------------------------- the collection

namespace {

TSPIs* GInstance = nullptr;
TGraphicClass GDefaultGraphicClass = nullptr;

// The volume-label attribute bit, which the headers leave unnamed.
constexpr DWORD kAttributeVolumeLabel = 0x00000008;

using RegKey = UniqueHandle<HKEY, &RegCloseKey>;

// The Susie viewer's plug-in directory, taken as stored; empty when it is not set.
std::string SusieDirectory()
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quellvar\\Susie\\Plug-in", 0, KEY_ALL_ACCESS, key.put()) !=
        ERROR_SUCCESS)
        return std::string();
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), "Path", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return std::string();
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key.get(), "Path", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::string();
    // The stored value need not end with a NUL.
    data[size] = '\0';
    return std::string(data.data());
}

std::string CurrentDirectory()
{
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    if (size == 0)
        return std::string();
    std::vector<char> buf(size + 1, '\0');
    DWORD n = GetCurrentDirectoryA(size, buf.data());
    return n > 0 && n < size ? std::string(buf.data()) : std::string();
}

// GetSystemDirectoryA and GetWindowsDirectoryA: 256-byte buffer, 255 passed.
std::string SystemPath(UINT (WINAPI *get)(LPSTR, UINT))
{
    char buf[256] = {};
    UINT n = get(buf, 255);
    buf[255] = '\0';
    // A result of 255 or more is the size needed; the buffer then holds nothing usable.
    return n > 0 && n < 255 ? std::string(buf) : std::string();
}

std::optional<std::string> DirectoryOf(TSPISearchOption option)
{
    std::string dir;
    switch (option) {
    case spsSusieDir:
        dir = SusieDirectory();
        break;
    case spsAppDir:
        dir = ExtractFilePath(ModuleFileName(nullptr, std::string()));
        break;
    case spsCurrentDir:
        dir = CurrentDirectory();
        break;
    case spsSystemDir:
        dir = SystemPath(GetSystemDirectoryA);
        break;
    case spsWindowsDir:
        dir = SystemPath(GetWindowsDirectoryA);
        break;
    }
    if (dir.empty())
        return std::nullopt;
    return IncludeTrailingBackslash(dir);
}

}  // namespace

TSPIs* SPIsInstance() { return GInstance; }

TGraphicClass TSPIs::DefaultGraphicClass() { return GDefaultGraphicClass; }

void TSPIs::SetDefaultGraphicClass(TGraphicClass cls) { GDefaultGraphicClass = cls; }

TSPIs::TSPIs(TComponent* AOwner) : TComponent(AOwner)
{
    if (GInstance)
        throw ESPIDupCreateSPIs();
    GInstance = this;
}

TSPIs::~TSPIs()
{
    if (GInstance == this)
        GInstance = nullptr;
    Clear();
}

void TSPIs::Loaded()
{
    TComponent::Loaded();
    if (FAutoSearch)
        Search("*.spi");
}

TSPI* TSPIs::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Index);
    return FList[static_cast<size_t>(Index)].get();
}

int TSPIs::IndexOf(const std::string& FileName) const
{
    for (int i = 0; i < Count(); ++i)
        if (CompareTextAscii(FList[static_cast<size_t>(i)]->FileName(), FileName) == 0)
            return i;
    return -1;
}

void TSPIs::Add(TSPI* SPI) { Insert(Count(), SPI); }

void TSPIs::Insert(int Index, TSPI* SPI)
{
    if (Index < 0 || Index > Count())
        throw EListError(Index);
    // An empty slot first, so a failed insertion leaves SPI alone.
    FList.emplace(FList.begin() + Index);
    FList[static_cast<size_t>(Index)].reset(SPI);
    auto* in = dynamic_cast<TInSPI*>(SPI);
    if (!in)
        return;
    try {
        RegisterFormats(in);
    } catch (...) {
        // The list never keeps a module that the caller is going to free.
        auto it = std::find_if(FList.begin(), FList.end(), [SPI](const auto& p) { return p.get() == SPI; });
        if (it != FList.end()) {
            it->release();
            FList.erase(it);
        }
        throw;
    }
}

void TSPIs::RegisterFormats(TInSPI* SPI)
{
    for (int i = 0; i < SPI->Extensions().Count(); ++i) {
        const std::string description = SPI->Descriptions().Strings(i);
        // A handler's change holds for the rest of this entry only.
        TGraphicClass cls = GDefaultGraphicClass;
        for (const std::string& ext : RegistrationExtensions(SPI->Extensions().Strings(i))) {
            if (OnPictureRegister)
                OnPictureRegister(this, SPI, ext, description, cls);
            if (cls)
                TPicture::RegisterFileFormat(ext, description, cls);
        }
    }
}

void TSPIs::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EListError(Index);
    std::unique_ptr<TSPI> spi = std::move(FList[static_cast<size_t>(Index)]);
    FList.erase(FList.begin() + Index);
}

void TSPIs::Clear()
{
    while (Count() > 0)
        Delete(0);
}

void TSPIs::Search(const std::string& Mask)
{
    const std::string dir = ExtractFilePath(Mask);
    if (!dir.empty()) {
        SearchDirectory(dir, ExtractFileName(Mask));
        return;
    }
    for (TSPISearchOption option : {spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir}) {
        if (!FSearchOptions.Contains(option))
            continue;
        if (std::optional<std::string> found = DirectoryOf(option))
            SearchDirectory(*found, Mask);
    }
}

void TSPIs::SearchDirectory(const std::string& Dir, const std::string& Mask)
{
    for (const std::string& candidate : ListCandidates(Dir, Mask)) {
        bool accept = true;
        if (OnSearching)
            OnSearching(this, candidate, accept);
        if (accept)
            LoadCandidate(candidate);
    }
}

std::vector<std::string> TSPIs::ListCandidates(const std::string& Dir, const std::string& Mask) const
{
    constexpr DWORD skipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY | kAttributeVolumeLabel;
    std::vector<std::string> candidates;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((Dir + Mask).c_str(), &data));
    if (!find)
        return candidates;
    do {
        if (data.dwFileAttributes & skipped)
            continue;
        std::string path = Dir + data.cFileName;
        if (IndexOf(path) < 0)
            candidates.push_back(path);
    } while (FindNextFileA(find.get(), &data));
    return candidates;
}

void TSPIs::LoadCandidate(const std::string& FileName)
{
    std::unique_ptr<TSPI> spi;
    try {
        spi = CreateSPI(FileName);
    } catch (const ESPIInvalidAPI&) {
        throw;
    } catch (...) {
        return;
    }
    if (!spi)
        return;
    try {
        bool accept = true;
        if (OnSearch)
            OnSearch(this, spi.get(), accept);
        if (accept) {
            Add(spi.get());
            spi.release();
        }
    } catch (...) {
        // The module goes with spi; the search goes on.
    }
}

void TSPIs::GetSPIs(const std::vector<TSPIClass>& Classes, std::vector<TSPI*>& List,
                    const std::string& FileName) const
{
    const std::string wanted = ExtractFileExt(FileName);
    for (const auto& spi : FList) {
        TSPIClass cls = spi->ClassType();
        if (std::none_of(Classes.begin(), Classes.end(), [cls](TSPIClass c) { return InheritsFrom(cls, c); }))
            continue;
        if (MasksNameExtension(spi->Extensions(), wanted))
            List.insert(List.begin(), spi.get());
        else
            List.push_back(spi.get());
    }
}

}  // namespace kova
