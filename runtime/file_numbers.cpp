// The file-number table: small integers handed to the console's handlers,
// each standing for one NativeFile until CloseFile.
#include "runtime/file_numbers.h"

#include <map>
#include <memory>
#include <mutex>

#include "runtime/native_file.h"

namespace runtime {
namespace {

std::mutex g_tableMutex;
std::map<int, std::unique_ptr<NativeFile>> g_openFiles;

// Runs `action` on the file of `fileNumber` under the table lock; false when
// the number stands for no open file.
template <typename Action>
bool WithFile(int fileNumber, Action action)
{
    const std::lock_guard lock(g_tableMutex);
    const auto found = g_openFiles.find(fileNumber);
    return found != g_openFiles.end() && action(*found->second);
}

Text Concatenate(std::initializer_list<std::string_view> texts, std::string_view after)
{
    std::size_t size = 0;
    for (std::string_view text : texts) size += text.size() + after.size();
    Text joined;
    joined.reserve(size);
    for (std::string_view text : texts) {
        joined.append(text);
        joined.append(after);
    }
    return joined;
}

}  // namespace

int OpenFile(const Path& name, int mode, int share)
{
    if (name.empty() || mode < 1 || mode > 6 || share < 1 || share > 4) return 0;
    std::unique_ptr<NativeFile> file = NativeFile::open(name, mode, share);
    if (!file) return 0;
    const std::lock_guard lock(g_tableMutex);
    int number = 1;
    for (const auto& entry : g_openFiles) {
        if (entry.first != number) break;
        ++number;
    }
    g_openFiles.emplace(number, std::move(file));
    return number;
}

bool CloseFile(int fileNumber)
{
    const std::lock_guard lock(g_tableMutex);
    return g_openFiles.erase(fileNumber) == 1;
}

void MoveFilePosition(int fileNumber, int base, std::int64_t offset)
{
    WithFile(fileNumber, [&](NativeFile& file) { return file.seek(base, offset); });
}

void MoveToFileEnd(int fileNumber)
{
    WithFile(fileNumber, [](NativeFile& file) { return file.seek(3, 0); });
}

bool WriteTextLine(int fileNumber, std::initializer_list<std::string_view> texts)
{
    const Text lines = Concatenate(texts, "\r\n");
    return WithFile(fileNumber, [&](NativeFile& file) { return file.write(lines); });
}

bool InsertText(int fileNumber, std::initializer_list<std::string_view> texts)
{
    const Text inserted = Concatenate(texts, {});
    return WithFile(fileNumber, [&](NativeFile& file) { return file.insert(inserted); });
}

bool WriteToFile(const Path& name, std::initializer_list<std::string_view> byteSets)
{
    if (name.empty()) return false;
    const std::unique_ptr<NativeFile> file = NativeFile::open(name, 4, 4);
    return file && file->write(Concatenate(byteSets, {}));
}

}  // namespace runtime
