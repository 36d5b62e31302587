/* Fixture Susie plug-ins. One source, built once per variant: FX_<variant> picks the
   information entries, which exports exist and what the picture calls do. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define EXPORT __declspec(dllexport)

#define NO_ENTRY ((const char*)0)

#if defined(FX_IN_A)
static const char* const entries[] = {"00IN", "Fixture IN A", "*.fxa", "Fixture A"};
#elif defined(FX_IN_TWO)
static const char* const entries[] = {"00IN", "Fixture IN two", "*.fxb;*.fxc", "Fixture BC"};
#elif defined(FX_IN_THREE)
static const char* const entries[] = {"00IN", "Fixture IN three", "*.fx1;*.fx2;*.fx3", "Fixture 123",
                                      "*.fx4", "Fixture 4"};
#elif defined(FX_IN_TRAILING)
static const char* const entries[] = {"00IN", "Fixture IN trailing", "*.fxt;", "Fixture T", ";*.fxl", "Fixture L"};
#elif defined(FX_AM)
#define NO_PICTURE_EXPORTS
static const char* const entries[] = {"00AM", "Fixture AM", "*.fxz", "Fixture archive"};
#elif defined(FX_AM_NO_GETFILE)
#define NO_PICTURE_EXPORTS
#define NO_GETFILE
static const char* const entries[] = {"00AM", "Fixture AM without GetFile", "*.fxz", "Fixture archive"};
#elif defined(FX_XN)
static const char* const entries[] = {"00XN", "Fixture XN", "*.fxx", "Fixture XN format"};
#elif defined(FX_IN_LOWER)
static const char* const entries[] = {"00in", "Fixture lower case", "*.fxq", "Fixture Q"};
#elif defined(FX_IN_BLANK)
static const char* const entries[] = {"00IN ", "Fixture trailing blank", "*.fxq", "Fixture Q"};
#elif defined(FX_NO_VERSION)
#define NO_ISSUPPORTED
#define NO_PICTURE_EXPORTS
static const char* const entries[] = {NO_ENTRY, "Fixture without version", "*.fxn", "Fixture N"};
#elif defined(FX_NO_PLUGININFO)
#define NO_GETPLUGININFO
#elif defined(FX_IN_NO_ISSUPPORTED)
#define NO_ISSUPPORTED
static const char* const entries[] = {"00IN", "Fixture without IsSupported"};
#elif defined(FX_IN_NO_GETPICTURE)
#define NO_GETPICTURE
static const char* const entries[] = {"00IN", "Fixture without GetPicture"};
#elif defined(FX_IN_NO_GETPREVIEW)
#define NO_GETPREVIEW
static const char* const entries[] = {"00IN", "Fixture without GetPreview", "*.fxv", "Fixture V"};
#elif defined(FX_IN_ODD)
static const char* const entries[] = {"00IN", "Fixture odd", "*.fxo", "Fixture O", "*.fxp"};
#elif defined(FX_IN_NONE)
static const char* const entries[] = {"00IN", "Fixture without formats"};
#elif defined(FX_IN_ALL)
/* Answers every entry number. */
#define ANSWER_ALL
static const char* const entries[] = {"00IN", "Fixture answering all"};
#elif defined(FX_IN_FAULT)
#define FAULT_IN_PICTURE
static const char* const entries[] = {"00IN", "Fixture faulting", "*.fxf", "Fixture F"};
#elif defined(FX_IN_SELF_HANDLED)
#define SELF_HANDLED_IN_PICTURE
static const char* const entries[] = {"00IN", "Fixture handling its own exception", "*.fxh", "Fixture H"};
#elif defined(FX_IN_DIB)
/* Returns the DIB that the environment describes, reports progress, records its calls. */
#define CONFIGURED_PICTURE
static const char* const entries[] = {"00IN", "Fixture DIB", "*.fxd", "Fixture D"};
#elif defined(FX_IN_REFUSE)
#define REFUSE
static const char* const entries[] = {"00IN", "Fixture refusing", "*.fxr", "Fixture R"};
#elif defined(FX_IN_WRAP)
/* A header whose sizes overflow 64-bit products, in a tiny answer. */
#define CONFIGURED_PICTURE
#define PRESET_DIB "1761607634,-2147483648,24,0,1,40,16"
static const char* const entries[] = {"00IN", "Fixture wrapping", "*.fxw", "Fixture W"};
#elif defined(FX_IN_HUGE)
/* 8193 by 8193 at one bit per pixel: 8 MB of rows claiming more pixels than a bitmap holds. */
#define CONFIGURED_PICTURE
#define PRESET_DIB "8193,8193,1,0,1,40,-1"
static const char* const entries[] = {"00IN", "Fixture huge", "*.fxg", "Fixture G"};
#elif defined(FX_IN_SHARED)
/* Returns one handle for both the header and the pixels. */
#define SHARED_BLOCK
static const char* const entries[] = {"00IN", "Fixture sharing one block", "*.fxs", "Fixture S"};
#elif defined(FX_IN_INFO_JUNK)
/* GetPictureInfo fails and leaves junk in the record's handle. */
#define INFO_JUNK
static const char* const entries[] = {"00IN", "Fixture with junk info", "*.fxj", "Fixture J"};
#elif defined(FX_IN_LONG_INFO)
/* Writes a name longer than the buffer length it is told. */
#define LONG_NAME 300
static const char* const entries[] = {"00IN", "", "*.fxl", "Fixture long"};
#elif defined(FX_INFO_FAULT)
#define FAULT_IN_INFO
static const char* const entries[] = {"00IN", "Fixture faulting in GetPluginInfo"};
#else
#error "no fixture variant chosen"
#endif

