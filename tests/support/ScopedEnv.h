#pragma once
// Environment variables set for one test and put back as they were.
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

class TScopedEnv {
public:
    using TValue = std::optional<std::string>; // nothing: unset
    TScopedEnv() = default;
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;
    ~TScopedEnv()
    {
        for (const auto& [Name, Value] : Old) Put(Name.c_str(), Value);
    }
    void Set(const char* Name, const TValue& Value)
    {
        const char* V = std::getenv(Name);
        Old.try_emplace(Name, V ? TValue(V) : std::nullopt);
        Put(Name, Value);
    }

private:
    static void Put(const char* Name, const TValue& V)
    {
        V ? ::setenv(Name, V->c_str(), 1) : ::unsetenv(Name);
    }
    std::map<std::string, TValue> Old;
};
