// Counts calls that must not happen in the per-sample path: locks and
// sleeps, by anyone in the process.  Linking watch.cpp into a program
// replaces those entry points with counting ones.
#pragma once

namespace watch {

long locks() noexcept;
long sleeps() noexcept;

} // namespace watch
