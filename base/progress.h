// The progress hook: one callback taking a progress value, empty until the
// loading display installs itself; pack loads and the sample generator call it.
#pragma once
#include <functional>

namespace lumen {

using ProgressHook = std::function<void(float)>;

}  // namespace lumen
