// The developer kit: the one public header of the QV… functions and classes that the
// tweak's settings pane (and the tweak itself) call. Everything here is exported under its
// plain name; the functions have C linkage.
#pragma once

#include "foundation/String.h"
#include "objc/Object.h"

#if defined(QV_BUILDING_KIT)
#define QV_EXPORT __attribute__((visibility("default")))
#else
#define QV_EXPORT
#endif

// ---- Follow invitation and Twitter profile ------------------------------------------------

// ---- Donation invitation and mail link ----------------------------------------------------

// ---- Share button ---------------------------------------------------------------------------

// ---- Version and copyright footer -----------------------------------------------------------

// ---- Settings-pane tint -------------------------------------------------------------------

// ---- Process termination ------------------------------------------------------------------
