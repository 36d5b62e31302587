#pragma once
// The common dialogs of comdlg32 (open, save, print), and the scripted answers that let
// tests run their callers without a person.
#include <cstdint>
#include <initializer_list>
#include <optional>
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

// Answers queued here are taken, oldest first, by the next Execute of any common dialog
// instead of showing a window. A scripted file name gets the dialog's default extension
// when it has none, as comdlg32 does with a typed name.
namespace DialogScript {

// What an Execute was called with; empty fields for a dialog that has no such property.
struct TRequest {
    std::string DialogClass;
    std::string Filter;
    std::string DefaultExt;
    std::string FileName;
    TOpenOptions Options;
    uint32_t Flags = 0;  // the CC_ or CF_ flags of a colour or font dialog
    TColor Color = 0;    // the colour a colour or font dialog starts with
};

// A font as the font dialog hands it back.
struct TFontChoice {
    std::string Name;
    int Height = 0;
    TFontStyles Style = 0;
    TColor Color = 0;
    TFontCharset Charset = 0;
    TFontPitch Pitch = fpDefault;
};

void PushFileName(const std::string& fileName);
void PushCancel();
void PushColor(TColor color);
// The font's face, height, style, colour, character set and pitch.
void PushFont(TFont* font);
// Drops every queued answer and forgets the last request.
void Clear();
int Pending();
// The last Execute, scripted or real; DialogClass is empty when none ran since Clear.
const TRequest& LastRequest();

// For the dialog wrappers.
struct TAnswer {
    enum TKind { akFileName, akCancel, akColor, akFont };
    TKind Kind = akCancel;
    std::string FileName;
    TColor Color = 0;
    TFontChoice Font;
};
// Records the request and takes the oldest queued answer; nothing when none is queued.
std::optional<TAnswer> TakeAnswer(TRequest request);
// Raises EInvalidOperation: the queued answer is not one for this dialog.
[[noreturn]] void WrongAnswer(const std::string& dialogClass);

}  // namespace DialogScript

}  // namespace kova
