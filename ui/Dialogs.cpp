#include "ui/Dialogs.h"

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "base/UniqueHandle.h"

namespace kova {

namespace {

// Splits at every bar that is a character of its own, not the trail byte of a
// double-byte one ("ポ" ends in 0x7C).
std::vector<std::string> SplitAtBars(const std::string& s)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            parts.back().append(s, i, 2);
            ++i;
        } else if (s[i] == '|') {
            parts.emplace_back();
        } else {
            parts.back() += s[i];
        }
    }
    return parts;
}

DWORD OfnFlags(const TOpenOptions& options)
{
    static const struct {
        TOpenOption Option;
        DWORD Flag;
    } flags[] = {
        {ofReadOnly, OFN_READONLY},
        {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
        {ofHideReadOnly, OFN_HIDEREADONLY},
        {ofNoChangeDir, OFN_NOCHANGEDIR},
        {ofNoValidate, OFN_NOVALIDATE},
        {ofPathMustExist, OFN_PATHMUSTEXIST},
        {ofFileMustExist, OFN_FILEMUSTEXIST},
        {ofCreatePrompt, OFN_CREATEPROMPT},
        {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
        {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
        {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
        {ofEnableSizing, OFN_ENABLESIZING},
    };
    DWORD result = OFN_EXPLORER;
    for (const auto& f : flags)
        if (options.Contains(f.Option))
            result |= f.Flag;
    return result;
}

const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

bool RunFileDialog(TOpenDialog& dialog, bool save, const std::string& initialName)
{
    std::vector<char> name(std::max<size_t>(MAX_PATH * 4, initialName.size() + 1), '\0');
    std::copy(initialName.begin(), initialName.end(), name.begin());
    const std::string filter = MakeOfnFilter(dialog.Filter);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(dialog.FilterIndex, 0));
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = OrNull(dialog.InitialDir);
    ofn.lpstrTitle = OrNull(dialog.Title);
    ofn.lpstrDefExt = OrNull(dialog.DefaultExt);
    ofn.Flags = OfnFlags(dialog.Options);

    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)))
        return false;
    dialog.FileName = name.data();
    dialog.FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}

// Failures that come from the name the dialog was started with, not from the system.
bool IsInitialNameError(DWORD error)
{
    return error == FNERR_INVALIDFILENAME || error == FNERR_BUFFERTOOSMALL;
}

// A global-memory handle that a common dialog allocated for its caller.
using GlobalMemory = UniqueHandle<HGLOBAL, &GlobalFree>;

}  // namespace

std::string MakeOfnFilter(const std::string& filter)
{
    const std::vector<std::string> parts = SplitAtBars(filter);
    std::string result;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        result += parts[i] + '\0';
        result += parts[i + 1] + '\0';
    }
    if (!result.empty())
        result += '\0';
    return result;
}

bool TOpenDialog::Execute() { return ExecuteFile(false); }

bool TSaveDialog::Execute() { return ExecuteFile(true); }

bool TOpenDialog::ExecuteFile(bool save)
{
    if (RunFileDialog(*this, save, FileName))
        return true;
    // A start name the dialog refuses would otherwise keep the dialog from ever opening.
    if (!FileName.empty() && IsInitialNameError(CommDlgExtendedError()))
        return RunFileDialog(*this, save, std::string());
    return false;
}

bool TPrintDialog::Execute()
{
    PRINTDLGA pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = GetActiveWindow();
    const BOOL ok = PrintDlgA(&pd);
    GlobalMemory devMode(pd.hDevMode);
    GlobalMemory devNames(pd.hDevNames);
    return ok != FALSE;
}

}  // namespace kova
