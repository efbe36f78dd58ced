#pragma once
// Turns a trapped run-time error into one message box, or none for errors
// that need no report (no current record, an empty description).

#include "MessagePresenter.h"
#include "RuntimeError.h"

namespace lyrovan {

inline constexpr const char* ProductName = "Lyrovan";

void ReportError(const RuntimeError& error);

} // namespace lyrovan
