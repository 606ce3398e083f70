#include "runtime/runtime_errors.h"

#include <gtest/gtest.h>

namespace runtime {
namespace {

TEST(RuntimeErrorsTest, ReportHasTheFixedLayout)
{
    EXPECT_EQ(RuntimeErrorReport(1),
              Gbk("运行时出错!\n\n错误代码：1\n\n错误信息：数组成员引用下标超出定义范围"));
    EXPECT_EQ(RuntimeErrorMessage(4), Gbk("数组成员引用下标必须大于等于1"));
    EXPECT_FALSE(RuntimeErrorMessage(7).empty());
}

TEST(RuntimeErrorsDeathTest, PresenterSeesTheReportThenTheProcessEnds)
{
    EXPECT_EXIT(
        {
            SetRuntimeErrorPresenter([](const Text& report) {
                std::fprintf(stderr, "presented %zu bytes", report.size());
            });
            ReportRuntimeError(4);
        },
        testing::ExitedWithCode(4), "presented " + std::to_string(RuntimeErrorReport(4).size()) + " bytes");
}

}  // namespace
}  // namespace runtime
