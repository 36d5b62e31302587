#pragma once
// The common dialogs of comdlg32: open, save and print.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "base/Classes.h"
#include "surface/Graphics.h"

namespace kova {

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofNoValidate,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoDereferenceLinks,
    ofEnableSizing,
};

// A set of TOpenOption, bit n for element n.
class TOpenOptions {
public:
    constexpr TOpenOptions() = default;
    constexpr TOpenOptions(std::initializer_list<TOpenOption> options)
    {
        for (TOpenOption o : options)
            Include(o);
    }
    constexpr bool Contains(TOpenOption o) const { return (FBits & Bit(o)) != 0; }
    constexpr void Include(TOpenOption o) { FBits |= Bit(o); }
    constexpr void Exclude(TOpenOption o) { FBits &= ~Bit(o); }
    constexpr bool operator==(const TOpenOptions&) const = default;

private:
    static constexpr uint32_t Bit(TOpenOption o) { return uint32_t{1} << o; }
    uint32_t FBits = 0;
};

// "Description|mask|Description|mask" -> the NUL-separated, double-NUL-ended list that
// comdlg32 takes. A description left without a mask is dropped; "" gives "".
std::string MakeOfnFilter(const std::string& filter);

class TCommonDialog : public TComponent {
public:
    using TComponent::TComponent;
    // Shows the dialog, owned by the thread's active window; true when the user chose OK.
    virtual bool Execute() = 0;
};

class TOpenDialog : public TCommonDialog {
public:
    using TCommonDialog::TCommonDialog;
    bool Execute() override;

    std::string DefaultExt;
    std::string Filter;
    int FilterIndex = 1;
    // In: the name the dialog starts with. Out: the chosen full path.
    std::string FileName;
    std::string InitialDir;
    std::string Title;
    TOpenOptions Options{ofHideReadOnly, ofEnableSizing};

protected:
    bool ExecuteFile(bool save);
};

class TSaveDialog : public TOpenDialog {
public:
    using TOpenDialog::TOpenDialog;
    bool Execute() override;
};

class TPrintDialog : public TCommonDialog {
public:
    using TCommonDialog::TCommonDialog;
    // Under Wine without a printer the dialog fails at once: false.
    bool Execute() override;
};

}  // namespace kova
