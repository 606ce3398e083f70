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
Text RuntimeErrorReport(int code);

// Shows the report (message box, installed by the window layer) and ends the
// process with the code as its exit status.
[[noreturn]] void ReportRuntimeError(int code);
void SetRuntimeErrorPresenter(std::function<void(const Text& report)> presenter);

}  // namespace runtime
