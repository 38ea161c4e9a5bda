#pragma once
// This process's file descriptors: the limit on how many it may hold and
// how many it holds now.

namespace poolside {

// Raises the soft descriptor limit to the hard limit; the soft limit in
// force afterwards (unchanged when the raise is refused).
long RaiseDescriptorLimit();
// The soft descriptor limit now.
long DescriptorLimit();
// Descriptors open now (-1 when they cannot be counted).
int OpenDescriptors();

}  // namespace poolside
