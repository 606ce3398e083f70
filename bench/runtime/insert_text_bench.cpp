// One recording tick on a full day's file (86 400 rows, about 8 MB): the
// atomic InsertText against a plain copy of the file and against moving the
// tail in place in 4096-byte blocks. Also the conversions that run on every
// read-out write. The day file lives in the working directory (run it from a
// directory on the disk the recordings go to, not on a RAM file system).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "runtime/conversions.h"
#include "runtime/file_numbers.h"

namespace {

constexpr int kRowsPerDay = 86'400;
constexpr std::int64_t kHeaderSize = 77;

const runtime::Text& Row()
{
    static const runtime::Text row = runtime::Gbk(
        "\r\n2015年12月5日14时3分7秒,12.500,V,0.5000,A,6.2500,W,25.000,R,1.2345,Wh,0.1234,Ah,+25.3,℃");
    return row;
}

// A day file in the working directory, made once per benchmark.
std::string MakeDayFile(const char* name)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << std::string(kHeaderSize, 'H');
    for (int i = 0; i < kRowsPerDay; ++i) out << Row();
    out << "\r\n";
    return name;
}

void BM_InsertTextIntoDayFile(benchmark::State& state)
{
    const std::string name = MakeDayFile("insert_text_bench.csv");
    for (auto _ : state) {
        const int number = runtime::OpenFile(name, 3, 3);
        runtime::MoveFilePosition(number, 1, kHeaderSize);
        if (!runtime::InsertText(number, {Row()})) state.SkipWithError("InsertText failed");
        runtime::CloseFile(number);
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(name)) / 1e6;
    std::filesystem::remove(name);
}
BENCHMARK(BM_InsertTextIntoDayFile)->Unit(benchmark::kMillisecond);

// The floor: one read and one write of the whole file through a user buffer.
void BM_PlainCopyOfDayFile(benchmark::State& state)
{
    const std::string name = MakeDayFile("insert_text_bench_copy.csv");
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int in = open(name.c_str(), O_RDONLY);
        const int out = open("insert_text_bench_copy.tmp", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t got = 0;
        while ((got = read(in, buffer.data(), buffer.size())) > 0) {
            if (write(out, buffer.data(), static_cast<std::size_t>(got)) != got) state.SkipWithError("write");
        }
        close(in);
        close(out);
    }
    std::filesystem::remove(name);
    std::filesystem::remove("insert_text_bench_copy.tmp");
}
BENCHMARK(BM_PlainCopyOfDayFile)->Unit(benchmark::kMillisecond);

// The tearing way: the tail moved towards the end in 4096-byte blocks from
// the end backwards, then the row written into the gap.
void BM_InPlaceTailMove(benchmark::State& state)
{
    const std::string name = MakeDayFile("insert_text_bench_inplace.csv");
    const auto length = static_cast<off_t>(Row().size());
    char block[4096];
    for (auto _ : state) {
        const int fd = open(name.c_str(), O_RDWR);
        struct stat info{};
        fstat(fd, &info);
        for (off_t end = info.st_size; end > kHeaderSize;) {
            const off_t from = std::max<off_t>(kHeaderSize, end - static_cast<off_t>(sizeof block));
            const auto size = static_cast<std::size_t>(end - from);
            if (pread(fd, block, size, from) != static_cast<ssize_t>(size) ||
                pwrite(fd, block, size, from + length) != static_cast<ssize_t>(size)) {
                state.SkipWithError("io");
            }
            end = from;
        }
        if (pwrite(fd, Row().data(), Row().size(), kHeaderSize) != length) state.SkipWithError("io");
        close(fd);
    }
    std::filesystem::remove(name);
}
BENCHMARK(BM_InPlaceTailMove)->Unit(benchmark::kMillisecond);

void BM_NumberToFormattedText(benchmark::State& state)
{
    double value = 12.3456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(runtime::NumberToFormattedText(value, 4));
        value += 0.0001;
    }
}
BENCHMARK(BM_NumberToFormattedText);

void BM_ToNumberOfReadout(benchmark::State& state)
{
    const runtime::Text readout = "12.3456";
    for (auto _ : state) benchmark::DoNotOptimize(runtime::ToNumber(readout));
}
BENCHMARK(BM_ToNumberOfReadout);

void BM_Utf8FromGbkAscii(benchmark::State& state)
{
    const runtime::Text readout = "12.3456";
    for (auto _ : state) benchmark::DoNotOptimize(runtime::Utf8FromGbk(readout));
}
BENCHMARK(BM_Utf8FromGbkAscii);

void BM_Utf8FromGbkChinese(benchmark::State& state)
{
    const runtime::Text caption = runtime::Gbk("电压0-100V 电流0-10A 实时曲线图");
    for (auto _ : state) benchmark::DoNotOptimize(runtime::Utf8FromGbk(caption));
}
BENCHMARK(BM_Utf8FromGbkChinese);

}  // namespace

BENCHMARK_MAIN();
