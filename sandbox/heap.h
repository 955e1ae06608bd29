// Counts the process's heap allocations and fails them on request.
//
// Linking this into a program replaces malloc and its relatives for the
// whole process, modules loaded later included; they forward to the C
// library's allocator, or to the address sanitizer's where it runs.
#pragma once

namespace sandbox::heap {

// Allocations made so far by anyone in the process.
long allocations() noexcept;

// Makes the next `count` allocations fail (return null).
void fail_next(int count) noexcept;

} // namespace sandbox::heap
