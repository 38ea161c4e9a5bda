#pragma once
// How many connections the live pages may hold without costing the timing
// desk its files: each connection takes one file descriptor, and the desk
// opens its lap, goal, book and capture files while the pages serve.

#include "platform/descriptors.h"  // the limit and the count it is taken from

namespace poolside {

// Descriptors kept for the program's own files and libraries whatever the
// pages hold.
constexpr int kDeskDescriptorReserve = 128;
// Connections held beyond the served ones, only to answer them 503.
constexpr int kRefusalSlots = 32;

// The connections that may be served: the lesser of `setting` and what
// `limit` leaves after the `open` descriptors, the desk's reserve and the
// refusal slots; never below 0.
int ConnectionBudget(int setting, long limit, int open);

}  // namespace poolside
