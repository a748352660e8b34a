#pragma once

#include <QtGlobal>

#include <functional>

namespace interchange {

// Told, now and then, how many of a long task's contacts are done; answers false
// to stop the task, which then leaves everything as it was.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// How many contacts pass between two calls of a Progress.
inline constexpr qint64 ProgressStep = 500;

} // namespace interchange
