#pragma once
// Environment variables set for one test and put back as they were.
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

class TScopedEnv {
public:
    TScopedEnv() = default;
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;
    ~TScopedEnv()
    {
        for (const auto& [Name, Value] : Old) Put(Name.c_str(), Value);
    }

    // An empty optional removes the variable.
    void Set(const char* Name, const std::optional<std::string>& Value)
    {
        if (!Old.count(Name)) {
            const char* V = std::getenv(Name);
            Old[Name] = V ? std::optional<std::string>(V) : std::nullopt;
        }
        Put(Name, Value);
    }

private:
    static void Put(const char* Name, const std::optional<std::string>& Value)
    {
        if (Value)
            ::setenv(Name, Value->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    std::map<std::string, std::optional<std::string>> Old;
};
