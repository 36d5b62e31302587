#include "plugins/FaultGuard.h"

#include <windows.h>

#include <setjmp.h>

namespace kova {

#if defined(__i386__)

namespace {

// The system walks the first two words (the previous record, the handler); the jump
// buffer behind them belongs to us.
struct GuardFrame {
    GuardFrame* Previous;
    void* Handler;
    jmp_buf Resume;
};

// fs:[0] heads the thread's chain of SEH records. The memory clobbers keep the frame's
// words stored before it is linked in.
GuardFrame* ChainHead()
{
    GuardFrame* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head) : : "memory");
    return head;
}

void SetChainHead(GuardFrame* head)
{
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    longjmp(static_cast<GuardFrame*>(frame)->Resume, 1);
}

}  // namespace

bool CallGuarded(int (*call)(void* context), void* context, int& result)
{
    GuardFrame frame;
    frame.Previous = ChainHead();
    frame.Handler = reinterpret_cast<void*>(&GuardHandler);
    SetChainHead(&frame);
    if (setjmp(frame.Resume) != 0) {
        // longjmp has unwound the records above ours; drop ours too.
        SetChainHead(frame.Previous);
        return false;
    }
    try {
        result = call(context);
    } catch (...) {
        // A C++ exception that got past the plug-in must not leave our dead record linked.
        SetChainHead(frame.Previous);
        throw;
    }
    SetChainHead(frame.Previous);
    return true;
}

#elif defined(__x86_64__)

// On x64 the system finds handlers through unwind tables, not a chain in the thread block:
// GuardedCall below is a tiny function whose table entry names GuardHandler. A fault the
// plug-in leaves unhandled is unwound back into GuardedCall, which then returns 0.
extern "C" int GuardedCall(int (*call)(void* context), void* context, int* result);
extern "C" void GuardedCallFaulted();
extern "C" EXCEPTION_DISPOSITION GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                              DISPATCHER_CONTEXT* dispatch);

asm(R"(
    .text
    .globl GuardedCall
    .def GuardedCall; .scl 2; .type 32; .endef
    .seh_proc GuardedCall
    .seh_handler GuardHandler, @except
GuardedCall:
    pushq %rbx
    .seh_pushreg %rbx
    subq $32, %rsp
    .seh_stackalloc 32
    .seh_endprologue
    movq %r8, %rbx
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    movl %eax, (%rbx)
    movl $1, %eax
    .globl GuardedCallFaulted
GuardedCallFaulted:
    addq $32, %rsp
    popq %rbx
    retq
    .seh_endproc
)");

// GCC's own C++ exceptions pass through: the caller's catch takes them.
constexpr DWORD GccThrow = 0x20474343;

extern "C" EXCEPTION_DISPOSITION GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                              DISPATCHER_CONTEXT* dispatch)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND) ||
        record->ExceptionCode == GccThrow)
        return ExceptionContinueSearch;
    // Unwinds the plug-in's frames and resumes after the call with 0 in rax.
    RtlUnwindEx(frame, reinterpret_cast<void*>(&GuardedCallFaulted), record, nullptr,
                dispatch->ContextRecord, dispatch->HistoryTable);
    return ExceptionContinueSearch;
}

bool CallGuarded(int (*call)(void* context), void* context, int& result)
{
    return GuardedCall(call, context, &result) != 0;
}

#endif

}  // namespace kova
