/* KOVA's own Susie picture plug-in (API "00IN"): PNG, JPEG, GIF (first frame), TGA, PSD and
   PNM decoded by stb_image into bottom-up 24-bit DIBs, or 32-bit ones when there is alpha. */
#include <windows.h>
#include <limits.h>
#include <string.h>

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_TGA
#define STBI_ONLY_PSD
#define STBI_ONLY_PNM
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
/* Plug-in calls come from the host's one user-interface thread. */
#define STBI_NO_THREAD_LOCALS
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

enum {
    SPI_OK = 0,
    SPI_ABORTED = 1,
    SPI_UNKNOWN_FORMAT = 2,
    SPI_BROKEN_DATA = 3,
    SPI_NO_MEMORY = 4,
    SPI_FILE_READ_ERROR = 6,
    SPI_INTERNAL_ERROR = 8
};

enum { HEAD_SIZE = 2048 };

/* The host refuses pictures above 1 GiB, so neither our decoded pixels nor the DIB may pass it. */
#define MAX_DIB_BYTES (1u << 30)

#pragma pack(push, 1)
typedef struct {
    long left, top;
    long width, height;
    WORD x_density, y_density;
    short colorDepth;
    HLOCAL hInfo;
} PictureInfo;
#pragma pack(pop)
_Static_assert(sizeof(PictureInfo) == 26, "the API's packed picture information record");

typedef int(WINAPI* ProgressCallback)(int done, int total, long data);

static const char* const plugin_info[] = {
    "00IN",
    "KOVA stb_image plug-in",
    "*.png", "PNG画像",
    "*.jpg;*.jpeg", "JPEG画像",
    "*.gif", "GIF画像",
    "*.tga", "TGA画像",
    "*.psd", "Photoshop画像",
    "*.pnm;*.ppm;*.pgm", "PNM画像",
};

/* Data to decode: either borrowed from the caller or read from a file into our own block. */
typedef struct {
    const unsigned char* bytes;
    int size;
    unsigned char* owned;
} Source;

static int read_le16(const unsigned char* p) { return p[0] | (p[1] << 8); }

/* TGA has no magic number: accept only a header whose fields all make sense. */
static int is_tga(const unsigned char* h)
{
    int map_type = h[1], type = h[2], depth = h[16];
    if (read_le16(h + 12) < 1 || read_le16(h + 14) < 1)
        return 0;
    if (map_type == 1) {
        int entry = h[7];
        return (type == 1 || type == 9) && (depth == 8 || depth == 16) &&
               (entry == 15 || entry == 16 || entry == 24 || entry == 32);
    }
    if (map_type != 0)
        return 0;
    if (type == 3 || type == 11)
        return depth == 8 || depth == 16;
    return (type == 2 || type == 10) && (depth == 15 || depth == 16 || depth == 24 || depth == 32);
}

