// Graphics in general, pictures and the picture-format registry.
#include "base/Cp932.h"
#include "base/Exceptions.h"
#include "surface/Graphics.h"

namespace kova {

bool InheritsFrom(TGraphicClass cls, TGraphicClass ancestor)
{
    for (; cls; cls = cls->Parent)
        if (cls == ancestor)
            return true;
    return false;
}

// ---------------------------------------------------------------- graphic

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName)
{
    SaveFileReplacing(fileName, [this](TStream& stream) { SaveToStream(stream); });
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, uint8_t percent, bool redrawNow, const TRect& r,
                        const std::string& msg)
{
    if (OnProgress)
        OnProgress(sender, stage, percent, redrawNow, r, msg);
}

// ---------------------------------------------------------------- registry

namespace {

std::vector<TFileFormat>& Formats()
{
    static std::vector<TFileFormat> formats = {
        {"wmf", "メタファイル", &TMetafile::Class},
        {"emf", "拡張メタファイル", &TMetafile::Class},
        {"ico", "アイコン", &TIcon::Class},
        {"bmp", "ビットマップ", &TBitmap::Class},
    };
    return formats;
}

std::string NormalExtension(const std::string& extension)
{
    return AnsiLowerCaseAscii(!extension.empty() && extension[0] == '.' ? extension.substr(1) : extension);
}

TProgressEvent ForwarderOf(TPicture* picture)
{
    return [picture](TObject* sender, TProgressStage stage, uint8_t percent, bool redrawNow, const TRect& r,
                     const std::string& msg) {
        if (picture->OnProgress)
            picture->OnProgress(sender, stage, percent, redrawNow, r, msg);
    };
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicClass graphicClass)
{
    Formats().push_back({NormalExtension(extension), description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass)
{
    std::erase_if(Formats(), [graphicClass](const TFileFormat& f) { return f.GraphicClass == graphicClass; });
}

const std::vector<TFileFormat>& TPicture::FileFormats() { return Formats(); }

TGraphicClass TPicture::FindFileFormat(const std::string& extension)
{
    const std::string ext = NormalExtension(extension);
    const auto& formats = Formats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Extension == ext)
            return it->GraphicClass;
    return nullptr;
}

// ---------------------------------------------------------------- picture

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    if (FGraphic) {
        FGraphic->OnChange = [this](TObject*) { GraphicChanged(); };
        FGraphic->OnProgress = ForwarderOf(this);
    }
    GraphicChanged();
}

void TPicture::GraphicChanged()
{
    if (OnChange)
        OnChange(this);
}

void TPicture::SetGraphic(TGraphic* graphic)
{
    if (graphic == FGraphic.get())
        return;
    if (!graphic) {
        TakeGraphic(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> copy(graphic->ClassType()->Create());
    copy->Assign(graphic);
    TakeGraphic(std::move(copy));
}

TBitmap* TPicture::Bitmap()
{
    if (!FGraphic)
        TakeGraphic(std::make_unique<TBitmap>());
    auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!bitmap)
        throw EInvalidGraphic("画像はビットマップではありません");
    return bitmap;
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    const std::string ext = NormalExtension(ExtractFileExt(fileName));
    TGraphicClass cls = FindFileFormat(ext);
    if (!cls)
        throw EInvalidGraphic(Format("拡張子 .%s の画像形式は処理できません", ext.c_str()));
    std::unique_ptr<TGraphic> graphic(cls->Create());
    graphic->OnProgress = ForwarderOf(this);
    graphic->LoadFromFile(fileName);
    TakeGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName)
{
    if (FGraphic)
        FGraphic->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* Source)
{
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(picture->Graphic());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(graphic);
    } else {
        TPersistent::Assign(Source);
    }
}

}  // namespace kova
