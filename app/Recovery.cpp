#include "app/Recovery.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "app/Unit1.h"
#include "base/Exceptions.h"
#include "base/Streams.h"
#include "ui/Application.h"

namespace kova {

namespace {

constexpr char CopyExtension[] = ".bmp";

std::string LockName(const std::string& copy) { return copy.substr(0, copy.size() - 4) + ".lock"; }

uint64_t WriteTime(const WIN32_FIND_DATAA& found)
{
    return uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32 | found.ftLastWriteTime.dwLowDateTime;
}

}  // namespace

TRecovery::TRecovery(std::string folder) : FFolder(std::move(folder))
{
    if (!FFolder.empty() && FFolder.back() != '\\')
        FFolder += '\\';
    if (SHCreateDirectoryExA(nullptr, FFolder.c_str(), nullptr) != ERROR_SUCCESS &&
        GetFileAttributesA(FFolder.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw EFCreateError(FFolder);
    FWriter = std::thread([this] { Run(); });
}

TRecovery::~TRecovery()
{
    {
        std::lock_guard<std::mutex> lock(FJobMutex);
        FStop = true;
    }
    FWake.notify_one();
    FWriter.join();
}

std::string TRecovery::UserFolder()
{
    char local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local)))
        throw EFOpenError("%LOCALAPPDATA%");
    return std::string(local) + "\\KOVA\\Recovery\\";
}

bool TRecovery::Lock(const std::string& copy)
{
    if (FLocks.count(copy))
        return true;
    // Without sharing, and gone with its handle: a crashed instance leaves no lock behind.
    FileHandle lock(CreateFileA(LockName(copy).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!lock)
        return false;
    FLocks.emplace(copy, std::move(lock));
    return true;
}

std::vector<std::string> TRecovery::Leftovers()
{
    std::vector<std::pair<uint64_t, std::string>> found;
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA((FFolder + "*" + CopyExtension).c_str(), &data));
    for (bool more = bool(search); more; more = FindNextFileA(search.get(), &data))
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            found.emplace_back(WriteTime(data), FFolder + data.cFileName);
    std::sort(found.rbegin(), found.rend());
    std::vector<std::string> copies;
    std::lock_guard<std::mutex> lock(FFileMutex);
    for (const auto& [time, copy] : found)
        if (copy != FCopy && Lock(copy))
            copies.push_back(copy);
    return copies;
}

void TRecovery::Adopt(const std::string& copy)
{
    std::lock_guard<std::mutex> lock(FFileMutex);
    if (!FCopy.empty() && FCopy != copy) {
        DeleteFileA(FCopy.c_str());
        FLocks.erase(FCopy);
    }
    FCopy = copy;
}

void TRecovery::Delete(const std::string& copy)
{
    std::lock_guard<std::mutex> lock(FFileMutex);
    DeleteFileA(copy.c_str());
    FLocks.erase(copy);
}