static int is_space(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/* The head must hold at least 18 bytes (the TGA header); shorter data is zero-padded. */
static int known_signature(const unsigned char* h)
{
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (memcmp(h, png, sizeof png) == 0)
        return 1;
    if (h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF)
        return 1;
    if (memcmp(h, "GIF87a", 6) == 0 || memcmp(h, "GIF89a", 6) == 0)
        return 1;
    if (memcmp(h, "8BPS", 4) == 0 && h[4] == 0 && h[5] == 1)
        return 1;
    if (h[0] == 'P' && (h[1] == '5' || h[1] == '6') && is_space(h[2]))
        return 1;
    return is_tga(h);
}

static int source_signature(const Source* src)
{
    unsigned char head[18] = {0};
    memcpy(head, src->bytes, src->size < (int)sizeof head ? (size_t)src->size : sizeof head);
    return known_signature(head);
}

/* stb_image reads zeros past the end of uncompressed TGA and PNM data; a short file must fail. */
static unsigned long long tga_needed(const unsigned char* h)
{
    int type = h[2], entry_bits = h[7];
    unsigned long long map_entries = (unsigned long long)read_le16(h + 5);
    unsigned long long pixels = (unsigned long long)read_le16(h + 12) * read_le16(h + 14);
    if (type != 1 && type != 2 && type != 3)
        return 0;
    return 18ull + h[0] + (h[1] ? map_entries * ((entry_bits + 7) / 8) : 0) + pixels * ((h[16] + 7) / 8);
}

/* Reads one header number, skipping white space and comments; 0 when there is none. */
static unsigned long pnm_number(const unsigned char* p, int size, int* pos)
{
    unsigned long value = 0;
    while (*pos < size && (is_space(p[*pos]) || p[*pos] == '#')) {
        if (p[*pos] == '#')
            while (*pos < size && p[*pos] != '\n' && p[*pos] != '\r')
                ++*pos;
        else
            ++*pos;
    }
    while (*pos < size && p[*pos] >= '0' && p[*pos] <= '9' && value < 0x1000000)
        value = value * 10 + (unsigned long)(p[(*pos)++] - '0');
    return value;
}

static unsigned long long pnm_needed(const unsigned char* p, int size)
{
    int pos = 2;
    unsigned long long width = pnm_number(p, size, &pos);
    unsigned long long height = pnm_number(p, size, &pos);
    unsigned long maxval = pnm_number(p, size, &pos);
    unsigned long long channels = p[1] == '6' ? 3 : 1;
    return (unsigned long long)pos + 1 + width * height * channels * (maxval > 255 ? 2 : 1);
}

static int data_complete(const Source* src)
{
    const unsigned char* p = src->bytes;
    if (src->size >= 3 && p[0] == 'P' && (p[1] == '5' || p[1] == '6') && is_space(p[2]))
        return pnm_needed(p, src->size) <= (unsigned long long)src->size;
    if (src->size < 18)
        return 1; /* stb_image rejects it */
    if (is_tga(p))
        return tga_needed(p) <= (unsigned long long)src->size;
    return 1;
}

static int read_file(const char* name, long offset, Source* src)
{
    HANDLE file;
    LARGE_INTEGER size, pos;
    DWORD got = 0;
    int result = SPI_OK;

    file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return SPI_FILE_READ_ERROR;
    pos.QuadPart = offset;
    if (offset < 0 || !GetFileSizeEx(file, &size) || size.QuadPart - offset < 1 ||
        size.QuadPart - offset > INT_MAX || !SetFilePointerEx(file, pos, NULL, FILE_BEGIN)) {
        result = SPI_FILE_READ_ERROR;
    } else if ((src->owned = (unsigned char*)malloc((size_t)(size.QuadPart - offset))) == NULL) {
        result = SPI_NO_MEMORY;
    } else if (!ReadFile(file, src->owned, (DWORD)(size.QuadPart - offset), &got, NULL) ||
               got != (DWORD)(size.QuadPart - offset)) {
        result = SPI_FILE_READ_ERROR;
    } else {
        src->bytes = src->owned;
        src->size = (int)got;
    }
    CloseHandle(file);
    return result;
}

/* Flag bits 0-2: 0 a file name and the picture's offset in it, 1 memory and its byte count. */
static int open_source(LPCSTR buf, long len, unsigned int flag, Source* src)
{
    int result;
    src->bytes = NULL;
    src->size = 0;
    src->owned = NULL;
    if (buf == NULL)
        return SPI_INTERNAL_ERROR;
    switch (flag & 7) {
    case 0:
        result = read_file(buf, len, src);
        break;
    case 1:
        if (len < 1)
            return SPI_BROKEN_DATA;
        src->bytes = (const unsigned char*)buf;
        src->size = (int)len;
        result = SPI_OK;
        break;
    default:
        return SPI_INTERNAL_ERROR;
    }
    if (result == SPI_OK && !source_signature(src))
        result = SPI_UNKNOWN_FORMAT;
    else if (result == SPI_OK && !data_complete(src))
        result = SPI_BROKEN_DATA;
    if (result != SPI_OK) {
        free(src->owned);
        src->owned = NULL;
    }
    return result;
}

static void close_source(Source* src) { free(src->owned); }

static int decode_error(void)
{
    const char* reason = stbi_failure_reason();
    return reason && strcmp(reason, "outofmem") == 0 ? SPI_NO_MEMORY : SPI_BROKEN_DATA;
}

/* Judged by the pixels, not by the channel count: stb_image reports four channels for every GIF
   and three for a grey or RGB PNG whose transparent colour it turns into alpha. */
static int has_alpha(const unsigned char* rgba, size_t pixels)
{
    size_t i;
    for (i = 0; i < pixels; ++i)
        if (rgba[i * 4 + 3] != 255)
            return 1;
    return 0;
}

static int report(ProgressCallback progress, int done, long data)
{
    return progress && progress(done, 2, data) != 0;
}

/* Rows bottom-up, each padded to four bytes; blue, green, red (and alpha). */
static void fill_dib(unsigned char* dib, const unsigned char* rgba, int width, int height, int bytes,
                     size_t stride)
{
    int x, y;
    for (y = 0; y < height; ++y) {
        const unsigned char* in = rgba + (size_t)y * width * 4;
        unsigned char* out = dib + (size_t)(height - 1 - y) * stride;
        for (x = 0; x < width; ++x, in += 4, out += bytes) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (bytes == 4)
                out[3] = in[3];
        }
    }
}

