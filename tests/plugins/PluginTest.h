#pragma once
// Helpers of the plug-in tests: the fixture plug-ins, scratch directories, files placed into
// directories the tests do not own, the Susie registry value and the current directory.
// Each one undoes what it did.
#include <windows.h>

#include <string>
#include <vector>

namespace kova::test {

// Wine paths come from CMake with forward slashes; the host splits at backslashes.
inline std::string Backslashed(std::string s)
{
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

inline std::string FixturePath(const std::string& variant)
{
    return Backslashed(KOVA_SPI_FIXTURES) + "\\" + variant + ".spi";
}

inline bool IsLoaded(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

inline void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\");
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

// A fresh directory in the temporary folder, removed with all it holds.
class TempDir {
public:
    TempDir()
    {
        static int serial = 0;
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, temp);
        FPath = std::string(temp) + "kova_spi_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++serial) + "\\";
        CreateDirectoryA(FPath.c_str(), nullptr);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { RemoveTree(FPath); }

    // Ends with a backslash.
    const std::string& Path() const { return FPath; }
    std::string Copy(const std::string& variant, const std::string& name) const
    {
        std::string dest = FPath + name;
        CopyFileA(FixturePath(variant).c_str(), dest.c_str(), FALSE);
        return dest;
    }
    std::string Write(const std::string& name, const std::string& text) const
    {
        std::string dest = FPath + name;
        HANDLE f = CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
        return dest;
    }
    // A subdirectory; returns its path with a backslash.
    std::string Sub(const std::string& name) const
    {
        CreateDirectoryA((FPath + name).c_str(), nullptr);
        return FPath + name + "\\";
    }

private:
    std::string FPath;
};

// A fixture copied into a directory that the test does not own; removed afterwards.
class PlacedFile {
public:
    PlacedFile(const std::string& variant, const std::string& dir, const std::string& name)
        : FPath(dir + name), FPlaced(CopyFileA(FixturePath(variant).c_str(), FPath.c_str(), TRUE) != 0)
    {
    }
    PlacedFile(const PlacedFile&) = delete;
    PlacedFile& operator=(const PlacedFile&) = delete;
    ~PlacedFile()
    {
        if (FPlaced)
            DeleteFileA(FPath.c_str());
    }
    bool Placed() const { return FPlaced; }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    bool FPlaced;
};

// The Susie viewer's "Path" value, owned by the test: the keys and the value as they were
// are put back afterwards.
class SusiePathValue {
public:
    SusiePathValue()
    {
        for (const char* key : kKeys)
            FExisted.push_back(KeyExists(key));
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeys[2], 0, KEY_READ, &k) == ERROR_SUCCESS) {
            DWORD size = 0;
            if (RegQueryValueExA(k, "Path", nullptr, &FOldType, nullptr, &size) == ERROR_SUCCESS) {
                FOldData.resize(size);
                RegQueryValueExA(k, "Path", nullptr, &FOldType, FOldData.data(), &size);
                FHadValue = true;
            }
            RegCloseKey(k);
        }
    }
    SusiePathValue(const SusiePathValue&) = delete;
    SusiePathValue& operator=(const SusiePathValue&) = delete;
    ~SusiePathValue()
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeys[2], 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
            if (FHadValue)
                RegSetValueExA(k, "Path", 0, FOldType, FOldData.data(), static_cast<DWORD>(FOldData.size()));
            else
                RegDeleteValueA(k, "Path");
            RegCloseKey(k);
        }
        for (int i = 2; i >= 0; --i)
            if (!FExisted[static_cast<size_t>(i)])
                RegDeleteKeyA(HKEY_CURRENT_USER, kKeys[i]);
    }

    void Set(const std::string& value, DWORD type = REG_SZ)
    {
        SetRaw(type, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    }
    void SetRaw(DWORD type, const BYTE* data, DWORD size)
    {
        HKEY k;
        RegCreateKeyExA(HKEY_CURRENT_USER, kKeys[2], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        RegSetValueExA(k, "Path", 0, type, data, size);
        RegCloseKey(k);
    }
    // No key at all, as on a machine without the viewer.
    void RemoveKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kKeys[2]); }

private:
    static constexpr const char* kKeys[3] = {"Software\\Quellvar", "Software\\Quellvar\\Susie",
                                             "Software\\Quellvar\\Susie\\Plug-in"};
    static bool KeyExists(const char* key)
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }
    std::vector<bool> FExisted;
    bool FHadValue = false;
    DWORD FOldType = 0;
    std::vector<BYTE> FOldData;
};

// The process's current directory for one scope.
class CurrentDir {
public:
    explicit CurrentDir(const std::string& dir)
    {
        char old[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(MAX_PATH, old);
        FOld = old;
        SetCurrentDirectoryA(dir.c_str());
    }
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;
    ~CurrentDir() { SetCurrentDirectoryA(FOld.c_str()); }

private:
    std::string FOld;
};

// The directory of the running test program, with a backslash.
inline std::string ProgramDir()
{
    char buf[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path = buf;
    return path.substr(0, path.rfind('\\') + 1);
}

inline std::string SystemDir()
{
    char buf[MAX_PATH + 1] = {};
    GetSystemDirectoryA(buf, MAX_PATH);
    return std::string(buf) + "\\";
}

inline std::string WindowsDir()
{
    char buf[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(buf, MAX_PATH);
    return std::string(buf) + "\\";
}

}  // namespace kova::test
