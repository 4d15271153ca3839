// The switch that makes the weakly linked image-source calls read as absent.
#pragma once

namespace platform {

void setImageSourcesAvailable(bool available);

} // namespace platform
