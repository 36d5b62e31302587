// File streams and whole-file saving: the part of the streams that needs the Windows API.
#include <windows.h>

#include <algorithm>

#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "base/Streams.h"

namespace kova {

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::fmCreate);
    SaveToStream(file);
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : FFileName(fileName)
{
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
    case TFileMode::fmOpenRead: break;
    case TFileMode::fmOpenWrite: access = GENERIC_WRITE; break;
    case TFileMode::fmOpenReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    case TFileMode::fmCreate:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    }
    FHandle = CreateFileA(fileName.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE) {
        if (mode == TFileMode::fmCreate)
            throw EFCreateError(fileName);
        throw EFOpenError(fileName);
    }
}

TFileStream::~TFileStream() { CloseHandle(FHandle); }

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t total = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
        DWORD got = 0;
        if (!ReadFile(FHandle, p + total, chunk, &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t total = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - total, 1 << 30));
        DWORD put = 0;
        if (!WriteFile(FHandle, p + total, chunk, &put, nullptr) || put == 0)
            break;
        total += put;
    }
    return total;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                 : origin == TSeekOrigin::soCurrent   ? FILE_CURRENT
                                                      : FILE_END;
    if (!SetFilePointerEx(FHandle, distance, &result, method))
        return -1;
    return result.QuadPart;
}

void TFileStream::Flush()
{
    if (!FlushFileBuffers(FHandle))
        throw EWriteError("ストリームの書き込みエラー");
}

void SaveFileReplacing(const std::string& fileName, const std::function<void(TStream&)>& writer)
{
    // What a plain create would refuse (a read-only file, a directory) stays refused.
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw EFCreateError(fileName);
    std::string dir = ExtractFilePath(fileName);
    char temp[MAX_PATH + 16];
    if (!GetTempFileNameA(dir.empty() ? "." : dir.c_str(), "kov", 0, temp))
        throw EFCreateError(fileName);
    bool written = false;
    try {
        TFileStream out(temp, TFileMode::fmCreate);
        writer(out);
        out.Flush();
        written = true;
    } catch (...) {
        written = false;
    }
    if (!written || !MoveFileExA(temp, fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        throw EFCreateError(fileName);
    }
}

}  // namespace kova