#ifdef NO_PICTURE_EXPORTS
#define NO_GETPICTUREINFO
#define NO_GETPICTURE
#define NO_GETPREVIEW
#endif

#if defined(FAULT_IN_INFO) || defined(FAULT_IN_PICTURE)
/* A volatile null, so the compiler keeps the faulting store. */
static int* volatile nowhere;

static void fault(void) { *nowhere = 1; }
#endif

#ifndef NO_GETPLUGININFO
EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen)
{
    const char* text = NO_ENTRY;
    int n;
#ifdef FAULT_IN_INFO
    fault();
#endif
    if (infono >= 0 && infono < (int)(sizeof entries / sizeof entries[0]))
        text = entries[infono];
#ifdef ANSWER_ALL
    else if (infono >= 2)
        text = (infono & 1) ? "Fixture any" : "*.fxy";
#endif
    if (!text || buflen <= 0)
        return 0;
#ifdef LONG_NAME
    if (infono == 1) {
        memset(buf, 'L', LONG_NAME);
        buf[LONG_NAME] = '\0';
        return LONG_NAME;
    }
#endif
    n = (int)strlen(text);
    if (n > buflen - 1)
        n = buflen - 1;
    memcpy(buf, text, (size_t)n);
    buf[n] = '\0';
    return n;
}
#endif

#ifndef NO_ISSUPPORTED
EXPORT int WINAPI IsSupported(LPCSTR filename, DWORD dw)
{
    (void)filename;
    (void)dw;
#ifdef REFUSE
    return 0;
#else
    return 1;
#endif
}
#endif

#ifndef NO_GETPICTUREINFO
EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG len, UINT flag, void* info)
{
    (void)buf;
    (void)len;
    (void)flag;
    memset(info, 0, 26);
#ifdef INFO_JUNK
    *(DWORD*)((BYTE*)info + 22) = 0x5A5A5A5Au;
    return 1;
#else
    return 0;
#endif
}
#endif

#if !defined(NO_GETPICTURE) || !defined(NO_GETPREVIEW)
/* A 2 by 1 bitmap, 24 bits per pixel: blue then red. With SHARED_BLOCK one block holds the
   header and serves as the pixels too. */
static int make_picture(HLOCAL* hinfo, HLOCAL* hbits)
{
    BITMAPINFOHEADER* head;
    BYTE* bits;
    *hinfo = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER));
#ifdef SHARED_BLOCK
    *hbits = *hinfo;
#else
    *hbits = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 8);
