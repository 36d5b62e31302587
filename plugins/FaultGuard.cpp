#include "plugins/FaultGuard.h"

#include <windows.h>

#include <malloc.h>
#include <setjmp.h>

#include <cstdint>

namespace kova {

namespace {

// An overflow used up the stack's guard page: without a new one the next overflow on this
// thread ends the process with no handler asked.
void Recover(DWORD code)
{
    if (code == EXCEPTION_STACK_OVERFLOW)
        _resetstkoflw();
}

}  // namespace

#if defined(__i386__)

namespace {

// The system walks the first two words (the previous record, the handler); the jump
// buffer behind them belongs to us.
struct GuardFrame {
    GuardFrame* Previous;
    void* Handler;
    jmp_buf Resume;
    DWORD Code;
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
    auto* guard = static_cast<GuardFrame*>(frame);
    guard->Code = record->ExceptionCode;
    longjmp(guard->Resume, 1);
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
        Recover(frame.Code);
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
// GuardedCall below is a tiny function whose table entry names GuardHandler. It returns 0
// after the call; a fault the plug-in leaves unhandled is unwound back into it, and it then
// returns the fault's code with bit 32 set.
extern "C" uint64_t GuardedCall(int (*call)(void* context), void* context, int* result);
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
    xorl %eax, %eax
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
    // Unwinds the plug-in's frames and resumes after the call with the fault in rax.
    const uint64_t fault = uint64_t{1} << 32 | record->ExceptionCode;
    RtlUnwindEx(frame, reinterpret_cast<void*>(&GuardedCallFaulted), record, reinterpret_cast<void*>(fault),
                dispatch->ContextRecord, dispatch->HistoryTable);
    return ExceptionContinueSearch;
}

bool CallGuarded(int (*call)(void* context), void* context, int& result)
{
    const uint64_t fault = GuardedCall(call, context, &result);
    if (fault == 0)
        return true;
    Recover(static_cast<DWORD>(fault));
    return false;
}

#endif

}  // namespace kova
