#include "runtime/runtime_errors.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "runtime/conversions.h"

namespace runtime {
namespace {

std::mutex g_presenterMutex;
std::function<void(const Text&)> g_presenter;

void PresentOnStandardError(const Text& report)
{
    const std::string utf8 = Utf8FromGbk(report);
    std::fprintf(stderr, "%s\n", utf8.c_str());
}

}  // namespace

Text RuntimeErrorMessage(int code)
{
    switch (code) {
    case kIndexBeyondSize: return Gbk("数组成员引用下标超出定义范围");
    case kIndexBelowOne: return Gbk("数组成员引用下标必须大于等于1");
    default: return Gbk("程序内部发生未知错误");
    }
}

Text RuntimeErrorReport(int code)
{
    return Gbk("运行时出错!\n\n错误代码：") + ToText(std::int32_t{code}) + Gbk("\n\n错误信息：") +
           RuntimeErrorMessage(code);
}

void SetRuntimeErrorPresenter(std::function<void(const Text& report)> presenter)
{
    const std::lock_guard lock(g_presenterMutex);
    g_presenter = std::move(presenter);
}

void ReportRuntimeError(int code)
{
    std::function<void(const Text&)> presenter;
    {
        const std::lock_guard lock(g_presenterMutex);
        presenter = g_presenter;
    }
    const Text report = RuntimeErrorReport(code);
    if (presenter) {
        presenter(report);
    } else {
        PresentOnStandardError(report);
    }
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace runtime