#endif
    if (!*hinfo || !*hbits)
        return 4;
    head = (BITMAPINFOHEADER*)LocalLock(*hinfo);
    head->biSize = sizeof(BITMAPINFOHEADER);
    head->biWidth = 2;
    head->biHeight = 1;
    head->biPlanes = 1;
    head->biBitCount = 24;
    LocalUnlock(*hinfo);
#ifndef SHARED_BLOCK
    bits = (BYTE*)LocalLock(*hbits);
    bits[0] = 0xFF;
    bits[5] = 0xFF;
    LocalUnlock(*hbits);
#else
    (void)bits;
#endif
    return 0;
}
#endif

#ifdef SELF_HANDLED_IN_PICTURE
/* The plug-in handles what it raises and lets the raise return. */
static int handled;

static int is_own(EXCEPTION_RECORD* rec)
{
    return rec->ExceptionCode == 0xE0001234u && !(rec->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND));
}

#if defined(__i386__)
/* Its own SEH record, first in the thread's chain. */
struct own_frame {
    struct own_frame* previous;
    void* handler;
};

static EXCEPTION_DISPOSITION __cdecl own_handler(EXCEPTION_RECORD* rec, void* frame, CONTEXT* ctx, void* dc)
{
    (void)frame;
    (void)ctx;
    (void)dc;
    if (!is_own(rec))
        return ExceptionContinueSearch;
    handled = 1;
    return ExceptionContinueExecution;
}

static void raise_and_handle(void)
{
    struct own_frame frame;
    asm volatile("movl %%fs:0, %0" : "=r"(frame.previous) : : "memory");
    frame.handler = (void*)own_handler;
    asm volatile("movl %0, %%fs:0" : : "r"(&frame) : "memory");
    RaiseException(0xE0001234u, 0, 0, NULL);
    asm volatile("movl %0, %%fs:0" : : "r"(frame.previous) : "memory");
}
#else
/* x64 has no chain to link into; a vectored handler stands in for the plug-in's own. */
static LONG CALLBACK own_handler(EXCEPTION_POINTERS* ep)
{
    if (!is_own(ep->ExceptionRecord))
        return EXCEPTION_CONTINUE_SEARCH;
    handled = 1;
    return EXCEPTION_CONTINUE_EXECUTION;
}

static void raise_and_handle(void)
{
    void* handler = AddVectoredExceptionHandler(1, own_handler);
    RaiseException(0xE0001234u, 0, 0, NULL);
    RemoveVectoredExceptionHandler(handler);
}
#endif
#endif

#ifdef CONFIGURED_PICTURE
typedef int(WINAPI* progress_proc)(int, int, LONG);

#ifndef PRESET_DIB
#define PRESET_DIB ""
#endif

/* KOVA_FX_DIB (else PRESET_DIB): "fail", "infoonly", or
   "width,height,bits,clrused,planes,headersize,pixelbytes" (pixelbytes -1: exactly the rows).
   Colour i is (3i, 2i, i) as blue, green, red; pixel byte k is k & 0xFF. KOVA_FX_PROGRESS: the Total of the progress calls 0 .. Total, none when
   unset. KOVA_FX_SEEN gets "flag len firstbyte" of the last call. */
