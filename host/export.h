#pragma once

// The module library is built with hidden symbols; only what the host program calls
// (the entry points, Release_It, the host-context and window variables) is exported.
#define AMVAL_EXPORT __attribute__((visibility("default")))
