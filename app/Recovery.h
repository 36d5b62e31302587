#pragma once
// Recovery copies: while a diagram has unsaved changes, each running instance keeps one copy of
// it in a folder of the user's own, never beside the user's files. A lock file beside each copy,
// held open without sharing, says that its instance still runs: a copy whose lock can be taken
// was left by an instance that ended. Copies are written as Save writes, by a thread of their
// own, so that the pointer never waits for them.
#include <windows.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Diagram.h"
#include "surface/GdiHandles.h"

namespace kova {

class TRecovery {
public:
    // Creates the folder when it is missing.
    explicit TRecovery(std::string folder);
    // Waits for a copy under way; the copy itself stays, as after a crash.
    ~TRecovery();
    TRecovery(const TRecovery&) = delete;
    TRecovery& operator=(const TRecovery&) = delete;

    // %LOCALAPPDATA%\KOVA\Recovery
    static std::string UserFolder();
    const std::string& Folder() const { return FFolder; }

    // Copies left by instances that no longer run, newest first. Each stays locked by this
    // object until it is adopted, deleted, moved aside or released.
    std::vector<std::string> Leftovers();
    // The copy becomes this instance's own, rewritten from now on.
    void Adopt(const std::string& copy);
    void Delete(const std::string& copy);
    // Into the folder's "Damaged" folder; returns the new name.
    std::string MoveAside(const std::string& copy);
    void Release(const std::string& copy);

    // This instance's copy: the bitmap file of the sheet with the diagram after its pixels.
    // Write hands it to the writer thread, where a newer copy replaces one not yet written;
    // WriteNow writes it before it returns. Discard deletes it.
    void Write(std::vector<uint8_t> picture, diagram::Document doc);
    void WriteNow(std::vector<uint8_t> picture, diagram::Document doc);
    void Discard();
    // Empty until the first copy is written or adopted.
    std::string CopyName() const;

private:
    struct Job {
        std::vector<uint8_t> Picture;
        diagram::Document Doc;
    };
    void Run();
    void Save(Job& job);
    // Locks copy's lock file; false when another instance holds it.
    bool Lock(const std::string& copy);

    std::string FFolder;
    std::map<std::string, FileHandle> FLocks;  // the copies this object holds, by their lock files
    std::string FCopy;                      // this instance's own copy

    mutable std::mutex FFileMutex;  // held while the copy is written or deleted
    std::mutex FJobMutex;
    std::condition_variable FWake;
    std::optional<Job> FJob;
    bool FStop = false;
    std::thread FWriter;
};

}  // namespace kova
