#include "plugins/FaultGuard.h"

#include <windows.h>

#include <malloc.h>
#include <setjmp.h>

namespace kova {

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
        // An overflow used up the stack's guard page: without a new one the next overflow
        // on this thread ends the process with no handler asked.
        if (frame.Code == EXCEPTION_STACK_OVERFLOW)
            _resetstkoflw();
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

}  // namespace kova
