#pragma once
// A private folder for a driver's files, removed when the process ends.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class TScratch {
public:
    TScratch()
    {
        std::string Pattern =
            (std::filesystem::temp_directory_path() / "brevanix-fuzz-XXXXXX").string();
        if (::mkdtemp(Pattern.data())) Dir = Pattern;
    }
    ~TScratch()
    {
        std::error_code Ec;
        if (!Dir.empty()) std::filesystem::remove_all(Dir, Ec);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    std::string Dir;
};
