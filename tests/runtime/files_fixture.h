#pragma once
// The file tests' fixture: a fresh directory per test, removed afterwards,
// with the file numbers the test opened.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "runtime/file_numbers.h"
#include "tests/runtime/child_process.h"

namespace runtime::testing {

inline std::filesystem::path PathFromUtf8(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && m_directory.empty(); ++attempt) {
            const auto candidate = base / ("kzrt-runtime-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) m_directory = candidate;
        }
        ASSERT_FALSE(m_directory.empty());
    }

    void TearDown() override
    {
        for (int number : m_opened) CloseFile(number);
        std::filesystem::remove_all(m_directory);
    }

    // The path of `name` (UTF-8) inside the directory.
    Path path(const std::string& name) const { return m_directory / PathFromUtf8(name); }

    std::string read(const std::string& name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    std::size_t entryCount() const
    {
        const std::filesystem::directory_iterator entries(m_directory);
        return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
    }

    // What another process gets: 0 when `operation` worked there.
    int inOtherProcess(const std::vector<std::string>& operation) const
    {
        return RunChild(HelperBesideTest("runtime_files_child"), operation);
    }
    int otherProcessOpens(const std::string& name, int mode, int share) const
    {
        return inOtherProcess({"open", Utf8Of(path(name)), std::to_string(mode), std::to_string(share)});
    }

    int open(const std::string& name, int mode = 3, int share = 1)
    {
        const int number = OpenFile(path(name), mode, share);
        if (number != 0) m_opened.push_back(number);
        return number;
    }

    std::filesystem::path m_directory;
    std::vector<int> m_opened;
};

}  // namespace runtime::testing
