#pragma once

#include <QStringList>
#include <QTextStream>

namespace tarvo {

// Exit statuses of tarvo-icontool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsage = 2;

// Runs one tarvo-icontool command (arguments without the program name).
int runIconTool(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace tarvo
