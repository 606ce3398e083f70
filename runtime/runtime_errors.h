#pragma once
#include <functional>

#include "runtime/gbk_codec.h"

namespace runtime {

enum RuntimeErrorCode : int {
    kIndexBeyondSize = 1,  // an array index beyond the array's size
    kIndexBelowOne = 4,    // an array index below 1
};

// The message of a code, GBK.
Text RuntimeErrorMessage(int code);
// "运行时出错!" + blank line + "错误代码：" code + blank line + "错误信息：" message.
// Lines end with a single LF, which message boxes on every platform break on.
Text RuntimeErrorReport(int code);

// Shows the report through the presenter (the window layer installs a message
// box; without one it goes to stderr as UTF-8), flushes stdio and ends the
// process at once with the code as its exit status. No destructors run: the
// program state is not trusted after a runtime error.
[[noreturn]] void ReportRuntimeError(int code);
// An empty presenter restores the stderr one.
void SetRuntimeErrorPresenter(std::function<void(const Text& report)> presenter);

}  // namespace runtime
