#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <span>

class QIODevice;

namespace tarvo {

// Writes a file as a whole: the bytes go to a temporary file beside the target, which replaces
// the target only once everything is written, so a failed or interrupted save leaves the old
// file as it was. A target that exists but is not a regular file (a device, a pipe) is written
// directly, never replaced. `write` returns false or throws TError on failure; every failure
// throws EWriteError "Cannot write <file>: <reason>".
void writeWholeFile(const QString& fileName, const std::function<bool(QIODevice&)>& write);
// The same for bytes already made.
void writeWholeFile(const QString& fileName, std::span<const uint8_t> bytes);

}  // namespace tarvo
