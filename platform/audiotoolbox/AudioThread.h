// The audio thread: the one place plays are handed from their callers' threads to the output.
#pragma once

#include "audiotoolbox/Sound.h"

#include <memory>

namespace audio::detail {

// Stamps the play with the clock and the current output and queues it; returns at once and
// takes no lock. When the audio thread has fallen far behind (an output that stalls), the
// oldest queued play is dropped, as the device would steal its voice anyway.
void post(std::shared_ptr<const Sound> sound);

} // namespace audio::detail