static int configured_picture(LPCSTR buf, LONG len, UINT flag, HLOCAL* hinfo, HLOCAL* hbits,
                              progress_proc progress, LONG data)
{
    char setting[128] = "", seen[64];
    long w = 2, h = 1, bits = 24, clr = 0, planes = 1, hsize = 40, pbytes = -1, i, total;
    LONGLONG rows;
    BITMAPINFOHEADER* head;
    BYTE* p;
    wsprintfA(seen, "%u %ld %d", flag, len, flag ? (int)(BYTE)buf[0] : -1);
    SetEnvironmentVariableA("KOVA_FX_SEEN", seen);
    if (GetEnvironmentVariableA("KOVA_FX_PROGRESS", setting, sizeof setting) && progress) {
        total = atol(setting);
        for (i = 0; i <= total; ++i)
            if (progress((int)i, (int)total, data))
                return 3;
    }
    if (!GetEnvironmentVariableA("KOVA_FX_DIB", setting, sizeof setting))
        strcpy(setting, PRESET_DIB);
    if (!strcmp(setting, "fail"))
        return 1;
    if (setting[0] && strcmp(setting, "infoonly"))
        sscanf(setting, "%ld,%ld,%ld,%ld,%ld,%ld,%ld", &w, &h, &bits, &clr, &planes, &hsize, &pbytes);
    rows = ((LONGLONG)w * bits + 31) / 32 * 4 * (h < 0 ? -(LONGLONG)h : h);
    if (pbytes < 0 && rows > 0x10000000)
        return 4; /* more than a fixture hands out */
    *hinfo = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 40 + 4 * 256);
    if (!*hinfo)
        return 4;
    head = (BITMAPINFOHEADER*)LocalLock(*hinfo);
    head->biSize = (DWORD)hsize;
    head->biWidth = w;
    head->biHeight = h;
    head->biPlanes = (WORD)planes;
    head->biBitCount = (WORD)bits;
    head->biClrUsed = (DWORD)clr;
    p = (BYTE*)(head + 1);
    for (i = 0; i < 256; ++i) {
        p[4 * i] = (BYTE)(3 * i);
        p[4 * i + 1] = (BYTE)(2 * i);
        p[4 * i + 2] = (BYTE)i;
    }
    LocalUnlock(*hinfo);
    if (!strcmp(setting, "infoonly"))
        return 0;
    *hbits = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (SIZE_T)(pbytes < 0 ? rows : (LONGLONG)pbytes));
    if (!*hbits)
        return 4;
    p = (BYTE*)LocalLock(*hbits);
    for (i = 0; i < (long)LocalSize(*hbits); ++i)
        p[i] = (BYTE)i;
    LocalUnlock(*hbits);
    return 0;
}
#endif

#ifndef NO_GETPICTURE
EXPORT int WINAPI GetPicture(LPCSTR buf, LONG len, UINT flag, HLOCAL* hinfo, HLOCAL* hbits, FARPROC progress,
                             LONG data)
{
    (void)buf;
    (void)len;
    (void)flag;
#ifdef CONFIGURED_PICTURE
    return configured_picture(buf, len, flag, hinfo, hbits, (progress_proc)progress, data);
#endif
    (void)progress;
    (void)data;
#ifdef FAULT_IN_PICTURE
    fault();
#endif
#ifdef SELF_HANDLED_IN_PICTURE
    handled = 0;
    raise_and_handle();
    if (!handled)
        return 2;
#endif
    return make_picture(hinfo, hbits);
}
#endif

#ifndef NO_GETPREVIEW
EXPORT int WINAPI GetPreview(LPCSTR buf, LONG len, UINT flag, HLOCAL* hinfo, HLOCAL* hbits, FARPROC progress,
                             LONG data)
{
    (void)buf;
    (void)len;
    (void)flag;
    (void)progress;
    (void)data;
    return make_picture(hinfo, hbits);
}
#endif

#if defined(FX_AM) || defined(FX_AM_NO_GETFILE)
EXPORT int WINAPI GetArchiveInfo(LPCSTR buf, LONG len, UINT flag, HLOCAL* lphInf)
{
    (void)buf;
    (void)len;
    (void)flag;
    *lphInf = NULL;
    return 1;
}

EXPORT int WINAPI GetFileInfo(LPCSTR buf, LONG len, LPCSTR filename, UINT flag, void* lpInfo)
{
    (void)buf;
    (void)len;
    (void)filename;
    (void)flag;
    (void)lpInfo;
    return 1;
}

#ifndef NO_GETFILE
EXPORT int WINAPI GetFile(LPCSTR src, LONG len, LPSTR dest, UINT flag, FARPROC progress, LONG data)
{
    (void)src;
    (void)len;
    (void)dest;
    (void)flag;
    (void)progress;
    (void)data;
    return 1;
}
#endif
#endif

EXPORT int WINAPI ConfigurationDlg(HWND parent, int fnc)
{
    (void)parent;
    (void)fnc;
    return 0;
}
