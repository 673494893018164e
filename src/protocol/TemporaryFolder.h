#pragma once
// Where temporary files go when $TMPDIR names no folder. Said once, for the
// layer that reads the environment and for the lock search beneath it.
namespace qd40 {

inline constexpr const char* kDefaultTemporaryFolder = "/tmp";

}  // namespace qd40
