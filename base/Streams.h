#pragma once
// Byte streams: the abstract stream, memory streams and file streams.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Classes.h"

namespace kova {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    virtual int64_t Size();

    // Whole-buffer transfers; raise EReadError / EWriteError when short.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (its whole content from the start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }

    void SetSize(int64_t size);
    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    void Clear();
    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(TStream& dest);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// Open modes of a file stream.
enum class TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

class TFileStream : public TStream {
public:
    // Raises EFOpenError (open modes) or EFCreateError (fmCreate) with the file name.
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    const std::string& FileName() const { return FFileName; }
    // Makes the system write what it holds of the file to the disk; raises EWriteError.
    void Flush();

private:
    void* FHandle;
    std::string FFileName;
};

// Writes a file as a whole: the content goes to a temporary file beside the target, which is
// flushed to the disk and then replaces the target, so that neither a failure nor a power cut
// leaves a short file where the old one stood.
// Raises EFCreateError with the target's name.
void SaveFileReplacing(const std::string& fileName, const std::function<void(TStream&)>& writer);

}  // namespace kova
