#pragma once
// Calls into plug-ins under an SEH frame of our own, so that a fault a plug-in leaves
// unhandled comes back to us instead of ending the program. The system reaches this frame
// only after the plug-in's own frames declined, so exceptions that a plug-in raises and
// handles itself are left alone.

namespace kova {

// Runs call(context) and stores its result; false when an unhandled fault ended the call.
bool CallGuarded(int (*call)(void* context), void* context, int& result);

}  // namespace kova
