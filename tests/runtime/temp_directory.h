#pragma once
// A fresh directory per test, removed afterwards; names inside it are GBK.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/gbk_codec.h"

namespace runtime {

class TempDirectoryTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kzrt-runtime-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_directory); }

    // GBK path of `name` (UTF-8) inside the directory.
    Text path(const std::string& name) const { return GbkFromUtf8((m_directory / name).string()); }

    std::string read(const std::string& name) const
    {
        std::ifstream in(m_directory / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(m_directory / name, std::ios::binary) << bytes;
    }

    std::size_t entryCount() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_directory),
                                                      std::filesystem::directory_iterator()));
    }

    std::filesystem::path m_directory;
};

}  // namespace runtime
