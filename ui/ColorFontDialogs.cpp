#include "ui/ColorFontDialogs.h"

#include <commdlg.h>

#include <algorithm>

namespace kova {

namespace {

using DialogScript::TAnswer;

TFontPitch PitchOf(BYTE pitchAndFamily)
{
    switch (pitchAndFamily & 0x0F) {
    case FIXED_PITCH:
        return fpFixed;
    case VARIABLE_PITCH:
        return fpVariable;
    default:
        return fpDefault;
    }
}

BYTE PitchBits(TFontPitch pitch)
{
    switch (pitch) {
    case fpFixed:
        return FIXED_PITCH;
    case fpVariable:
        return VARIABLE_PITCH;
    case fpDefault:
        break;
    }
    return DEFAULT_PITCH;
}

LOGFONTA LogFontOf(TFont& font)
{
    LOGFONTA lf{};
    lf.lfHeight = font.Height();
    lf.lfWeight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.Style() & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (font.Style() & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (font.Style() & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = font.Charset();
    lf.lfPitchAndFamily = PitchBits(font.Pitch());
    const std::string& name = font.Name();
    std::copy_n(name.begin(), std::min(name.size(), std::size(lf.lfFaceName) - 1), lf.lfFaceName);
    return lf;
}

TFontStyles StylesOf(const LOGFONTA& lf)
{
    TFontStyles s = 0;
    if (lf.lfWeight >= FW_BOLD)
        s |= fsBold;
    if (lf.lfItalic)
        s |= fsItalic;
    if (lf.lfUnderline)
        s |= fsUnderline;
    if (lf.lfStrikeOut)
        s |= fsStrikeOut;
    return s;
}

}  // namespace

// ---------------------------------------------------------------- TColorDialog

uint32_t TColorDialog::Flags() const
{
    static const struct {
        TColorDialogOption Option;
        DWORD Flag;
    } flags[] = {
        {cdFullOpen, CC_FULLOPEN},   {cdPreventFullOpen, CC_PREVENTFULLOPEN}, {cdShowHelp, CC_SHOWHELP},
        {cdSolidColor, CC_SOLIDCOLOR}, {cdAnyColor, CC_ANYCOLOR},
    };
    uint32_t result = CC_RGBINIT;
    for (const auto& f : flags)
        if (Options.Contains(f.Option))
            result |= f.Flag;
    return result;
}

bool TColorDialog::Execute()
{
    if (auto answer = DialogScript::TakeAnswer({"TColorDialog", {}, {}, {}, {}, Flags(), Color})) {
        if (answer->Kind == TAnswer::akCancel)
            return false;
        if (answer->Kind != TAnswer::akColor)
            DialogScript::WrongAnswer("TColorDialog");
        Color = answer->Color;
        return true;
    }
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = GetActiveWindow();
    cc.rgbResult = ColorToRGB(Color);
    cc.lpCustColors = FCustomColors.data();
    cc.Flags = Flags();
    if (!ChooseColorA(&cc))
        return false;
    Color = static_cast<TColor>(cc.rgbResult);
    return true;
}

// ---------------------------------------------------------------- TFontDialog

uint32_t TFontDialog::Flags() const
{
    uint32_t result = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (Options.Contains(fdEffects))
        result |= CF_EFFECTS;
    if (MinFontSize != 0 || MaxFontSize != 0)
        result |= CF_LIMITSIZE;
    return result;
}

bool TFontDialog::Execute()
{
    if (auto answer = DialogScript::TakeAnswer({"TFontDialog", {}, {}, {}, {}, Flags(), FFont.Color()})) {
        if (answer->Kind == TAnswer::akCancel)
            return false;
        if (answer->Kind != TAnswer::akFont)
            DialogScript::WrongAnswer("TFontDialog");
        TakeChoice(answer->Font);
        return true;
    }
    LOGFONTA lf = LogFontOf(FFont);
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = GetActiveWindow();
    cf.lpLogFont = &lf;
    cf.Flags = Flags();
    cf.rgbColors = ColorToRGB(FFont.Color());
    cf.nSizeMin = MinFontSize;
    cf.nSizeMax = MaxFontSize;
    if (!ChooseFontA(&cf))
        return false;
    TakeChoice({lf.lfFaceName, static_cast<int>(lf.lfHeight), StylesOf(lf), static_cast<TColor>(cf.rgbColors),
                lf.lfCharSet, PitchOf(lf.lfPitchAndFamily)});
    return true;
}

void TFontDialog::TakeChoice(const DialogScript::TFontChoice& choice)
{
    FFont.SetName(choice.Name);
    FFont.SetHeight(choice.Height);
    FFont.SetStyle(choice.Style);
    FFont.SetColor(choice.Color);
    FFont.SetCharset(choice.Charset);
    FFont.SetPitch(choice.Pitch);
}

}  // namespace kova
