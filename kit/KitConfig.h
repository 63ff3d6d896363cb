// The kit's configuration: the author's donation page. The scheme, path and query keys are
// PayPal's own; the host and the hosted button's identifier are ours to choose.
#pragma once

#include <string_view>

namespace kit::config {

inline constexpr std::string_view kDonationHost = "www.paypal.com";
inline constexpr std::string_view kDonationButtonIdentifier = "QVTAPSONATA26";

} // namespace kit::config
