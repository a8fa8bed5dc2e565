#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// Bytes, files and folders for the core tests.
namespace kvx::test {

// Raw bytes written as numbers, for text that is not UTF-8.
inline std::string bytes(std::initializer_list<unsigned char> values)
{
    return std::string(values.begin(), values.end());
}

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvx-core-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder from " + pattern);
        }
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return m_path + "/" + name; }
    // The folder itself, ending in a slash as the program's folder names do.
    std::string folder() const { return m_path + "/"; }

    // The names in the folder or one of its subfolders, sorted.
    std::vector<std::string> fileNames(const std::string& subfolder = {}) const
    {
        std::vector<std::string> names;
        for (const auto& entry :
            std::filesystem::directory_iterator(subfolder.empty() ? m_path : path(subfolder))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
};

inline std::string readFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

inline void writeFileBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A settings file of the program's one section, its lines ending in CR LF.
inline std::string section(const std::vector<std::string>& lines)
{
    std::string text = "[Kalvendorix]\r\n";
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

} // namespace kvx::test
