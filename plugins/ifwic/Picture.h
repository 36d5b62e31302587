#pragma once
// Pictures through the platform's decoders: what the plug-in's exports do once their
// arguments are checked.
#include <windows.h>

#include <cstdint>

namespace kova::ifwic {

// The plug-in interface's results.
enum SpiResult {
    SpiOk = 0,
    SpiAborted = 1,
    SpiUnknownFormat = 2,
    SpiBrokenData = 3,
    SpiNoMemory = 4,
    SpiFileReadError = 6,
    SpiInternalError = 8
};

#pragma pack(push, 1)
struct PictureInfo {
    int32_t Left, Top;
    int32_t Width, Height;
    uint16_t XDensity, YDensity;
    int16_t ColorDepth;
    HLOCAL Text;
};
#pragma pack(pop)
static_assert(sizeof(PictureInfo) == 22 + sizeof(HLOCAL), "the interface's packed picture information record");

using ProgressCallback = int(WINAPI*)(int Done, int Total, int32_t Data);

// The picture's bytes: flag 0 a file name and the offset of the picture in it, flag 1 the
// address of the picture in memory and its length.
struct SourceArgs {
    const char* Source;
    int32_t Length;
    uint32_t Flag;
};

constexpr int HeadSize = 2048;

// Nonzero when an installed decoder recognises the picture's first bytes.
int Recognised(const uint8_t (&head)[HeadSize]);

int ReadPictureInfo(const SourceArgs& source, PictureInfo& info);

// The first frame as a bottom-up DIB in local memory: 24 bits per pixel, or 32 with straight
// alpha when the picture has alpha.
int DecodePicture(const SourceArgs& source, HLOCAL& infoHandle, HLOCAL& pixelHandle, ProgressCallback progress,
                  int32_t data);

}  // namespace kova::ifwic
