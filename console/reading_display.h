#pragma once
// The texts that the read-outs receive: pure functions over plain values.

namespace console {
}  // namespace console
