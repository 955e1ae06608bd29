// Calls into the module with the stack misaligned, as a 32-bit host built
// for 4-byte stack alignment would.
#pragma once

namespace sandbox {

#if defined(__i386__)
// Calls fn(a, b) with the stack pointer `skew` bytes short of 16-byte
// alignment at the call; returns what fn returns.
extern "C" void *call_skewed(void *fn, void *a, void *b, unsigned skew);
#endif

} // namespace sandbox
