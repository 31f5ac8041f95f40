// A call made once a window has painted for the first time.
#pragma once

#include <functional>

class QWidget;

namespace wordlark {

// Calls `call` once, right after the first paint of the top-level `window`
// (from the event loop, after the paint of its first exposure is done).
// Call after `window` was shown; nothing happens if it is destroyed first.
void CallAfterFirstPaint(QWidget* window, std::function<void()> call);

}  // namespace wordlark