std::string TRecovery::MoveAside(const std::string& copy)
{
    const std::string aside = FFolder + "Damaged\\";
    CreateDirectoryA(aside.c_str(), nullptr);
    const std::string name = copy.substr(FFolder.size());
    std::string target = aside + name;
    for (int n = 2; GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        target = aside + name.substr(0, name.size() - 4) + "-" + std::to_string(n) + CopyExtension;
    std::lock_guard<std::mutex> lock(FFileMutex);
    if (!MoveFileExA(copy.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        throw EFCreateError(target);
    FLocks.erase(copy);
    return target;
}

void TRecovery::Release(const std::string& copy)
{
    std::lock_guard<std::mutex> lock(FFileMutex);
    FLocks.erase(copy);
}

std::string TRecovery::CopyName() const
{
    std::lock_guard<std::mutex> lock(FFileMutex);
    return FCopy;
}

void TRecovery::Write(std::vector<uint8_t> picture, diagram::Document doc)
{
    {
        std::lock_guard<std::mutex> lock(FJobMutex);
        FJob = Job{std::move(picture), std::move(doc)};
    }
    FWake.notify_one();
}

void TRecovery::WriteNow(std::vector<uint8_t> picture, diagram::Document doc)
{
    {
        std::lock_guard<std::mutex> lock(FJobMutex);
        FJob.reset();
    }
    Job job{std::move(picture), std::move(doc)};
    std::lock_guard<std::mutex> lock(FFileMutex);
    Save(job);
}

void TRecovery::Discard()
{
    {
        std::lock_guard<std::mutex> lock(FJobMutex);
        FJob.reset();
    }
    std::lock_guard<std::mutex> lock(FFileMutex);
    if (!FCopy.empty())
        DeleteFileA(FCopy.c_str());
}

void TRecovery::Run()
{
    // A redraw goes first when both want the processor.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(FJobMutex);
            FWake.wait(lock, [this] { return FStop || FJob; });
            if (!FJob)
                return;
        }
        // Taken with the file held, so that a Discard meanwhile either drops it or waits.
        std::lock_guard<std::mutex> file(FFileMutex);
        std::optional<Job> job;
        {
            std::lock_guard<std::mutex> lock(FJobMutex);
            job.swap(FJob);
        }
        try {
            if (job)
                Save(*job);
        } catch (...) {
            // The next change tries again.
        }
    }
}

// The name tells the copies apart by the time and the process that made them; the lock, not
// the name, tells whose they are. Runs with the file mutex held.
void TRecovery::Save(Job& job)
{
    for (int n = 0; FCopy.empty(); ++n) {
        if (n == 100)
            throw EFCreateError(FFolder);
        SYSTEMTIME t;
        GetLocalTime(&t);
        char name[64];
        std::snprintf(name, sizeof name, "%04u%02u%02u-%02u%02u%02u-%lu-%d", t.wYear, t.wMonth, t.wDay, t.wHour,
                      t.wMinute, t.wSecond, GetCurrentProcessId(), n);
        const std::string copy = FFolder + name + CopyExtension;
        if (GetFileAttributesA(copy.c_str()) == INVALID_FILE_ATTRIBUTES && Lock(copy))
            FCopy = copy;
    }
    diagram::Embed(job.Picture, job.Doc);
    SaveFileReplacing(FCopy, [&job](TStream& out) {
        out.WriteBuffer(job.Picture.data(), static_cast<int64_t>(job.Picture.size()));
    });
}

// The main window's side: the copy follows the diagram's state.

void TForm1::StateChanged()
{
    if (!Recovery)
        return;
    // About 2 s after the last change: a burst of changes makes one copy.
    FCopyTimer->SetEnabled(false);
    if (Modified())
        FCopyTimer->SetEnabled(true);
    else
        Recovery->Discard();
}

void TForm1::WriteRecoveryCopy(bool now)
{
    FCopyTimer->SetEnabled(false);
    if (!Recovery || !Modified() || !Image1->Picture()->Graphic())
        return;
    if (now)
        Recovery->WriteNow(SheetFile(), FHistory.Current());
    else
        Recovery->Write(SheetFile(), FHistory.Current());
}

// One copy is restored; the others stay for a later start.
void TForm1::OfferRecovery()
{
    if (!Recovery)
        return;
    bool restored = false;
    for (const std::string& copy : Recovery->Leftovers()) {
        if (restored) {
            Recovery->Release(copy);
            continue;
        }
        std::optional<diagram::Document> doc;
        try {
            doc = ReadDiagram(copy);
            if (!doc)
                throw diagram::EDiagramError("図のデータがありません");
        } catch (const Exception& e) {
            const std::string aside = Recovery->MoveAside(copy);
            ShowMessage(Format("復元用の図が壊れていました。次の場所へ移しました:\n%s\n\n%s", aside.c_str(),
                               e.Message.c_str()));
            continue;
        }
        if (MessageBoxA(Handle(), "保存されていない図が残っています。復元しますか？", Application->Title().c_str(),
                        MB_YESNO | MB_ICONQUESTION) == IDYES) {
            Recovery->Adopt(copy);
            OpenDocument(*doc);
            Checkpoint();
            restored = true;
        } else {
            Recovery->Delete(copy);
        }
    }
}

}  // namespace kova