static int make_dib(const unsigned char* rgba, int width, int height, HLOCAL* info,
                    HLOCAL* pixels)
{
    int bytes = has_alpha(rgba, (size_t)width * height) ? 4 : 3;
    unsigned long long stride = ((unsigned long long)width * bytes + 3) & ~3ull;
    unsigned long long total = stride * (unsigned long long)height;
    BITMAPINFOHEADER* header;
    unsigned char* bits;

    if (total > MAX_DIB_BYTES)
        return SPI_NO_MEMORY;
    *info = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER));
    *pixels = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (SIZE_T)total);
    header = *info ? (BITMAPINFOHEADER*)LocalLock(*info) : NULL;
    bits = *pixels ? (unsigned char*)LocalLock(*pixels) : NULL;
    if (!header || !bits) {
        if (header)
            LocalUnlock(*info);
        if (bits)
            LocalUnlock(*pixels);
        LocalFree(*info);
        LocalFree(*pixels);
        *info = *pixels = NULL;
        return SPI_NO_MEMORY;
    }
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = (WORD)(bytes * 8);
    header->biCompression = BI_RGB;
    header->biSizeImage = (DWORD)total;
    fill_dib(bits, rgba, width, height, bytes, (size_t)stride);
    LocalUnlock(*info);
    LocalUnlock(*pixels);
    return SPI_OK;
}

__declspec(dllexport) int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen)
{
    size_t n;
    if (infono < 0 || infono >= (int)(sizeof plugin_info / sizeof plugin_info[0]) || buf == NULL ||
        buflen < 1)
        return 0;
    n = strlen(plugin_info[infono]);
    if (n > (size_t)buflen - 1)
        n = (size_t)buflen - 1;
    memcpy(buf, plugin_info[infono], n);
    buf[n] = '\0';
    return (int)n;
}

/* dw is a file handle when its high word is zero, else the address of the first 2048 bytes. */
__declspec(dllexport) int WINAPI IsSupported(LPCSTR filename, DWORD dw)
{
    unsigned char head[HEAD_SIZE] = {0};
    (void)filename;
    if ((dw & 0xFFFF0000u) == 0) {
        DWORD got = 0;
        if (!ReadFile((HANDLE)(ULONG_PTR)dw, head, sizeof head, &got, NULL))
            return 0;
        return known_signature(head);
    }
    return known_signature((const unsigned char*)(ULONG_PTR)dw);
}

__declspec(dllexport) int WINAPI GetPictureInfo(LPCSTR buf, long len, unsigned int flag,
                                                PictureInfo* lpInfo)
{
    Source src;
    int width, height, channels, result;
    if (lpInfo == NULL)
        return SPI_INTERNAL_ERROR;
    result = open_source(buf, len, flag, &src);
    if (result != SPI_OK)
        return result;
    if (stbi_info_from_memory(src.bytes, src.size, &width, &height, &channels)) {
        memset(lpInfo, 0, sizeof *lpInfo);
        lpInfo->width = width;
        lpInfo->height = height;
        lpInfo->colorDepth = (short)(channels == 2 || channels == 4 ? 32 : 24);
    } else {
        result = SPI_BROKEN_DATA;
    }
    close_source(&src);
    return result;
}

__declspec(dllexport) int WINAPI GetPicture(LPCSTR buf, long len, unsigned int flag, HANDLE* pHBInfo,
                                            HANDLE* pHBm, ProgressCallback lpPrgressCallback,
                                            long lData)
{
    Source src;
    unsigned char* rgba = NULL;
    HLOCAL info = NULL, pixels = NULL;
    int width, height, channels, result;

    if (pHBInfo == NULL || pHBm == NULL)
        return SPI_INTERNAL_ERROR;
    *pHBInfo = *pHBm = NULL;
    if (report(lpPrgressCallback, 0, lData))
        return SPI_ABORTED;
    result = open_source(buf, len, flag, &src);
    if (result != SPI_OK)
        return result;
    /* A header alone can ask for gigabytes; refuse before stb_image allocates them. */
    if (!stbi_info_from_memory(src.bytes, src.size, &width, &height, &channels))
        result = SPI_BROKEN_DATA;
    else if ((unsigned long long)width * height * 4 > MAX_DIB_BYTES)
        result = SPI_NO_MEMORY;
    else if ((rgba = stbi_load_from_memory(src.bytes, src.size, &width, &height, &channels, 4)) == NULL)
        result = decode_error();
    close_source(&src);
    if (result != SPI_OK)
        return result;
    if (report(lpPrgressCallback, 1, lData))
        result = SPI_ABORTED;
    else
        result = make_dib(rgba, width, height, &info, &pixels);
    stbi_image_free(rgba);
    if (result == SPI_OK && report(lpPrgressCallback, 2, lData)) {
        LocalFree(info);
        LocalFree(pixels);
        result = SPI_ABORTED;
    }
    if (result == SPI_OK) {
        *pHBInfo = info;
        *pHBm = pixels;
    }
    return result;
}
