#include "ui/ColorFontDialogs.h"

#include <commdlg.h>

namespace kova {

namespace {

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
    TakeChoice(lf, cf.rgbColors);
    return true;
}

void TFontDialog::TakeChoice(const LOGFONTA& lf, COLORREF color)
{
    FFont.SetName(lf.lfFaceName);
    FFont.SetHeight(lf.lfHeight);
    FFont.SetStyle(StylesOf(lf));
    FFont.SetColor(static_cast<TColor>(color));
    FFont.SetCharset(lf.lfCharSet);
    FFont.SetPitch(PitchOf(lf.lfPitchAndFamily));
}

}  // namespace kova
