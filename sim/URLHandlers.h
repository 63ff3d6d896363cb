// The simulated device's URL handlers: which schemes have an installed application, as the
// device root says, and an opener that only records what would have opened.
#pragma once

namespace sim {

void installURLHandlers();

} // namespace sim
